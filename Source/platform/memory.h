// Large zero-filled blocks for the transposition table.
#pragma once
#include <cstddef>

// Returns a block of zero bytes, fresh from the system and aligned for large
// pages, or nullptr when memory is short.
void* AllocateLarge(size_t bytes);
// Gives back a block of AllocateLarge, with the size it was asked for.
void FreeLarge(void* block, size_t bytes);
// Makes bytes of a block of AllocateLarge, from a point inside it, read as
// zeros again. Where the system takes whole pages back and hands them out
// zeroed when next touched, that is done instead of writing them: far quicker
// on a large block, and the memory is free until it is used again.
void ZeroLarge(void* from, size_t bytes);
