// The console's load and save against the game files of other programs.
#include <sstream>

#include "console_fixture.h"

// 170 plies on one line, with move numbers, marks, glyphs, control bytes, tabs
// and Windows line ends, load as typed; saved, both castlings are written as
// every reader takes them, and the game loads back.
TEST_F(ConsoleTest, OneLineAnnotatedGamesLoadAndSavedGamesReadBack) {
  InTempDir dir;
  const auto played = [] { return Epd() + " " + std::to_string(CTD->game_ply); };
  std::string moves;
  for (int i = 0; i < 40; i++) moves += "Nf3 Nf6 Ng1 Ng8 ";
  std::istringstream in(moves + "e4 d5 Nf3 Nc6 Bc4 Bf5 O-O Qd7 d3 0-0-0");
  const std::string marks[] = {"!", "?", "!!", "??", "!?", "?!", "$1", " $14", ""};
  std::string line;
  Run("new");
  for (std::string m; in >> m; Run(m)) {
    const int n = CTD->game_ply;
    line += (n % 2 ? "" : std::to_string(n / 2 + 1) + ".") + m[0] + (n % 3 ? std::string(1, '\0') : "\x01") +
            m.substr(1) + marks[n % 9] + (n % 4 ? " " : "\t");
  }
  const std::string typed = played();
  ASSERT_EQ(CTD->game_ply, 170);
  ASSERT_GT(line.size(), 1023u);
  WriteFile("g.pgn", "[Event \"x\"]\r\n\r\n" + line + "1-0\r\n");
  Run("new");
  Run("load g.pgn");
  EXPECT_EQ(played(), typed);

  Run("save");
  EXPECT_NE(ReadFile("tmp.pgn").find("\nBf5 O-O Qd7 d3 O-O-O \n\n"), std::string::npos);
  Run("new");
  Run("load tmp.pgn");
  EXPECT_EQ(played(), typed);
}

// Black moves first from the FEN; a FEN that sets no position loads nothing.
TEST_F(ConsoleTest, LoadStartsAGameFromItsFenTag) {
  InTempDir dir;
  const auto played = [] { return Epd() + " " + std::to_string(CTD->game_ply); };
  WriteFile("g.pgn", "[Event \"R\"]\n[SetUp \"1\"]\n[FEN \"8/8/4k3/8/2R5/8/3PK3/7r b - - 0 1\"]\n\n1... Rh2+ 2. Ke3 Rh3+ 0-1\n"
                     "[Event \"B\"]\n[SetUp \"1\"]\n[FEN \"8/8/8/8/8/8/8/8 w - - 0 1\"]\n\n1. e4 e5 *\n");
  Run("load g.pgn");
  EXPECT_EQ(played(), "8/8/4k3/8/2R5/4K2r/3P4/8 w - - 3");
  EXPECT_NE(Run("load g.pgn 2").find("\nIllegal EPD - 8/8/8/8/8/8/8/8 w - - 0 1\n"), std::string::npos);
  EXPECT_EQ(played(), std::string(fen_opn) + " 0");
}
