#include "platform/memory.h"

#include <windows.h>

#include <cstdlib>

// Large blocks come straight from the system, which hands them out zeroed
// and takes their pages from memory only when first written.
void* AllocateLarge(size_t bytes) { return std::calloc(bytes ? bytes : 1, 1); }

void FreeLarge(void* block, size_t) { std::free(block); }

size_t SystemPageSize() {
  SYSTEM_INFO info;
  GetSystemInfo(&info);
  return info.dwPageSize;
}

// The Windows heap reserves nothing for each thread.
void UseOneAllocatorPool() {}
