// The NUMA topology of a Windows machine, read from the system's
// logical-processor records, and the node each search thread goes to.
#pragma once
#include <cstddef>
#include <vector>

struct ProcessorCounts {
  int nodes;
  int cores;
  int threads;  // logical processors
};

// Walks the variable-length records (relation u32, size u32, then for a core
// its flags byte) from the start; stops at a record of size 0 or one that
// would run past length.
ProcessorCounts CountProcessors(const unsigned char* records, size_t length);

// One node number per logical processor, by search-thread index: each node's
// share of the physical cores in blocks, then the second logical processors
// round-robin over the nodes. Empty when no node was counted.
std::vector<int> BuildNodeTable(const ProcessorCounts& counts);
