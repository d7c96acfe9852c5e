// Large zero-filled blocks for the transposition table.
#pragma once
#include <cstddef>

// Returns a block of zero bytes, fresh from the system and aligned for large
// pages, or nullptr when memory is short.
void* AllocateLarge(size_t bytes);
// Gives back a block of AllocateLarge, with the size it was asked for.
void FreeLarge(void* block, size_t bytes);
