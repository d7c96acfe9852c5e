// The console's load and save against the game files of other programs, and
// its text inputs: read past a byte-order mark, never from a directory.
#include <sstream>

#include "console_fixture.h"
#include "engine/infile.h"

// 170 plies on one line of over 1023 characters, with numbers, marks, glyphs, control bytes, tabs and
// Windows line ends, load as typed; saved with castlings as every reader takes them, they load back.
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
  WriteFile("g.pgn", "\xEF\xBB\xBF[Event \"x\"]\r\n\r\n" + line + "1-0\r\n");  // after a byte-order mark
  Run("new");
  Run("load g.pgn");
  EXPECT_EQ(played(), typed);

  Run("save");
  EXPECT_NE(ReadFile("tmp.pgn").find("\nBf5 O-O Qd7 d3 O-O-O *\n\n"), std::string::npos);
  Run("new");
  Run("load tmp.pgn");
  EXPECT_EQ(played(), typed);

  WriteFile("test.epd", "\xEF\xBB\xBFr3k3/8/8/8/8/8/8/4K3 b q - id \"first\";\n");
  Run("get first");
  EXPECT_EQ(Epd(), "r3k3/8/8/8/8/8/8/4K3 b q -");
  WriteFile("f", "\xEF\xBB" "x");  // a mark begun is text
  FILE* f = OpenInput("f");
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(std::getc(f), 0xEF);
  std::fclose(f);
}

// Black moves first from the FEN; a directory is said in one line and leaves
// the game; a FEN that sets no position loads nothing and leaves the game as
// it was; "save" writes the FEN.
TEST_F(ConsoleTest, LoadStartsAGameFromItsFenTag) {
  InTempDir dir;
  const auto played = [] { return Epd() + " " + std::to_string(CTD->game_ply); };
  WriteFile("g.pgn", "[Event \"R\"]\n[SetUp \"1\"]\n[FEN \"8/8/4k3/8/2R5/8/3PK3/7r b - - 0 1\"]\n\n1... Rh2+ 2. Ke3 Rh3+ 0-1\n"
                     "[Event \"B\"]\n[SetUp \"1\"]\n[FEN \"8/8/8/8/8/8/8/8 w - - 0 1\"]\n\n1. e4 e5 *\n");
  Run("load g.pgn");
  EXPECT_EQ(played(), "8/8/4k3/8/2R5/4K2r/3P4/8 w - - 3");
  std::filesystem::create_directory("d.pgn");
  EXPECT_EQ(Run("load d.pgn"), "loading d.pgn, tag \n\ncan't read d.pgn\n");
  EXPECT_EQ(played(), "8/8/4k3/8/2R5/4K2r/3P4/8 w - - 3");
  EXPECT_EQ(Run("load g.pgn 2"), "loading g.pgn, tag 2\n\ngame 2: Illegal EPD - 8/8/8/8/8/8/8/8 w - - 0 1\n");
  EXPECT_EQ(played(), "8/8/4k3/8/2R5/4K2r/3P4/8 w - - 3");
  Run("undo");
  EXPECT_EQ(played(), "8/8/4k3/8/2R5/4K3/3P3r/8 b - - 2");
  // A set-up game is saved with its start and loads back.
  for (const char* line : {"fen 4k3/8/8/8/8/8/4P3/4K3 w - -", "e4", "Kd7", "e5", "save", "new", "load tmp.pgn"}) Run(line);
  EXPECT_EQ(played(), "8/3k4/8/4P3/8/8/8/4K3 b - - 3");
  EXPECT_EQ(ReadFile("tmp.pgn"), "[Event \"Unknown\"]\n[SetUp \"1\"]\n[FEN \"4k3/8/8/8/8/8/4P3/4K3 w - - 0 1\"]\n\ne4 Kd7 e5 *\n\n");
}

// Games are found as the tools find them, with or without tags; the search
// text is looked for in the tags and its game read from the start, FEN tag
// first; a game that is not there, or a move that names two, costs one line.
TEST_F(ConsoleTest, LoadFindsGamesAsTheToolsDo) {
  InTempDir dir;
  WriteFile("g.pgn", "1. e4 e5 1-0\n\n1. d4 {as Karpov played} d5 0-1\n\n[Event \"x\"]\n[SetUp \"1\"]\n"
                     "[FEN \"4k3/8/8/8/8/8/4P3/4K3 w - - 0 1\"]\n[Black \"Karpov\"]\n\n1. e4 Kd7 *\n\n"
                     "1. Nf3 Nf6 2. d4 d5 3. Nd2 e6 *\n");
  Run("load g.pgn 2");
  EXPECT_EQ(Epd(), "rnbqkbnr/ppp1pppp/8/3p4/3P4/8/PPP1PPPP/RNBQKBNR w KQkq d6");
  Run("load g.pgn Karpov");
  EXPECT_EQ(Epd(), "8/3k4/8/8/4P3/8/8/4K3 w - -");
  for (const std::string game : {"5", "0", "Kasparov"})
    EXPECT_EQ(Run("load g.pgn " + game), "loading g.pgn, tag " + game + "\n\nno game " +
                                              (game[0] == 'K' ? "with 'Kasparov' in its tags" : game) + " in g.pgn\n");
  EXPECT_EQ(Epd(), "8/3k4/8/8/4P3/8/8/4K3 w - -");
  EXPECT_EQ(Run("load g.pgn 4").substr(0, 43), "loading g.pgn, tag 4\n\nambiguous move 'Nd2'\n");
  EXPECT_EQ(CTD->game_ply, 4);
}
