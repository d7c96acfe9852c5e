#include "search/root.h"

#include <cstdint>
#include <vector>

#include "search/test/search_fixture.h"

namespace {

constexpr char kStart[] = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -";
// Black has two legal moves, both with the h-pawn.
constexpr char kTwoMoves[] = "k7/7p/K7/8/8/8/8/1R6 b - -";
constexpr char kMiddlegame[] = "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -";

TEST_F(SearchTest, RootWithoutLegalMovesAnswersNothing) {
  for (int threads : {1, 3}) {
    SearchResult r = ThinkOnPool("7k/6Q1/6K1/8/8/8/8/8 b - -", 6, threads);
    EXPECT_EQ(r.best, 0);
    EXPECT_EQ(r.score, -9999);
    EXPECT_EQ(r.stop, StopNoMoves);
    r = ThinkOnPool("7k/5Q2/6K1/8/8/8/8/8 b - -", 6, threads);
    EXPECT_EQ(r.best, 0);
    EXPECT_EQ(r.score, 0);
    EXPECT_EQ(r.stop, StopNoMoves);
  }
}

TEST_F(SearchTest, DepthZeroOrBelowStillNamesALegalMove) {
  // Depth 0 is the quiescence score of the root, as the tools ask for it.
  SearchResult r = Think("4k3/8/8/3q4/8/8/8/3QK3 w - -", 0);
  EXPECT_GT(r.score, 500);
  EXPECT_EQ(r.best, M("d1", "d5"));
  r = Think(kStart, 0);
  ExpectLegalResult(r);
  EXPECT_NE(r.best, 0);
  // In check the quiescence search has no answer; one ply is searched.
  r = Think("4k3/8/8/8/8/8/8/r3K3 w - -", 0);
  ExpectLegalResult(r);
  EXPECT_NE(r.best, 0);
  r = Think(kStart, -3);
  ExpectLegalResult(r);
  EXPECT_EQ(r.depth, 1);
}

TEST_F(SearchTest, SearchStoppedBeforeItsFirstResultNamesALegalMove) {
  SetGame(kMiddlegame);
  Prepare(10, 0, 1);
  SearchData.stop.store(StopReport);
  SearchIterations();
  const SearchResult r = Result();
  EXPECT_NE(r.best, 0);
  ExpectLegalResult(r);
  EXPECT_EQ(r.stop, StopReport);
}

// Nodes, score and move of a fixed set of searches with one thread. A change
// of the search, the move ordering or the evaluation changes these numbers;
// such a change must come with the new fingerprint.
TEST_F(SearchTest, SingleThreadSearchIsDeterministicAndFingerprinted) {
  struct Case {
    const char* fen;
    int depth;
    uint64_t nodes;
    int score;
    const char* best;
  };
  const Case cases[] = {
      {kStart, 9, 25638, 15, "d2d4"},
      {kMiddlegame, 7, 29120, -56, "e2a6"},
      {"r1bqkb1r/pppp1ppp/2n2n2/4p3/2B1P3/5N2/PPPP1PPP/RNBQK2R w KQkq -", 8, 22534, -6, "f3g5"},
      {"8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - -", 10, 34037, 50, "b4f4"},
      {"r2q1rk1/pP1p2pp/Q4n2/bbp1p3/Np6/1B3NBn/pPPP1PPP/R3K2R b KQ -", 7, 7586, -515, "c5c4"},
      {"6k1/5ppp/8/8/8/8/5PPP/3R2K1 b - -", 8, 19598, -681, "g8f8"},
  };
  for (const Case& c : cases) {
    const SearchResult first = Think(c.fen, c.depth);
    const SearchResult again = Think(c.fen, c.depth);
    EXPECT_EQ(first.nodes, again.nodes) << c.fen;
    EXPECT_EQ(first.score, again.score) << c.fen;
    EXPECT_EQ(first.best, again.best) << c.fen;
    EXPECT_EQ(first.depth, c.depth) << c.fen;
    ExpectLegalResult(first);
    EXPECT_EQ(first.nodes, c.nodes) << c.fen;
    EXPECT_EQ(first.score, c.score) << c.fen;
    EXPECT_EQ(MoveText(first.best), c.best) << c.fen;
  }
}

TEST_F(SearchTest, EightThreadsReachTheDepthWithLegalMoves) {
  const char* const fens[] = {kStart, kMiddlegame, "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - -",
                              "6k1/6p1/8/8/8/4Q3/r5PP/qr3B1K w - -"};
  for (const char* fen : fens) {
    const SearchResult r = ThinkOnPool(fen, 9, 8);
    EXPECT_EQ(r.depth, 9) << fen;
    EXPECT_EQ(r.stop, StopReport) << fen;
    ExpectLegalResult(r);
    for (int i = 0; i < 8; i++) EXPECT_EQ(ThreadData[i].load()->command.load(), CommandIdle);
  }
}

// Whatever thread stored a slot, the clear after the search empties it.
TEST_F(SearchTest, ClearAfterASearchOnThePoolEmptiesTheTable) {
  const auto written = [] {
    uint64_t n = 0;
    for (uint64_t i = 0; i < uint64_t(entries) + 16; i++) n += (hashtable[i].word[0] | hashtable[i].word[1]) != 0;
    return n;
  };
  ThinkOnPool(kMiddlegame, 8, 3);
  EXPECT_GT(written(), 1000u);
  HashClear();
  EXPECT_EQ(written(), 0u);
}

TEST_F(SearchTest, NodeLimitCountsTheNodesOfAllThreads) {
  SearchResult r = ThinkOnPool(kMiddlegame, 60, 1, 30000);
  EXPECT_GE(r.nodes, 30000u);
  EXPECT_LT(r.nodes, 30000u + 100);
  ExpectLegalResult(r);
  r = ThinkOnPool(kMiddlegame, 60, 4, 60000);
  EXPECT_GE(r.nodes, 60000u);
  // Thread 0 stops on the sum, before its own nodes reach the limit. How far
  // the helpers run past it depends on when thread 0 gets the processor.
  EXPECT_LT(ThreadData[0].load()->counters[CountNodes].load(), 60000u);
  ExpectLegalResult(r);
}

TEST_F(SearchTest, SettledDepthMarksOnlyAForcedReply) {
  // The only legal move: the time check may stop early.
  Think("k7/8/2K5/8/8/8/8/1R6 b - -", 4);
  EXPECT_EQ(SearchData.settled_depth.load(), 100);
  // MultiPV covering both root moves leaves one move in the last slot,
  // which is no forced reply.
  Think(kTwoMoves, 4, 3);
  EXPECT_LT(SearchData.settled_depth.load(), 100);
}

TEST_F(SearchTest, MultiPvSearchesEachSlotOnce) {
  // Two legal moves and three lines asked for: both are searched, the best
  // first.
  SearchResult r = Think(kTwoMoves, 5, 3);
  ExpectLegalResult(r);
  const MoveEntry* list = &ThreadData[0].load()->moves[ThreadData[0].load()->ply[1].list_start];
  std::vector<Move> root;
  for (const MoveEntry* e = list; e->move != EndOfList; e++) root.push_back(e->move);
  ASSERT_EQ(root.size(), 2u);
  EXPECT_EQ(root[0], r.best);
  r = Think(kStart, 6, 3);
  list = &ThreadData[0].load()->moves[ThreadData[0].load()->ply[1].list_start];
  EXPECT_EQ(list[0].move, r.best);
}

TEST_F(SearchTest, TablebaseDepthStaysOutOfThePerDepthTables) {
  SetGame(kStart);
  Prepare(4, 0, 1);
  InitSearchThreads();
  ThreadRecord* td = ThreadData[0].load();
  td->pv[1] = M("e2", "e4");
  td->root_score.store(9790);
  td->completed_depth.store(99);
  NewBestMove(td);
  EXPECT_EQ(SearchData.best_depth.load(), 99);
  EXPECT_EQ(SearchData.pv[1], M("e2", "e4"));
  for (int d = 0; d < kMaxPly; d++) {
    EXPECT_EQ(SearchData.score_by_depth[d], -10000);
    EXPECT_EQ(SearchData.move_by_depth[d], 0);
  }
}

}  // namespace
