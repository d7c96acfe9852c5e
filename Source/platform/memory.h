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
// Has the C library's allocator serve every thread from one pool rather
// than reserve address space for each new thread that allocates (64 MB
// apiece with glibc): the search threads allocate only their records, and
// under a limit of the address space the reservations would take the room
// of whole threads.
void UseOneAllocatorPool();
