#include "platform/streamline.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/input.h"

// The lines a stream of text hands back, one read each, until it ends.
static std::vector<std::string> ReadAll(const std::string& text) {
  std::FILE* f = std::tmpfile();
  std::fwrite(text.data(), 1, text.size(), f);
  std::rewind(f);
  static char out[kReadSize];
  std::vector<std::string> lines;
  for (int n; (n = ReadStreamLine(f, out)) >= 0;) {
    EXPECT_EQ(out[n - 1], '\n');
    lines.emplace_back(out, size_t(n - 1));
  }
  std::fclose(f);
  return lines;
}

TEST(StreamLine, KeepsLinesWholeUpToTheLimitAndDropsLongerOnes) {
  using Lines = std::vector<std::string>;
  const std::string longest(kMaxInputLine, 'x');
  const std::string dropped(1, kDroppedLine);
  EXPECT_EQ(ReadAll("uci\r\n\nisready"), (Lines{"uci", "", "isready"}));
  EXPECT_EQ(ReadAll(longest + "\n" + longest + "\r\n" + longest + "\rjunk\nend\n"),
            (Lines{longest, longest, longest, "end"}));
  EXPECT_EQ(ReadAll(longest + "y\ngo\n" + longest + "yz\r\n" + longest + longest + "\nquit"),
            (Lines{dropped, "go", dropped, dropped, "quit"}));
  EXPECT_EQ(ReadAll("go\n" + longest + "y"), (Lines{"go", dropped}));
}
