#include "platform/pipelines.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// Feeds the reads in order, then the end of input when ended, and returns the
// lines handed back.
static std::vector<std::string> Split(const std::vector<std::string>& reads, bool ended = false) {
  static PipeLines lines;
  lines.held_len = 0;
  lines.text_ended = lines.too_long = false;
  std::vector<std::string> out;
  static char buf[kReadSize];
  for (size_t i = 0; i < reads.size(); i++) {
    const std::string& read = reads[i];
    int n = SplitPipeBytes(lines, read.data(), int(read.size()), buf);
    if (ended && i + 1 == reads.size()) n += EndPipeLines(lines, buf + n);
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
  // The last line needs no line end once the input has ended.
  EXPECT_EQ(Split({"isready\nqu", "it"}, true), (Lines{"isready", "quit"}));
  EXPECT_EQ(Split({"isready\n"}, true), Lines{"isready"});

  // The longest line is kept whole across reads, even with a carriage return
  // and junk behind it; one more character drops the line, never splits it.
  const std::string longest(kMaxInputLine, 'x');
  const std::string dropped(1, kDroppedLine);
  EXPECT_EQ(Split({longest.substr(0, 7), longest.substr(7), "\r" + longest + "\nyz\n"}), (Lines{longest, "yz"}));
  EXPECT_EQ(Split({longest, "yz\n", "go\n"}), (Lines{dropped, "go"}));
  EXPECT_EQ(Split({longest + longest + "\ngo\n"}), (Lines{dropped, "go"}));
  EXPECT_EQ(Split({"go\n", longest + "y"}, true), (Lines{"go", dropped}));
}
