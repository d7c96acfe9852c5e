#include "search/search.h"

#include <string>

#include "search/test/search_fixture.h"

namespace {

// Mate distances as the info line shows them: n > 0 the side to move mates
// in n moves, n < 0 it is mated after -n moves of its own.
int MateDistance(int score) {
  if (score > 9900) return (10000 - score) / 2;
  if (score < -9900) return -(score + 9999) / 2;
  return 0;
}

TEST_F(SearchTest, MatesAreFoundWithTheirExactDistance) {
  struct Case {
    const char* fen;
    int mate;
  };
  // Every distance was checked by a plain minimax over all legal moves.
  const Case cases[] = {
      {"k7/8/1K6/8/8/8/8/7R w - -", 1},          {"7k/8/8/8/8/8/R7/1R4K1 w - -", 2},
      {"8/8/k7/3K4/8/8/5R2/8 w - -", 3},         {"5Q2/1k6/8/1K6/8/8/8/8 w - -", 3},
      {"8/k7/8/8/K7/8/1R6/8 w - -", 4},          {"1k3K2/3Q4/8/8/8/8/8/8 w - -", 4},
      {"k7/8/1K6/8/8/8/8/7R b - -", -1},         {"k7/8/2K5/8/8/8/8/7R b - -", -2},
      {"2k5/8/3K4/8/8/3Q4/8/8 b - -", -3},       {"8/1k2R3/8/1K6/8/8/8/8 b - -", -4},
      {"6k1/5ppp/8/8/3r3R/8/5PPP/1R4K1 w - -", 2}, {"5r1k/6pp/7N/3Q4/8/8/8/6K1 w - -", 2},
  };
  for (const Case& c : cases) {
    const SearchResult r = Think(c.fen, 10);
    const int expected = c.mate > 0 ? 10000 - 2 * c.mate : 2 * -c.mate + 1 - 10000;
    EXPECT_EQ(r.score, expected) << c.fen;
    EXPECT_EQ(MateDistance(r.score), c.mate) << c.fen;
    ExpectLegalResult(r);
  }
  // The deepening ends as soon as the mate lies within the depth searched.
  EXPECT_EQ(Think("k7/8/1K6/8/8/8/8/7R w - -", 10).depth, 1);
  EXPECT_EQ(Think("k7/8/1K6/8/8/8/8/7R w - -", 10).best, M("h1", "h8"));
  EXPECT_EQ(Think("k7/8/1K6/8/8/8/8/7R b - -", 10).best, M("a8", "b8"));
}

TEST_F(SearchTest, FiftyMoveRuleInsideTheTree) {
  // Queen against king with 99 quiet plies behind: every move that does not
  // mate reaches the hundredth ply and the draw.
  SetGame("8/8/8/4k3/8/8/8/K6Q w - -");
  EXPECT_GT(ThinkOnGame(6).score, 500);
  SetGame("8/8/8/4k3/8/8/8/K6Q w - -");
  CTD->pos.fifty = 99;
  SearchResult r = ThinkOnGame(6);
  EXPECT_EQ(r.score, 0);
  ExpectLegalResult(r);
  // Mate on the hundredth ply is still mate.
  SetGame("k7/8/1K6/8/8/8/8/2Q5 w - -");
  CTD->pos.fifty = 99;
  r = ThinkOnGame(6);
  EXPECT_EQ(r.score, 9998);
  EXPECT_EQ(r.best, M("c1", "c8"));
}

TEST_F(SearchTest, RepetitionInsideTheTree) {
  // Two rooks down, White holds by perpetual check: the second occurrence of
  // a position inside the tree scores 0.
  SearchResult r = Think("6k1/6p1/8/8/8/4Q3/r5PP/qr3B1K w - -", 8);
  EXPECT_EQ(r.score, 0);
  EXPECT_EQ(r.best, M("e3", "e8"));

  // The game went out and back with both knights. A position of the game
  // seen once before is no draw at the root's children, but is one deeper.
  const char* const shuffle[] = {"g1f3", "g8f6", "f3g1", "f6g8"};
  SetGame("rn1qkbnr/pppppppp/8/8/8/8/8/QN2KBN1 w - -", shuffle, 4);
  Prepare(4, 0, 1);
  InitSearchThreads();
  ThreadRecord* td = ThreadData[0].load();
  Position* pos = &td->pos;
  for (PlyRecord& p : td->ply) p.tb_result = -1;
  Move pv[kMaxPly] = {};
  MakeMove(pos, M("g1", "f3"));
  EXPECT_NE(Search(pos, Black, 2, 1, -10000, 10000, 0, pv), 0);
  MakeMove(pos, M("g8", "f6"));
  MakeMove(pos, M("f3", "g1"));
  EXPECT_EQ(Search(pos, Black, 4, 1, -10000, 10000, 0, pv), 0);
}

TEST_F(SearchTest, TacticalPositionsAreSolvedAtDepthEight) {
  struct Case {
    const char* theme;
    const char* fen;
    const char* best;
  };
  const Case cases[] = {
      {"knight fork", "3q4/pp4k1/8/8/5N2/8/PP6/6K1 w - -", "f4e6"},
      {"knight fork", "r3k3/ppp2ppp/8/1N6/8/8/PPP2PPP/4K3 w - -", "b5c7"},
      {"pawn fork", "6k1/5ppp/3r1n2/8/3PP3/4B3/3N1PPP/6K1 w - -", "e4e5"},
      {"knight fork", "6k1/3q1p1p/8/3N4/8/8/5PPP/6K1 w - -", "d5f6"},
      {"knight fork", "4k3/1r4pp/8/8/4N3/8/5PPP/6K1 w - -", "e4d6"},
      {"bishop fork", "6k1/1B4pp/8/8/8/8/r5PP/6K1 w - -", "b7d5"},
      {"discovered attack", "3k4/6q1/8/8/3N4/8/1B6/7K w - -", "d4e6"},
      {"skewer", "8/5q2/8/3k4/8/1P6/8/5BK1 w - -", "f1c4"},
      {"skewer", "7R/8/8/4k3/8/8/K7/4r3 w - -", "h8e8"},
      {"pin", "4k3/5p2/4n3/8/3P4/8/8/4RK2 w - -", "d4d5"},
      {"pin", "4k3/1p5p/2n5/1B6/3P4/8/6PP/4K3 w - -", "d4d5"},
      {"pin", "4k3/3q3p/8/8/P7/8/6PP/5BK1 w - -", "f1b5"},
      {"back-rank mate", "6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - -", "d1d8"},
      {"back-rank mate", "6k1/5ppp/8/8/3r3R/8/5PPP/1R4K1 w - -", "b1b8"},
      {"back-rank mate", "6k1/Q1b2ppp/r7/2R5/8/8/5PPP/6K1 w - -", "a7b8"},
      {"back-rank mate", "6k1/5ppp/8/3r4/1Q1R4/8/5PPP/1b4K1 w - -", "b4b8"},
      {"smothered mate", "5r1k/6pp/7N/3Q4/8/8/8/6K1 w - -", "d5g8"},
      {"mate, not stalemate", "k7/8/1K6/8/8/8/8/2Q5 w - -", "c1c8"},
      {"promotion", "8/2k1P3/8/8/8/8/8/4K3 w - -", "e7e8q"},
      {"promotion", "3r4/4P3/8/8/8/8/k7/4K3 w - -", "e7d8q"},
      {"breakthrough", "7k/ppp5/8/PPP5/8/8/8/7K w - -", "b5b6"},
      {"underpromotion", "8/1q1P1k1p/8/8/8/8/7P/K7 w - -", "d7d8n"},
      {"underpromotion", "8/p4P1q/4k3/8/8/8/P7/K7 w - -", "f7f8n"},
      {"zugzwang", "6k1/8/5P2/6K1/8/8/8/8 w - -", "g5g6"},
      {"zugzwang", "8/5k2/8/8/4KP2/8/8/8 w - -", "e4f5"},
      {"zugzwang", "8/8/2Pk4/1K6/8/8/8/8 w - -", "b5b6"},
      {"trapped piece", "6k1/5ppp/8/8/8/8/bPP2PPP/2K5 w - -", "b2b3"},
      {"perpetual check", "6k1/6p1/8/8/8/4Q3/r5PP/qr3B1K w - -", "e3e8"},
      {"knight fork, Black", "6k1/pp6/8/5n2/8/8/PP4K1/3Q4 b - -", "f5e3"},
      {"underpromotion, Black", "k7/7p/8/8/8/8/1Q1p1K1P/8 b - -", "d2d1n"},
      {"back-rank mate, Black", "6k1/5ppp/8/8/2r5/R7/q1B2PPP/6K1 b - -", "a2b1"},
  };
  for (const Case& c : cases) {
    const SearchResult r = Think(c.fen, 8);
    EXPECT_EQ(MoveText(r.best), c.best) << c.theme << ": " << c.fen;
    ExpectLegalResult(r);
  }
}

// Every field at either end of 16 bits (a set copied whole may hold them): tables keep their ranges,
// and searches where in-check nodes below the horizon meet the reductions run sanitizer-clean.
TEST_F(SearchTest, SearchFieldsAtTheEndsOfSixteenBits) {
  const PersonalityRecord saved = Personality;
  for (const int16_t end : {INT16_MIN, INT16_MAX}) {
    for (int i = PARAM_INDEX(SingularExtension); i <= PARAM_INDEX(LMR_strength); i++) Personality.f[i] = end;
    SetSearchParams();
    EXPECT_EQ(LMR_depth, end > 0 ? 100 : 1);
    EXPECT_EQ(FP_margin[9] + SEP_margin[9] + LMP_count[5], end > 0 ? 50 + 18 * 256 + 50 : 54);
    for (const char* fen : {"4k3/8/8/3Q4/8/8/3q4/4K3 w - -", "6k1/5ppp/8/8/8/8/q4PPP/1R4K1 w - -"}) {
      SetGame(fen);
      ExpectLegalResult(ThinkOnGame(8, 1, 200000));
    }
  }
  Personality = saved;
  SetSearchParams();
}

}  // namespace
