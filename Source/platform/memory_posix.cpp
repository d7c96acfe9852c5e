#ifndef _WIN32
#include "platform/memory.h"

#ifdef __GLIBC__
#include <malloc.h>
#endif
#include <sys/mman.h>
#include <unistd.h>

namespace {
constexpr size_t kLargePage = size_t(2) << 20;

size_t Rounded(size_t bytes) {
  const size_t rounded = (bytes + kLargePage - 1) / kLargePage * kLargePage;
  return rounded ? rounded : kLargePage;
}
}  // namespace

// An anonymous mapping is zero until written, and its pages are only taken
// from the system when first touched.
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

size_t SystemPageSize() { return size_t(sysconf(_SC_PAGESIZE)); }

void UseOneAllocatorPool() {
#ifdef __GLIBC__
  mallopt(M_ARENA_MAX, 1);
#endif
}
#endif
