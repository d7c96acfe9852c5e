// The scanner on real engine games, checked against a replay of its own, on the layouts of
// our self-play files and of exports, and on games set up from a FEN tag.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <regex>
#include <set>

#include "board/attacks.h"
#include "run_tool.h"

namespace {

const std::string kGames = std::string(KERV_TESTDATA_DIR) + "/book/games.pgn";
const std::string kPgnData = std::string(KERV_TESTDATA_DIR) + "/pgn/";

// For each "position bm move" of the games, the operations that scan modes
// 2, 3 and 4 may write after it, and the number of positions mode 3 takes.
struct Expected {
  int games = 0, scored = 0;
  std::map<std::string, std::set<std::string>> ops[5];
};

Expected ReplayGames() {
  Expected e;
  std::vector<std::pair<std::string, std::string>> games;  // result, move text
  for (const std::string& line : Lines(ReadFile(kGames))) {
    if (line.rfind("[Event ", 0) == 0) games.push_back({});
    if (line.rfind("[Result \"", 0) == 0) games.back().first = line.substr(9, line.find('"', 9) - 9);
    if (!line.empty() && line[0] != '[') games.back().second += line + " ";
  }
  const std::regex move_re("([A-Za-z][^\\s{]*)\\s*\\{([^}]*)\\}");
  GameBoard b;
  for (const auto& [result, text] : games) {
    e.games++;
    b.Set("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -");
    std::vector<std::pair<std::string, int>> rec;  // move, mover's score
    for (std::sregex_iterator m(text.begin(), text.end(), move_re), end; m != end; ++m) {
      const std::string c = (*m)[2];
      const int mate = c[0] == '-' ? -9000 : 9000;
      const int cp = c == "book" ? 0 : c[2] == 'M' || c[1] == 'M' ? mate : int(std::lround(std::stod(c) * 100));
      rec.push_back({(*m)[1], std::clamp(cp, -9999, 9999)});
    }
    for (size_t i = 0, scoring = 1; i < rec.size(); i++) {
      char epd[256];
      MakeEPD(b.pos(), epd);
      const std::string key = std::string(epd) + " bm " + rec[i].first, ce = "ce " + std::to_string(rec[i].second);
      const int side = b.pos()->side;
      if (i + 6 < rec.size())
        e.ops[2][key].insert(ce + "; c6 " + std::to_string(rec[i + 6].second) + "; c9 \"" + result + "\";");
      e.ops[3][key].insert(ce + ";");
      const bool won = (result == "1-0") == (side == White);
      e.ops[4][key].insert(ce + "; tune " + (result == "1/2-1/2" ? "0.50000" : won ? "1.00000" : "0.00000") + ";");
      e.scored += scoring && i < 201 && !SqAtakd(b.pos(), b.pos()->list[side][King][0], side ^ 1);
      scoring = scoring && std::abs(rec[i].second) <= 500;
      if (!b.Play(b.Read(rec[i].first))) break;
    }
  }
  return e;
}

enum Layout { Wrapped, OneLine, Marked, Damaged };

// The first 150 shared games: wrapped at 80 columns, or their moves on one line with marks and
// glyphs, or control bytes in the moves, tabs among the blanks and Windows line ends.
std::string Games(Layout layout) {
  const char* marks[] = {"!", "?", "!!", "??", "!?", "?!", "$1", " $14", "!$3", ""};
  const std::string eol = layout == Damaged ? "\r\n" : "\n";
  std::string out, line;
  int games = 0, n = 0;
  bool comment = false;
  for (const std::string& l : Lines(ReadFile(kGames))) {
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

// What the scans in modes 1 to 4 and the book writer print, and what they
// write; the book writer ends with book_status (1: no book to write).
std::pair<std::string, std::string> Outputs(const std::string& pgn, int book_status = 0) {
  InTempDir tmp;
  WriteFile(tmp.dir + "/g.pgn", pgn);
  std::string shown, written;
  for (const std::string mode : {"1", "2", "3", "4"}) {
    shown += RunTool(tmp.dir, "-scan_pgn" + mode + " g.pgn").back() + "\n";
    written += ReadFile(tmp.dir + (mode == "1" ? "/tmp.pgn" : "/tmp.epd")) + ReadFile(tmp.dir + "/tmpX.epd");
  }
  shown += RunTool(tmp.dir, "-mkbook g.pgn", "", book_status).at(book_status ? 2 : 3);
  return {shown, written + ReadFile(tmp.dir + "/tmp_book.bin")};
}

// Outputs without their move texts: the listing's move column, bm and am.
std::string WithoutMoves(const std::string& written) {
  static const std::regex column("^(.{6})\\S+ +\\{"), operation("(bm|am) [^;]*;");
  std::string out;
  for (const std::string& l : Lines(written)) out += std::regex_replace(std::regex_replace(l, column, "$1{"), operation, "") + "\n";
  return out;
}

// The line the console shows after "load g.pgn n", for n = 1 .. games + 1.
std::vector<std::string> LoadedGames(const std::string& dir, int games) {
  std::string in;
  for (int n = 1; n <= games + 1; n++) in += "load g.pgn " + std::to_string(n) + "\n";
  const auto out = RunTool(dir, "-c", in + "quit\n");
  std::vector<std::string> shown;
  for (size_t i = 0; i + 2 < out.size(); i++)
    if (out[i].rfind("loading ", 0) == 0) shown.push_back(out[i + 2]);
  return shown;
}

}  // namespace

TEST(PgnScan, GamesGiveOnlyTheirOwnScoresAndResults) {
  const Expected e = ReplayGames();
  ASSERT_EQ(e.games, 420);
  for (const int mode : {1, 2, 3, 4}) {
    InTempDir tmp;
    const auto shown = RunTool(tmp.dir, "-scan_pgn" + std::to_string(mode) + " " + kGames);
    const auto out = Lines(ReadFile(tmp.dir + (mode == 1 ? "/tmpX.epd" : "/tmp.epd")));
    const size_t n = out.size() - (mode > 1);  // the scan ends its file with an empty line
    EXPECT_EQ(shown, (std::vector<std::string>{"game 100", "game 200", "game 300", "game 400",
                                               "games= 420, positions= " + std::to_string(n)}));
    if (mode == 1) {
      const std::string listing = ReadFile(tmp.dir + "/tmp.pgn");
      EXPECT_EQ(std::count(listing.begin(), listing.end(), '!'), std::ptrdiff_t(n));
      continue;
    }
    if (mode == 3) {
      EXPECT_EQ(int(n), e.scored);
    }
    EXPECT_EQ(ReadFile(tmp.dir + "/tmpX.epd"), "");
    for (size_t i = 0; i < n; i++) {
      const size_t semi = out[i].find(';');
      const auto found = e.ops[mode].find(out[i].substr(0, semi));
      ASSERT_NE(found, e.ops[mode].end()) << out[i];
      EXPECT_TRUE(found->second.count(out[i].substr(semi + 2))) << out[i];
    }
  }
}

// Standard games with promotion, castling, NAGs, marks, comments with and
// without scores and a variation; then our self-play layouts, old and new, and
// a game without a result.
TEST(PgnScan, SmallGamesAreReadToTheirEnds) {
  const std::string pgn = (std::filesystem::path(__FILE__).parent_path() / "small.pgn").string();
  InTempDir tmp;
  EXPECT_EQ(RunTool(tmp.dir, "-scan_pgn1 " + pgn), std::vector<std::string>{"games= 5, positions= 0"});
  std::string moves, listing;
  for (const std::string& l : Lines(ReadFile(tmp.dir + "/tmp.pgn"))) {
    if (l.empty()) moves += "|";
    if (l.empty() || l[0] == '[') continue;
    moves += l.substr(6, l.find(' ', 6) - 6) + " ";
    listing += l + "\n";
  }
  std::string shuffle;
  for (int i = 0; i < 6; i++) shuffle += "g1f3 g8f6 f3g1 f6g8 ";
  EXPECT_EQ(moves,
            "e4 d5 exd5 c6 dxc6 Nf6 cxb7 Nbd7 bxa8=Q Qa5 Nf3 e6 Be2 Bc5 O-O O-O Qxc8 Rxc8 |d4 d5 c4 |"
            "f2f3 e7e5 g2g4 d8h4 |a2a4 h7h5 a4a5 b7b5 a5b6 h5h4 b6b7 h4h3 b7a8q h3g2 a8b8 g2h1n |" +
                shuffle + "||");
  for (const char* line : {"      c6      {  0.25}", "      e6      {}", "      Bc5     { 90.00}",
                           "  9.  Qxc8    { 99.99}", "      d8h4    {-99.99}", "      g2h1n   {  9.00}"})
    EXPECT_NE(listing.find(std::string(line) + "\n"), std::string::npos) << line;
  // The game without a result is long enough for mode 2; its first move has no score.
  EXPECT_EQ(RunTool(tmp.dir, "-scan_pgn2 " + pgn).back(), "games= 5, positions= 0");
  EXPECT_EQ(RunTool(tmp.dir, "-scan_pgn3 " + pgn).back(), "games= 5, positions= 48");
}

// Game 99 of the games file leaves out the knight that is pinned (21...Nf8),
// as does 8.Ne2 below; with variations, ';' comments and '%' lines between
// their moves the games read the same. Scores too large for a number are none.
TEST(PgnScan, VariationsAndEscapesReadAsTheGameWithoutThem) {
  const auto lines = Lines(ReadFile(kGames));
  auto l = lines.begin();
  for (int game = 0; game < 99; ++l) game += l->rfind("[Event ", 0) == 0;
  const std::string pin = "[Event \"\"]\n1. d4 Nf6 2. c4 e6 3. Nc3 Bb4 4. e3 b6 5. Ne2 Ba6 6. Ng3 h5 7. Bd3 h4 8. Ne2 g5 *\n";
  const size_t cut = pin.find("3.");
  std::string plain = pin + "[Event \"\"]\n";
  std::string dressed = pin.substr(0, cut) + "(2... g6 3. Nc3 (3. Nf3 {a (note}) Bg7) ; (\n% (\n" + pin.substr(cut) + "[Event \"\"]\n";
  // After each line that begins with Black's move.
  for (; l != lines.end() && l->rfind("[Event ", 0); ++l) {
    plain += *l + "\n";
    dressed += *l + (l->find('{') < 4 ? " (1. e4 (1. d4 {x)}) ; (\n% (\n)\n" : "\n");
  }
  const std::string odd = "[Event \"\"]\n1. e4 {eval 4294967306} e5 {+99999999999.0/12} 2. Nf3 {nan/3} *\n";
  InTempDir tmp;
  WriteFile(tmp.dir + "/plain.pgn", plain + odd);
  WriteFile(tmp.dir + "/dressed.pgn", dressed + odd);
  RunTool(tmp.dir, "-scan_pgn1 dressed.pgn");
  const std::string listing = ReadFile(tmp.dir + "/tmp.pgn");
  EXPECT_EQ(RunTool(tmp.dir, "-scan_pgn1 plain.pgn"), std::vector<std::string>{"games= 3, positions= 4"});
  EXPECT_EQ(ReadFile(tmp.dir + "/tmp.pgn"), listing);
  for (const char* line : {"  8.  Ne2     {}\n      g5      {}\n\n", "      Nf8     { 17.34}\n", " 38.  Rc8     { 90.00}\n\n",
                           "  1.  e4      {}\n      e5      {}\n  2.  Nf3     {}\n"})
    EXPECT_NE(listing.find(line), std::string::npos) << line;
}

TEST(PgnLayouts, EveryLayoutGivesTheSameBookAndScans) {
  const auto wrapped = Outputs(Games(Wrapped));
  EXPECT_EQ(wrapped.first, "games= 150, positions= 504\ngames= 150, positions= 15348\ngames= 150, positions= 12628\n"
                           "games= 150, positions= 25\nngames= 150, nmoves= 3731");
  for (const Layout layout : {OneLine, Marked, Damaged}) EXPECT_TRUE(Outputs(Games(layout)) == wrapped) << layout;
}

// Black moves first in the rook ending, and the positions, labels and White-view "eval" signs
// follow; a FEN that sets no position skips its game; the book takes start-position games only.
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

// Lines of a comment that spans lines are comment text, whatever they begin
// with: the scans read the game on, and a "[Result" line starts no game in the
// book writer. The en-passant suffix, glued or apart, is read with its move.
TEST(PgnLayouts, CommentLinesAndEnPassantSuffixesReadAsTheGame) {
  const std::string game = "[Event \"c\"]\n[Result \"1-0\"]\n\n1. e4 {+0.3/9 a note\n[Site \"x\"]\n[Result \"0-1\"]\n"
                           "see above} a6 {-0.2/9} 2. e5 {+0.4/9} f5 {-0.3/9} 3. exf6 e.p. {+0.5/9} Nxf6 {-0.4/9}\n"
                           "4. d4 {+0.1/9} a5 {-0.1/9} 5. d5 {+0.2/9} e5 {-0.2/9} 6. dxe6e.p. {+0.3/9} dxe6 {-0.3/9}\n"
                           "1-0\n\n";
  InTempDir tmp;
  WriteFile(tmp.dir + "/g.pgn", game + game + game);
  EXPECT_EQ(RunTool(tmp.dir, "-scan_pgn3 g.pgn"), std::vector<std::string>{"games= 3, positions= 36"});
  RunTool(tmp.dir, "-scan_pgn1 g.pgn");
  EXPECT_NE(ReadFile(tmp.dir + "/tmp.pgn").find("  6.  dxe6    {  0.30}\n      dxe6    {  0.30}\n"), std::string::npos);
  // Each of the 12 moves won three times.
  EXPECT_EQ(RunTool(tmp.dir, "-mkbook g.pgn").at(3), "ngames= 3, nmoves= 12");
  EXPECT_EQ(ReadFile(tmp.dir + "/tmp_book.bin").size(), 6u * 16);
}

// "[%eval x]" is White's view in pawns, "#n" and "#-n" a mate for White and for Black.
TEST(PgnScan, AnnotatedEvaluationsAreReadAsPawns) {
  InTempDir tmp;
  WriteFile(tmp.dir + "/g.pgn",
            "[Event \"l\"]\n\n1. e4 {[%eval 0.43]} e5 {[%eval 4.14] [%clk 0:03:00]} 2. Nf3 { [%eval -1.5,20] }\n"
            "Nc6 {[%eval #3]} 3. Bb5 {[%eval #-12]} a6 {[%eval x]} *\n");
  EXPECT_EQ(RunTool(tmp.dir, "-scan_pgn3 g.pgn"), std::vector<std::string>{"games= 1, positions= 4"});
  const auto epd = Lines(ReadFile(tmp.dir + "/tmp.epd"));
  ASSERT_EQ(epd.size(), 5u);
  const char* scores[] = {"bm e4; ce 43;", "bm e5; ce -414;", "bm Nf3; ce -150;", "bm Nc6; ce -9000;"};
  for (int i = 0; i < 4; i++) EXPECT_EQ(epd[i].substr(epd[i].find(" bm ") + 1), scores[i]);
  RunTool(tmp.dir, "-scan_pgn1 g.pgn");
  EXPECT_NE(ReadFile(tmp.dir + "/tmp.pgn").find("      Nc6     { 90.00}\n  3.  Bb5     {-90.00}\n      a6      {}\n"),
            std::string::npos);
}

// Games without an Event tag, or without any tag, count; a game of 1,000
// plies is listed to its end.
TEST(PgnScan, EveryGameCountsAndLongGamesAreListedWhole) {
  const char* shuffle[] = {"Nf3", "Nf6", "Ng1", "Ng8"};
  std::string moves;
  for (int ply = 0; ply < 1000; ply++)
    moves += (ply % 2 ? "" : std::to_string(ply / 2 + 1) + ". ") + shuffle[ply % 4] + (ply % 12 == 11 ? "\n" : " ");
  InTempDir tmp;
  WriteFile(tmp.dir + "/g.pgn", "1. e4 e5 *\n\n[Site \"a\"]\n[Result \"1/2-1/2\"]\n\n" + moves +
                                    "1/2-1/2\n\n[White \"b\"]\n\n1. d4 d5 *\n\n[Round \"1\"]\n\n2. e4 *\n");
  EXPECT_EQ(RunTool(tmp.dir, "-scan_pgn1 g.pgn"), std::vector<std::string>{"games= 4, positions= 0"});
  const auto listing = Lines(ReadFile(tmp.dir + "/tmp.pgn"));
  EXPECT_EQ(std::count_if(listing.begin(), listing.end(), [](const std::string& l) { return l.ends_with("{}"); }),
            2 + 1000 + 2 + 1);
  EXPECT_NE(std::find(listing.begin(), listing.end(), "500.  Ng1     {}"), listing.end());
  EXPECT_NE(std::find(listing.begin(), listing.end(), "      Ng8     {}"), listing.end());
}

// A brace comment ends at its first '}'; a comment or variation left open ends
// at the next Event tag, or at a tag after a blank line. Every reader finds
// the seven games and the moves of each, whichever way the lines end.
TEST(PgnLayouts, OpenBracesAndParenthesesCostNoLaterGame) {
  const std::string pgn = ReadFile(kPgnData + "braces.pgn");
  const auto lf = Outputs(pgn, 1);
  EXPECT_EQ(lf.first, "games= 7, positions= 0\ngames= 7, positions= 0\ngames= 7, positions= 14\n"
                      "games= 7, positions= 0\nno move of the 7 games won 3 times with 4 x wins - 2 x losses + "
                      "draws of 10 or more: tmp_book.bin would be empty, not written");
  std::string cr = pgn, crlf;
  std::replace(cr.begin(), cr.end(), '\n', '\r');
  for (const char c : pgn) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  EXPECT_TRUE(Outputs(cr, 1) == lf);
  EXPECT_TRUE(Outputs(crlf, 1) == lf);
  InTempDir tmp;
  WriteFile(tmp.dir + "/g.pgn", cr);
  EXPECT_EQ(LoadedGames(tmp.dir, 7),
            (std::vector<std::string>{"rnbqkbnr/pppp1ppp/8/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R b KQkq -",
                                      "rnbqkbnr/ppp1pppp/8/3p4/2PP4/8/PP2PPPP/RNBQKBNR b KQkq c3",
                                      "rnbqkbnr/pp1ppppp/8/2p5/2P5/8/PP1PPPPP/RNBQKBNR w KQkq c6",
                                      "rnbqkbnr/pppppppp/8/8/8/5N2/PPPPPPPP/RNBQKB1R b KQkq -",
                                      "r1bqkbnr/pppp1ppp/2n5/4p3/8/1P6/PBPPPPPP/RN1QKBNR w KQkq -",
                                      "rnbqkb1r/pppppppp/5n2/8/3P4/8/PPP1PPPP/RNBQKBNR w KQkq -",
                                      "rnbqkbnr/pppppp1p/6p1/8/8/6P1/PPPPPP1P/RNBQKBNR w KQkq -",
                                      "no game 8 in g.pgn"}));
}

// Long algebraic, with a hyphen, an "x" or neither and captures with or
// without their "x", reads as the same games: the scans and the book writer
// (of each file three times, so that moves win thrice) give what they give
// for the standard notation, the move texts aside.
TEST(PgnLayouts, LongAlgebraicReadsAsTheSameGames) {
  const auto Thrice = [](const std::string& name) {
    const std::string games = ReadFile(kPgnData + name);
    return games + games + games;
  };
  const auto san = Outputs(Thrice("san.pgn"));
  EXPECT_EQ(san.first, "games= 12, positions= 45\ngames= 12, positions= 1164\ngames= 12, positions= 1134\n"
                       "games= 12, positions= 0\nngames= 12, nmoves= 130");
  for (const char* form : {"long_hyphen.pgn", "long_x.pgn", "long_plain.pgn", "long_x_plain.pgn"}) {
    const auto lan = Outputs(Thrice(form));
    EXPECT_EQ(lan.first, san.first) << form;
    EXPECT_EQ(WithoutMoves(lan.second), WithoutMoves(san.second)) << form;
  }
}

// Games without tags count and take their result from their move text; a
// move that cannot be read, or that names two, ends its game with one line
// that names the game.
TEST(PgnScan, GamesWithoutTagsCountAndRefusedMovesAreNamed) {
  std::string pgn;
  for (int i = 0; i < 3; i++) pgn += "1. e4 e5 2. Nf3 1-0\n\n1. d4 d5 0-1 1. c4 1/2-1/2\n";
  pgn += "[Event \"a\"]\n[Result \"1-0\"]\n\n1. Nf3 Nf6 2. d4 d5 3. Nd2 e6 1-0\n\n1. e4 e5 2. Xz9 1-0\n";
  InTempDir tmp;
  WriteFile(tmp.dir + "/g.pgn", pgn);
  const std::vector<std::string> named = {"game 10: ambiguous move 'Nd2'", "game 11: can't parse move 'Xz9'"};
  auto expected = named;
  expected.push_back("games= 11, positions= 0");
  EXPECT_EQ(RunTool(tmp.dir, "-scan_pgn1 g.pgn"), expected);
  expected = {" Creating file tmp_book.bin from games in g.pgn", named[0], named[1], "", "writing book file ...",
              "ngames= 11, nmoves= 10", "done"};
  EXPECT_EQ(RunTool(tmp.dir, "-mkbook g.pgn"), expected);
  // 1.e4 won four times, 2.Nf3 and 1...d5 three times.
  EXPECT_EQ(ReadFile(tmp.dir + "/tmp_book.bin").size(), 3u * 16);
}

// A null move, however written, ends its game in one line naming it in every reader, so that no later move
// is read for the wrong side; "ep" after an en-passant capture, glued or apart, reads as "e.p." does.
TEST(PgnLayouts, NullMovesEndTheirGameAndEpMarksEnPassant) {
  InTempDir tmp;
  WriteFile(tmp.dir + "/g.pgn", ReadFile(kPgnData + "null_ep.pgn"));
  std::vector<std::string> named;
  for (const char* null : {"--", "0000", "Z0", "@@@@"})
    named.push_back("game " + std::to_string(named.size() + 1) + ": can't parse move '" + null + "'");
  const auto scan = RunTool(tmp.dir, "-scan_pgn3 g.pgn"), book = RunTool(tmp.dir, "-mkbook g.pgn");
  EXPECT_EQ(std::vector(scan.begin(), scan.end() - 1), named);
  EXPECT_EQ(scan.back(), "games= 7, positions= 40");  // e4 of each null game, the en-passant games whole
  EXPECT_EQ(std::vector(book.begin() + 1, book.begin() + 5), named);
  EXPECT_EQ(ReadFile(tmp.dir + "/tmp_book.bin").size(), 6u * 16);  // White's moves won thrice
  const auto shown = RunTool(tmp.dir, "-c", "load g.pgn 1\nsave\nload g.pgn 5\nsave\nquit\n");
  EXPECT_NE(std::find(shown.begin(), shown.end(), named[0].substr(8)), shown.end());
  EXPECT_EQ(ReadFile(tmp.dir + "/tmp.pgn"), "[Event \"Unknown\"]\n\ne4 *\n\n[Event \"Unknown\"]\n\n"
                                            "e4 a6 e5 d5 exd6 cxd6 d4 a5 d5 e5 dxe6\nfxe6 *\n\n");
}
