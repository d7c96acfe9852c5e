// Large zero-initialised blocks for the transposition table.
#pragma once
#include <cstddef>

// Returns a block aligned for large pages, or nullptr when memory is short.
void* AllocateLarge(size_t bytes);
void FreeLarge(void* block);
