// Text inputs are read past a byte-order mark, and a directory is said in one
// line instead of being read as an empty file.
#include <gtest/gtest.h>

#include <filesystem>

#include "console_fixture.h"
#include "engine/infile.h"

TEST_F(ConsoleTest, MarksAreSkippedOtherBytesKeptAndADirectoryLeavesTheGame) {
  InTempDir dir;
  const std::string mark = "\xEF\xBB\xBF";
  WriteFile("f", "\xEF\xBB" "x");  // a mark begun is text
  FILE* f = OpenInput("f");
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(std::getc(f), 0xEF);
  std::fclose(f);

  WriteFile("mark.pgn", mark + "[Event \"a\"]\n1. e4 e5 2. Nf3 *\n");
  Run("load mark.pgn");
  EXPECT_EQ(CTD->game_ply, 3);
  const std::string loaded = Epd();
  std::filesystem::create_directory("d.pgn");
  EXPECT_EQ(Run("load d.pgn"), "loading d.pgn, tag \n\ncan't read d.pgn\n");
  EXPECT_EQ(Epd(), loaded);
  WriteFile("test.epd", mark + "r3k3/8/8/8/8/8/8/4K3 b q - id \"first\";\n");
  Run("get first");
  EXPECT_EQ(Epd(), "r3k3/8/8/8/8/8/8/4K3 b q -");
}
