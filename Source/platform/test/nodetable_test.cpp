#include "platform/nodetable.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

// Record sizes as a 64-bit system reports them.
constexpr uint32_t kCore = 0, kNode = 1, kCache = 2, kGroup = 4;
constexpr uint32_t kCoreSize = 48, kNodeSize = 80;

void Add(std::vector<unsigned char>& buf, uint32_t relation, uint32_t size, unsigned char flags = 0) {
  const size_t at = buf.size();
  buf.resize(at + (size < 9 ? 9 : size));
  std::memcpy(&buf[at], &relation, 4);
  std::memcpy(&buf[at + 4], &size, 4);
  buf[at + 8] = flags;
  buf.resize(at + (size < 8 ? 8 : size));  // a broken record keeps its header
}

std::vector<unsigned char> Machine(int nodes, int cores, bool smt) {
  std::vector<unsigned char> buf;
  Add(buf, kGroup, 76);
  for (int c = 0; c < cores; c++) {
    Add(buf, kCore, kCoreSize, smt ? 1 : 0);
    Add(buf, kCache, 48);
  }
  for (int n = 0; n < nodes; n++) Add(buf, kNode, kNodeSize);
  return buf;
}

}  // namespace

TEST(NodeTable, SpreadsCoresInBlocksThenSecondThreadsRoundRobin) {
  struct Case {
    int nodes, cores;
    bool smt;
    std::vector<int> table;
  };
  const std::vector<Case> cases = {
      {1, 8, true, std::vector<int>(16, 0)},
      {2, 8, false, {0, 0, 0, 0, 1, 1, 1, 1}},
      {2, 8, true, {0, 0, 0, 0, 1, 1, 1, 1, 0, 1, 0, 1, 0, 1, 0, 1}},
      {3, 8, true, {0, 0, 1, 1, 2, 2, 0, 1, 2, 0, 1, 2, 0, 1}},
      {0, 4, true, {}},
  };
  for (const Case& c : cases) {
    const std::vector<unsigned char> buf = Machine(c.nodes, c.cores, c.smt);
    const ProcessorCounts counts = CountProcessors(buf.data(), buf.size());
    EXPECT_EQ(counts.nodes, c.nodes);
    EXPECT_EQ(counts.cores, c.cores);
    EXPECT_EQ(counts.threads, c.smt ? 2 * c.cores : c.cores);
    EXPECT_EQ(BuildNodeTable(counts), c.table) << c.nodes << " nodes, smt " << c.smt;
  }
}

// The walk ends at a record of size 0 and at one running past the buffer;
// only a flags byte of exactly 1 marks a second logical processor.
TEST(NodeTable, StopsAtBrokenRecords) {
  std::vector<unsigned char> zero;
  Add(zero, kNode, kNodeSize);
  Add(zero, kCore, kCoreSize, 1);
  Add(zero, kCore, 0);
  Add(zero, kCore, kCoreSize);
  const ProcessorCounts a = CountProcessors(zero.data(), zero.size());
  EXPECT_EQ(a.nodes, 1);
  EXPECT_EQ(a.cores, 1);
  EXPECT_EQ(a.threads, 2);

  std::vector<unsigned char> overlong;
  Add(overlong, kCore, kCoreSize, 2);
  Add(overlong, kNode, kNodeSize);
  const ProcessorCounts b = CountProcessors(overlong.data(), overlong.size() - 1);
  EXPECT_EQ(b.nodes, 0);
  EXPECT_EQ(b.cores, 1);
  EXPECT_EQ(b.threads, 1);
  EXPECT_TRUE(BuildNodeTable(b).empty());
}
