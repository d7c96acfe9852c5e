// Endgame tablebase registry: which tables exist under the configured paths.
#pragma once

// (Re)builds the registry from a path list; never called while a search runs.
void init_tablebases(const char* path);
