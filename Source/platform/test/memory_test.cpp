#include "platform/memory.h"

#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstring>
#include <vector>

// Zeros exactly the range asked for, whether its ends lie on page boundaries
// or inside pages, and hands back the whole pages inside it.
TEST(LargeBlock, ZeroingReachesExactlyTheRangeAndHandsBackItsPages) {
  const size_t page = size_t(sysconf(_SC_PAGESIZE)), bytes = (size_t(6) << 20) + 100;
  unsigned char* block = static_cast<unsigned char*>(AllocateLarge(bytes));
  ASSERT_NE(block, nullptr);
  const size_t cases[][2] = {{0, bytes}, {page, 4 * page}, {page - 8, 16}, {page + 5, page - 10}, {77, 0},
                             {100, bytes - 300}};
  std::vector<unsigned char> resident((bytes + page - 1) / page);
  for (const auto& [from, length] : cases) {
    std::memset(block, 0xA5, bytes);
    ZeroLarge(block + from, length);
    // Looked at before the bytes are read: reading maps pages again.
    ASSERT_EQ(mincore(block, bytes, resident.data()), 0);
    size_t kept = 0, wrong = 0;
    for (size_t p = (from + page - 1) / page; p < (from + length) / page; p++) kept += resident[p] & 1;
    for (size_t i = 0; i < bytes; i++) wrong += block[i] != (i >= from && i < from + length ? 0 : 0xA5);
    EXPECT_EQ(kept, 0u) << from << " " << length;
    EXPECT_EQ(wrong, 0u) << from << " " << length;
  }
  FreeLarge(block, bytes);
}
