#include "platform/memory.h"

#include <cstdlib>
#include <cstring>

// Large blocks come straight from the system, which hands them out zeroed.
void* AllocateLarge(size_t bytes) { return std::calloc(bytes ? bytes : 1, 1); }

void FreeLarge(void* block, size_t) { std::free(block); }

void ZeroLarge(void* from, size_t bytes) { std::memset(from, 0, bytes); }
