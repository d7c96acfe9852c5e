#include "platform/pipelines.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// Feeds the reads in order and returns the lines handed back.
static std::vector<std::string> Split(const std::vector<std::string>& reads) {
  static PipeLines lines;
  lines.held_len = 0;
  std::vector<std::string> out;
  for (const std::string& read : reads) {
    char buf[kReadSize];
    const int n = SplitPipeBytes(lines, read.data(), int(read.size()), buf);
    std::string text(buf, size_t(n));
    for (size_t end; (end = text.find('\n')) != std::string::npos; text.erase(0, end + 1))
      out.push_back(text.substr(0, end));
    EXPECT_TRUE(text.empty());
  }
  return out;
}

TEST(PipeLines, CutsReadsIntoLines) {
  using Lines = std::vector<std::string>;
  EXPECT_EQ(Split({"uci\nisready\n"}), (Lines{"uci", "isready"}));
  EXPECT_EQ(Split({"posi", "tion startpos\r", "\ngo"}), (Lines{"position startpos"}));
  EXPECT_EQ(Split({std::string("stop\0quit\n", 10)}), (Lines{"stop", "quit"}));
  EXPECT_EQ(Split({"go\rdepth 5\n"}), (Lines{"go"}));
  EXPECT_EQ(Split({"\n\r\n", "\n"}), Lines{});
  const std::string longest(kMaxInputLine, 'x');
  EXPECT_EQ(Split({longest, "yz\n"}), (Lines{longest, "yz"}));
}
