// PGN scanning into annotated listings and training sets (-scan_pgn1..4).
#pragma once

void Scan_PGN_File(const char* path, int mode);
