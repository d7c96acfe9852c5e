#include "platform/memory.h"

#include <cstdlib>
#ifdef _WIN32
#include <malloc.h>
#endif
#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace {
constexpr size_t kLargePage = size_t(2) << 20;
}

void* AllocateLarge(size_t bytes) {
  const size_t rounded = (bytes + kLargePage - 1) / kLargePage * kLargePage;
#ifdef _WIN32
  void* block = _aligned_malloc(rounded ? rounded : kLargePage, kLargePage);
#else
  void* block = std::aligned_alloc(kLargePage, rounded ? rounded : kLargePage);
#endif
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  // The table is probed at random on every node: large pages spare most of
  // the address-translation misses.
  if (block) madvise(block, rounded, MADV_HUGEPAGE);
#endif
  return block;
}

#ifdef _WIN32
void FreeLarge(void* block) { _aligned_free(block); }
#else
void FreeLarge(void* block) { std::free(block); }
#endif
