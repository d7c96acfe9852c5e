#include "platform/memory.h"

#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <vector>

// Touching takes every page of the range from the system, its ends on page bounds or not, all zeros.
TEST(LargeBlock, TouchingTakesEveryPageOfTheRangeAndKeepsItZero) {
  const size_t page = size_t(sysconf(_SC_PAGESIZE)), bytes = (size_t(6) << 20) + 100;
  EXPECT_EQ(SystemPageSize(), page);
  const size_t cases[][2] = {{0, bytes}, {page, 4 * page}, {page - 8, 16}, {page + 5, page - 10}, {77, 0},
                             {100, bytes - 300}};
  std::vector<unsigned char> resident((bytes + page - 1) / page);
  for (const auto& [from, length] : cases) {
    unsigned char* block = static_cast<unsigned char*>(AllocateLarge(bytes));
    ASSERT_NE(block, nullptr);
    TouchLarge(block + from, length);
    // Looked at before the bytes are read: reading maps pages too.
    ASSERT_EQ(mincore(block, bytes, resident.data()), 0);
    size_t missing = 0, wrong = 0;
    for (size_t p = from / page; length && p <= (from + length - 1) / page; p++) missing += !(resident[p] & 1);
    for (size_t i = 0; i < bytes; i++) wrong += block[i] != 0;
    EXPECT_EQ(missing, 0u) << from << " " << length;
    EXPECT_EQ(wrong, 0u) << from << " " << length;
    FreeLarge(block, bytes);
  }
}
