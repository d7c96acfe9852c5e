// What a search thread does once it is told to search.
#pragma once

struct ThreadRecord;

// Stand-in for the root search and iterative deepening, which are not built
// yet: it deepens without searching, one depth per millisecond, counting fake
// nodes and publishing depths as the real search will, so that starting,
// stopping and aborting the pool can be exercised.
void ThreadSearch(ThreadRecord* td);
