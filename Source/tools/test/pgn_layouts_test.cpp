// The same games in the layouts that exports write give the same book and the
// same scans; games set up from a FEN tag start there or stay out.
#include <gtest/gtest.h>

#include "run_tool.h"

namespace {

enum Layout { Wrapped, OneLine, Marked, Damaged };

// The first 150 shared games; wrapped at 80 columns, or their move text on one
// line with marks and glyphs after the moves, or control bytes in the moves,
// tabs among the blanks and Windows line ends.
std::string Games(Layout layout) {
  const char* marks[] = {"!", "?", "!!", "??", "!?", "?!", "$1", " $14", "!$3", ""};
  const std::string eol = layout == Damaged ? "\r\n" : "\n";
  std::string out, line;
  int games = 0, n = 0;
  bool comment = false;
  for (const std::string& l : Lines(ReadFile(KERV_TESTDATA_DIR "/book/games.pgn"))) {
    if ((games += l.rfind("[Event ", 0) == 0) > 150) break;
    std::istringstream words(l[0] == '[' ? "" : l);
    for (std::string w; words >> w;) {
      const bool move = !comment && std::isalpha(static_cast<unsigned char>(w[0]));
      comment = (comment || w[0] == '{') && w.back() != '}';
      if (move && layout == Marked) w += marks[n++ % std::size(marks)];
      if (move && layout == Damaged) w.insert(1, n++ % 2 ? std::string(1, '\0') : "\x01\x1b");
      if (layout == Wrapped && !line.empty() && line.size() + w.size() >= 80) out += line + eol, line.clear();
      line += (line.empty() ? "" : n % 3 || layout != Damaged ? " " : "\t") + w;
    }
    if (l[0] == '[') out += (line.empty() ? "" : line + eol + eol) + l + eol, line.clear();
    if (l.empty() && line.empty()) out += eol;
  }
  return out + line + eol;
}

// What the scans in modes 1 to 4 and the book writer print, and what they write.
std::pair<std::string, std::string> Outputs(const std::string& pgn) {
  InTempDir tmp;
  WriteFile(tmp.dir + "/g.pgn", pgn);
  std::string shown, written;
  for (const std::string mode : {"1", "2", "3", "4"}) {
    shown += RunTool(tmp.dir, "-scan_pgn" + mode + " g.pgn").back() + "\n";
    written += ReadFile(tmp.dir + (mode == "1" ? "/tmp.pgn" : "/tmp.epd")) + ReadFile(tmp.dir + "/tmpX.epd");
  }
  shown += RunTool(tmp.dir, "-mkbook g.pgn").at(3);
  return {shown, written + ReadFile(tmp.dir + "/tmp_book.bin")};
}

}  // namespace

TEST(PgnLayouts, EveryLayoutGivesTheSameBookAndScans) {
  const auto wrapped = Outputs(Games(Wrapped));
  EXPECT_EQ(wrapped.first, "games= 150, positions= 504\ngames= 150, positions= 15348\ngames= 150, positions= 12628\n"
                           "games= 150, positions= 25\nngames= 150, nmoves= 3731");
  for (const Layout layout : {OneLine, Marked, Damaged}) EXPECT_TRUE(Outputs(Games(layout)) == wrapped) << layout;
}

// Black moves first in the rook ending: the positions, the move labels and the
// sign of a White-view "eval" follow from the FEN. A game whose FEN sets no
// position is skipped; the book takes only games from the start position.
TEST(PgnLayouts, GamesFromAFenTagStartThere) {
  const std::string rook = "[Event \"R\"]\n[Result \"0-1\"]\n[SetUp \"1\"]\n[FEN \"8/8/4k3/8/2R5/8/3PK3/7r b - - 0 1\"]\n\n"
                           "1... Rh2+ {eval 37, depth 12} 2. Ke3 {-0.50/10} Rh3+ {+0.60/10} 0-1\n\n";
  const std::string broken = "[Event \"B\"]\n[Result \"1-0\"]\n[FEN \"8/8/8/8/8/8/8/8 w - - 0 1\"]\n\n1. e4 {+0.1/5} 1-0\n\n";
  InTempDir tmp;
  WriteFile(tmp.dir + "/g.pgn", rook + broken + rook);
  EXPECT_EQ(RunTool(tmp.dir, "-scan_pgn4 g.pgn"),
            (std::vector<std::string>{"Illegal EPD - 8/8/8/8/8/8/8/8 w - - 0 1", "games= 3, positions= 6"}));
  const std::string positions = "8/8/4k3/8/2R5/8/3PK3/7r b - - bm Rh2+; ce -37; tune 1.00000;\n"
                                "8/8/4k3/8/2R5/8/3PK2r/8 w - - bm Ke3; ce -50; tune 0.00000;\n"
                                "8/8/4k3/8/2R5/4K3/3P3r/8 b - - bm Rh3+; ce 60; tune 1.00000;\n";
  EXPECT_EQ(ReadFile(tmp.dir + "/tmp.epd"), positions + positions + "\n");
  RunTool(tmp.dir, "-scan_pgn1 g.pgn");
  EXPECT_NE(ReadFile(tmp.dir + "/tmp.pgn").find("      Rh2+    {  0.37}\n  2.  Ke3     { -0.50}\n      Rh3+    { -0.60}\n"),
            std::string::npos);

  // Moves legal from the start too; the FEN tag before or after the Result tag.
  const std::string knight = "[FEN \"rnbqkbnr/pppppppp/8/8/8/5N2/PPPPPPPP/RNBQKB1R w KQkq - 0 1\"]\n";
  const std::string after = "[Event \"K\"]\n[Result \"1-0\"]\n" + knight + "\n1. e4 e5 2. Nc3 1-0\n\n";
  const std::string start = "[Event \"S\"]\n[Result \"1-0\"]\n[FEN \"" + std::string(fen_opn) + " 0 1\"]\n\n1. d4 1-0\n\n";
  WriteFile(tmp.dir + "/g.pgn", "[Event \"K\"]\n" + knight + "[Result \"1-0\"]\n\n1. e4 e5 2. Nc3 1-0\n\n" + after + after +
                                    start + start + start);
  EXPECT_EQ(RunTool(tmp.dir, "-mkbook g.pgn").at(3), "ngames= 6, nmoves= 1");
  EXPECT_EQ(ReadFile(tmp.dir + "/tmp_book.bin").size(), 16u);
}
