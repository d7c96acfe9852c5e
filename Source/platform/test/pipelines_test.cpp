#include "platform/pipelines.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// Feeds the reads in order (the end of input after the last when ended); the lines handed back.
static std::vector<std::string> Split(const std::vector<std::string>& reads, bool ended = false) {
  static PipeLines lines;
  lines.held_len = 0;
  lines.text_ended = lines.too_long = false;
  std::vector<std::string> out;
  static char buf[kReadSize];
  for (const std::string& read : reads) {
    int n = SplitPipeBytes(lines, read.data(), int(read.size()), buf);
    if (ended && &read == &reads.back()) n += EndPipeLines(lines, buf + n);
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
  EXPECT_EQ(Split({std::string("stop\0quit\n", 10)}), (Lines{"stop"}));
  EXPECT_EQ(Split({"go\rdepth 5\n"}), (Lines{"go"}));
  EXPECT_EQ(Split({"\n\r\n", "\n"}), Lines{});
  EXPECT_EQ(Split({"isready\nqu", "it"}, true), (Lines{"isready", "quit"}));
  // The longest line is kept whole across reads; one more character drops the line, never splits it.
  const std::string longest(kMaxInputLine, 'x');
  EXPECT_EQ(Split({longest.substr(0, 7), longest.substr(7), "\rjunk\nyz\n"}), (Lines{longest, "yz"}));
  EXPECT_EQ(Split({longest, "yz\n", "go\n", longest + "y"}, true), (Lines{{kDroppedLine}, "go", {kDroppedLine}}));
}
