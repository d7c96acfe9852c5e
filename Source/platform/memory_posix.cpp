#ifndef _WIN32
#include "platform/memory.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>

namespace {
constexpr size_t kLargePage = size_t(2) << 20;

size_t Rounded(size_t bytes) {
  const size_t rounded = (bytes + kLargePage - 1) / kLargePage * kLargePage;
  return rounded ? rounded : kLargePage;
}
}  // namespace

// An anonymous mapping is zero until written, and its pages are only taken
// from the system when first touched: a large table costs nothing at start.
void* AllocateLarge(size_t bytes) {
  const size_t size = Rounded(bytes);
  if (size + kLargePage < size) return nullptr;
  // One large page more, so that the block can start on a large-page boundary.
  void* map = mmap(nullptr, size + kLargePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (map == MAP_FAILED) return nullptr;
  char* const raw = static_cast<char*>(map);
  const size_t head = (kLargePage - reinterpret_cast<size_t>(raw) % kLargePage) % kLargePage;
  if (head) munmap(raw, head);
  munmap(raw + head + size, kLargePage - head);
  char* const block = raw + head;
#if defined(MADV_HUGEPAGE)
  // The table is probed at random on every node: large pages spare most of
  // the address-translation misses.
  madvise(block, size, MADV_HUGEPAGE);
#endif
  return block;
}

void FreeLarge(void* block, size_t bytes) {
  if (block) munmap(block, Rounded(bytes));
}

void ZeroLarge(void* from, size_t bytes) {
  char* const first = static_cast<char*>(from);
  char* const end = first + bytes;
#if defined(__linux__)
  // Pages of a private anonymous mapping that are handed back read as zeros
  // afterwards; only the pieces of pages at the two ends are written.
  const uintptr_t page = uintptr_t(sysconf(_SC_PAGESIZE));
  char* const low = first + (page - reinterpret_cast<uintptr_t>(first) % page) % page;
  char* const high = end - reinterpret_cast<uintptr_t>(end) % page;
  if (high > low && madvise(low, size_t(high - low), MADV_DONTNEED) == 0) {
    std::memset(first, 0, size_t(low - first));
    std::memset(high, 0, size_t(end - high));
    return;
  }
#endif
  std::memset(first, 0, size_t(end - first));
}
#endif
