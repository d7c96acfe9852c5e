#include <string>
#include <tuple>
#include <utility>

#include "board/makemove.h"
#include "board/movetext.h"
#include "board_fixture.h"
#include "engine/params.h"

namespace {

class MoveTextTest : public BoardTest {
 protected:
  void SetUp() override {
    BoardTest::SetUp();
    CTD = td;
    PBlock.protocol = 0;
  }
  void TearDown() override {
    CTD = nullptr;
    BoardTest::TearDown();
  }

  // The four texts joined by "|".
  std::string Strings(Move m) {
    char c[kMoveTextSize], a[kMoveTextSize], f[kMoveTextSize], r[kMoveTextSize];
    GenMoveStrings(pos, m, c, a, f, r);
    return std::string(c) + "|" + a + "|" + f + "|" + r;
  }

  std::string San(Move m) {
    char out[kMoveTextSize];
    MoveToSan(pos, m, out);
    return out;
  }

  // Parses text; returns the move, the rewritten text and what was printed.
  Move Parse(const char* text, std::string* rewritten = nullptr, std::string* printed = nullptr) {
    char buf[128];
    std::snprintf(buf, sizeof buf, "%s", text);
    Move m = 0xBEEF;
    testing::internal::CaptureStdout();
    const int ok = IsValidMove(buf, &m);
    const std::string out = testing::internal::GetCapturedStdout();
    if (printed) *printed = out;
    if (rewritten) *rewritten = buf;
    return ok ? m : Move(0);
  }
};

TEST_F(MoveTextTest, CoordinateText) {
  char buf[kMoveTextSize];
  EXPECT_STREQ(MoveToStr(NullMove, buf), "null");
  EXPECT_STREQ(MoveToStr(M("e2", "e4"), buf), "e2e4");
  EXPECT_STREQ(MoveToStr(M("e7", "e8", PromoQueen), buf), "e7e8=Q");
  EXPECT_STREQ(MoveToStr(M("a2", "b1", PromoRook), buf), "a2b1=R");
  PBlock.protocol = 1;
  EXPECT_STREQ(MoveToStr(M("e7", "e8", PromoQueen), buf), "e7e8q");
  EXPECT_STREQ(MoveToStr(M("e7", "e8", PromoKnight), buf), "e7e8n");
  EXPECT_STREQ(MoveToStr(M("e7", "e8", PromoBishop), buf), "e7e8b");
  EXPECT_STREQ(MoveToStr(M("e7", "e8", PromoRook), buf), "e7e8r");
}

TEST_F(MoveTextTest, FourTexts) {
  Set(fen_opn);
  EXPECT_EQ(Strings(M("g1", "f3")), "g1f3|Nf3|Ngf3|N1f3");
  EXPECT_EQ(Strings(M("e2", "e4")), "e2e4|e4||");
  Set("4k3/8/8/3p4/4P3/8/8/R3K2R w KQ -");
  EXPECT_EQ(Strings(M("e4", "d5")), "e4d5|exd5|ed|");
  EXPECT_EQ(Strings(M("e1", "g1")), "e1g1|o-o|O-O|0-0");
  EXPECT_EQ(Strings(M("e1", "c1")), "e1c1|o-o-o|O-O-O|0-0-0");
  EXPECT_EQ(Strings(M("a1", "a8")), "a1a8+|Ra8+|Raa8+|R1a8+");
  Set("4k3/8/8/2pP4/8/8/8/4K3 w - c6");
  EXPECT_EQ(Strings(M("d5", "c6")), "d5c6|dxc6|dc|");
  Set("3nk3/4P3/8/8/8/8/8/4K3 w - -");
  EXPECT_EQ(Strings(M("e7", "d8", PromoQueen)), "e7d8=Q+|exd8=Q+|ed=Q+|+");
  Set("3n3k/4P3/8/8/8/8/8/4K3 w - -");
  EXPECT_EQ(Strings(M("e7", "e8", PromoKnight)), "e7e8=N|e8=N|=N|");
  // Rivals on the same file take the rank form, on the same rank the file form.
  Set("4k3/8/8/R7/8/8/8/R3K3 w - -");
  EXPECT_EQ(Strings(M("a1", "a3")), "a1a3|R1a3|Raa3|R1a3");
  EXPECT_EQ(Strings(M("a5", "a3")), "a5a3|R5a3|Raa3|R5a3");
  Set("4k3/8/8/8/8/5N2/8/1N2K3 w - -");
  EXPECT_EQ(Strings(M("b1", "d2")), "b1d2|Nd2|Nbd2|N1d2");
}

TEST_F(MoveTextTest, WrittenTextIsUnambiguous) {
  Set("4k3/8/8/8/8/5N2/8/1N2K3 w - -");
  EXPECT_EQ(San(M("b1", "d2")), "Nbd2");
  EXPECT_EQ(San(M("f3", "d2")), "Nfd2");
  EXPECT_EQ(San(M("f3", "e5")), "Ne5");
  Set("4k3/8/8/R7/8/8/8/R3K3 w - -");
  EXPECT_EQ(San(M("a1", "a3")), "R1a3");
  Set("6k1/8/8/8/8/Q7/8/Q1Q4K w - -");
  EXPECT_EQ(San(M("a1", "b2")), "Qa1b2");
  // A pinned rival needs no mention.
  Set("4k3/4r3/8/8/8/8/4N3/1N2K3 w - -");
  EXPECT_EQ(San(M("b1", "c3")), "Nc3");
  Set("r3k3/8/8/3p4/4P3/8/8/4K2R w K -");
  EXPECT_EQ(San(M("e1", "g1")), "O-O");
  EXPECT_EQ(San(M("e4", "d5")), "exd5");
  Set("4k3/P7/8/8/8/8/8/4K3 w - -");
  EXPECT_EQ(San(M("a7", "a8", PromoQueen)), "a8=Q+");
}

TEST_F(MoveTextTest, ParsesCoordinateAndAlgebraic) {
  Set(fen_opn);
  std::string text, printed;
  EXPECT_EQ(Parse("e2e4", &text), M("e2", "e4"));
  EXPECT_EQ(text, "e2e4");
  EXPECT_EQ(Parse("Nf3"), M("g1", "f3"));
  EXPECT_EQ(Parse("Ngf3"), M("g1", "f3"));
  EXPECT_EQ(Parse("N1f3"), M("g1", "f3"));
  EXPECT_EQ(Parse("Nf3+"), M("g1", "f3"));
  EXPECT_EQ(Parse("Nf3#"), M("g1", "f3"));
  EXPECT_EQ(Parse("e4"), M("e2", "e4"));
  EXPECT_EQ(Parse("nf3"), 0);
  EXPECT_EQ(Parse("e2e5"), 0);

  Set("r3k2r/8/8/8/8/8/8/R3K2R w KQkq -");
  for (const char* castle : {"O-O", "0-0", "o-o", "e1g1"}) {
    EXPECT_EQ(Parse(castle, &text), M("e1", "g1")) << castle;
  }
  EXPECT_EQ(Parse("O-O", &text), M("e1", "g1"));
  EXPECT_EQ(text, "o-o");
  EXPECT_EQ(Parse("O-O-O", &text), M("e1", "c1"));
  EXPECT_EQ(text, "o-o-o");
  // Castling through an attacked square is no move.
  Set("r3k2r/8/8/8/8/8/5r2/R3K2R w KQkq -");
  EXPECT_EQ(Parse("O-O", &text, &printed), 0);
  EXPECT_EQ(printed, "");

  Set("3n3k/4P3/8/8/8/8/8/4K3 w - -");
  EXPECT_EQ(Parse("e7e8q", &text), M("e7", "e8", PromoQueen));
  EXPECT_EQ(text, "e7e8=Q");
  EXPECT_EQ(Parse("e8q", &text), M("e7", "e8", PromoQueen));
  EXPECT_EQ(text, "e8=Q");
  EXPECT_EQ(Parse("e8=n"), M("e7", "e8", PromoKnight));
  EXPECT_EQ(Parse("exd8q"), M("e7", "d8", PromoQueen));
  EXPECT_EQ(Parse("edr"), M("e7", "d8", PromoRook));
  EXPECT_EQ(Parse("e7e8", nullptr, &printed), 0);
  EXPECT_EQ(printed, "");

  // A b-file pawn capture is not read as a bishop promotion.
  Set("4k3/8/8/1p6/P1P5/8/8/4K3 w - -");
  EXPECT_EQ(Parse("ab", &text), M("a4", "b5"));
  EXPECT_EQ(text, "ab");
  EXPECT_EQ(Parse("cb"), M("c4", "b5"));
  EXPECT_EQ(Parse("axb5"), M("a4", "b5"));
  Set("4k3/8/1p6/P7/1p6/P7/8/4K3 w - -");
  EXPECT_EQ(Parse("ab", nullptr, &printed), 0);
  EXPECT_EQ(printed, "ambiguous move\n");
  EXPECT_EQ(Parse("axb4"), M("a3", "b4"));
  Set("4k3/2p5/1P6/P7/8/8/8/4K3 w - -");
  EXPECT_EQ(Parse("bc"), M("b6", "c7"));

  // A capture may go without its "x", as some writers leave it out.
  Set("4k3/8/8/8/8/5p2/8/4K1N1 w - -");
  EXPECT_EQ(Parse("Nf3"), M("g1", "f3"));
  EXPECT_EQ(Parse("Nxf3"), M("g1", "f3"));
}

// Long algebraic as other programs write it: the piece letter and both
// squares, with a hyphen, an "x" or neither between them.
TEST_F(MoveTextTest, LongAlgebraicInEveryForm) {
  Set("r3k2r/1P6/8/3pP1p1/8/5N2/8/R3K2R w KQkq d6");
  const std::pair<const char*, Move> cases[] = {
      {"Nf3-d4", M("f3", "d4")}, {"Nf3d4", M("f3", "d4")}, {"Nf3xd4", 0}, {"Bf3-d4", 0},
      {"Nf3xg5", M("f3", "g5")}, {"Nf3-g5", M("f3", "g5")}, {"Nf3g5+", M("f3", "g5")}, {"Ng5", M("f3", "g5")},
      {"e5-e6", M("e5", "e6")}, {"e5e6", M("e5", "e6")}, {"e5-d6", M("e5", "d6")}, {"e5xd6", M("e5", "d6")},
      {"ed6", M("e5", "d6")}, {"d6", 0}, {"b7-b8=Q", M("b7", "b8", PromoQueen)}, {"b7b8Q", M("b7", "b8", PromoQueen)},
      {"b7-b8q", M("b7", "b8", PromoQueen)}, {"b7xa8=N", M("b7", "a8", PromoKnight)},
      {"b7a8N", M("b7", "a8", PromoKnight)}, {"b7-b8", 0}, {"Ke1-g1", M("e1", "g1")}, {"Ke1g1", M("e1", "g1")}, {"Kg1", 0}, {"Ra1-d1", M("a1", "d1")}};
  for (const auto& [text, move] : cases) EXPECT_EQ(Parse(text), move) << text;
}

TEST_F(MoveTextTest, AmbiguousAndHostileText) {
  Set("4k3/8/8/8/8/5N2/8/1N2K3 w - -");
  std::string text, printed;
  EXPECT_EQ(Parse("Nd2", &text, &printed), 0);
  EXPECT_EQ(printed, "ambiguous move\n");
  EXPECT_EQ(Parse("Nbd2"), M("b1", "d2"));
  EXPECT_EQ(Parse("Nfd2"), M("f3", "d2"));
  EXPECT_EQ(Parse("N3d2"), M("f3", "d2"));
  // Three knights, and three that share neither file nor rank with the d2
  // knight: the bare letter names all of them.
  Set("4k3/8/8/8/4N3/5N2/8/1N2K3 w - -");
  EXPECT_EQ(Parse("Nd2", nullptr, &printed), 0);
  EXPECT_EQ(printed, "ambiguous move\n");
  Set("4k3/8/8/8/8/8/3N4/4N1NK w - -");
  EXPECT_EQ(Parse("Nf3", nullptr, &printed), 0);
  EXPECT_EQ(printed, "ambiguous move\n");
  for (const char* text : {"Ndf3", "N2f3", "Nd2f3", "Nd2-f3"}) EXPECT_EQ(Parse(text), M("d2", "f3")) << text;

  // Nothing left after the "+" cut, a huge word, an empty word.
  for (const char* bad : {"+", "++", "", "=", "O-O-O-O-O-O-O-O-O-O-O"}) {
    EXPECT_EQ(Parse(bad, nullptr, &printed), 0) << bad;
    EXPECT_EQ(printed, "") << bad;
  }
  char word[128];
  std::memset(word, 'q', 127);
  word[127] = 0;
  Move m = 1;
  EXPECT_EQ(IsValidMove(word, &m), 0);
  EXPECT_EQ(m, 0);
  EXPECT_EQ(std::string(word), std::string(127, 'q'));
  std::memset(word, 'q', 14);
  word[14] = 0;
  EXPECT_EQ(IsValidMove(word, &m), 0);
  EXPECT_EQ(std::strlen(word), 15u);
}

// Games name a piece's origin only when another legal move of its kind goes
// to the square: a pinned rival needs no mention.
TEST_F(MoveTextTest, StandardTextWithAPinnedRival) {
  Set(fen_opn);
  for (const char* text : {"d4", "Nf6", "c4", "e6", "Nc3", "Bb4", "e3", "b6", "Ne2", "Ba6", "Ng3", "h5", "Bd3", "h4"}) {
    const Move m = Parse(text);
    ASSERT_NE(m, 0) << text;
    MakeMove(pos, m);
  }
  const std::string game = Epd(), rooks = "4k3/8/8/r2R3K/8/8/8/3R4 w - -", knights = "4k3/8/8/8/8/2N3N1/8/4K3 w - -",
                    pawn = "3nk3/4P3/8/8/8/8/8/R3K3 w Q -";
  // The d5 rook may not leave its rank; two free knights stay ambiguous; a
  // promotion needs its piece, and a king goes two files only by castling.
  const std::tuple<std::string, const char*, Move> cases[] = {
      {game, "Ne2", M("g3", "e2")}, {game, "Nge2", M("g3", "e2")}, {game, "N3e2", M("g3", "e2")}, {game, "Nce2", 0},
      {game, "Nxe2", 0}, {rooks, "Rd3", M("d1", "d3")}, {rooks, "R1d3", M("d1", "d3")}, {rooks, "R5d3", 0},
      {knights, "Ne2", 0}, {knights, "Nce2", M("c3", "e2")}, {pawn, "e8", 0}, {pawn, "exd8", 0},
      {pawn, "exd8=N", M("e7", "d8", PromoKnight)}, {pawn, "Kc1", 0}, {pawn, "O-O-O", M("e1", "c1")}};
  for (const auto& [epd, text, move] : cases) {
    Set(epd.c_str());
    std::string printed;
    EXPECT_EQ(Parse(text, nullptr, &printed), move) << epd << " " << text;
    EXPECT_EQ(printed, epd == knights && !move ? "ambiguous move\n" : "") << text;
  }
}

TEST_F(MoveTextTest, GameRecordGeneratesAtItsRootPly) {
  Set(fen_opn);
  td->search_ply = -1;
  EXPECT_EQ(Parse("e4"), M("e2", "e4"));
  EXPECT_EQ(td->search_ply, 1);
  MakeMove(pos, M("e2", "e4"));
  td->search_ply = 69;
  EXPECT_EQ(Parse("e5"), M("e7", "e5"));
  // No game move once the undo stack has no room left for a search.
  td->game_ply = kMaxGamePly;
  EXPECT_EQ(Parse("e5"), 0);
}

}  // namespace
