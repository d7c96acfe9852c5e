#include "engine/textline.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/test/tempdir.h"

// An over-long line is skipped whole; lines that just fit, a line with a NUL
// and a last line without a line end are kept, none with its line end.
TEST(TextLine, SkipsOverLongLinesWhole) {
  InTempDir tmp;
  const std::string fits(15, 'f');
  WriteFile("t.txt", "short\n" + std::string(300, 'x') + "\nafter\n" + fits + "\n" + fits + "y\nnul" + std::string(1, '\0') + "byte\nlast");
  FILE* f = std::fopen("t.txt", "r");
  ASSERT_TRUE(f);
  char buf[16];
  int skipped = 0;
  std::vector<std::string> lines;
  while (ReadTextLine(f, buf, sizeof buf, &skipped)) lines.push_back(buf);
  std::fclose(f);
  EXPECT_EQ(lines, (std::vector<std::string>{"short", "after", fits, "nul", "last"}));
  EXPECT_EQ(skipped, 2);
}
