// Large zero-filled blocks for the transposition table.
#pragma once
#include <cstddef>

// Returns a block of zero bytes, fresh from the system and aligned for large
// pages, or nullptr when memory is short. Its pages may be taken from the
// system only when first written.
void* AllocateLarge(size_t bytes);
// Gives back a block of AllocateLarge, with the size it was asked for.
void FreeLarge(void* block, size_t bytes);
// The size of the system's smallest page.
size_t SystemPageSize();
