#include "search/ordering.h"

#include <vector>

#include "search/test/search_fixture.h"

namespace {

class OrderingTest : public SearchTest {
 protected:
  void SetUp() override {
    td = NewThreadRecord(0);
    ASSERT_NE(td, nullptr);
    pos = &td->pos;
    ResetOrdering(td);
  }
  void TearDown() override { delete td; }

  void Set(const char* fen) { ASSERT_EQ(SetPosition(pos, fen), kSetOk) << fen; }

  // Starts the picker of the root ply with a stage word.
  void Start(uint16_t stage, Move hash = 0) {
    PlyRecord* p = &td->ply[1];
    p->stage = stage;
    p->hash_move = hash;
    p->moves_searched = 0;
    p->in_check = SqAtakd(pos, pos->list[pos->side][King][0], pos->side ^ 1);
  }

  struct Picked {
    Move move;
    int score;
  };
  std::vector<Picked> All() {
    std::vector<Picked> out;
    while (MoveEntry* e = GetNextMove(pos)) out.push_back({e->move, e->score});
    return out;
  }
  static int ScoreOf(const std::vector<Picked>& picked, Move m) {
    for (const Picked& p : picked)
      if (p.move == m) return p.score;
    return -999;
  }

  ThreadRecord* td = nullptr;
  Position* pos = nullptr;
};

TEST_F(OrderingTest, HashMoveComesFirstBeforeAnyGeneration) {
  Set("4k3/8/8/8/8/8/8/R3K2R w KQ -");
  Start(kStageHashFirst | kStageFull, M("a1", "a8"));
  MoveEntry* first = GetNextMove(pos);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->move, M("a1", "a8"));
  EXPECT_EQ(first->score, 255);
  EXPECT_EQ(td->moves[td->ply[1].list_start + 1].move, EndOfList);  // nothing generated yet
  // The move loop skips the second appearance; the picker hands it out again.
  int seen = 0;
  for (const Picked& p : All()) seen += p.move == M("a1", "a8");
  EXPECT_EQ(seen, 1);
}

TEST_F(OrderingTest, HashMoveThatTheBoardCannotMakeIsDropped) {
  // Castling without the right, a pawn reaching the last rank unpromoted, a
  // rook through a piece and a move onto the enemy king are never handed out.
  Set("4k3/1P6/8/8/8/8/8/R3K1NR w - -");
  for (Move bogus : {M("e1", "g1"), M("b7", "b8"), M("h1", "f1"), M("a1", "a8")}) {
    Start(kStageHashFirst | kStageFull, bogus);
    MoveEntry* first = GetNextMove(pos);
    ASSERT_NE(first, nullptr);
    if (bogus == M("a1", "a8")) {
      EXPECT_EQ(first->move, bogus);  // a legal hash move still comes first
      continue;
    }
    EXPECT_NE(first->score, 255) << MoveText(bogus);
    EXPECT_EQ(td->ply[1].hash_move, 0) << MoveText(bogus);
  }
}

TEST_F(OrderingTest, CapturesByVictimAndAttackerAndLosingOnesDemoted) {
  // Pawn and queen both take the queen on d5; the queen on h4 takes a pawn
  // defended by a pawn.
  Set("4k3/6p1/7p/3q4/4P2Q/8/8/4K3 w - -");
  Start(kStageFull);
  std::vector<Picked> full = All();
  EXPECT_EQ(ScoreOf(full, M("e4", "d5")), 239);
  EXPECT_EQ(full.front().move, M("e4", "d5"));
  EXPECT_EQ(ScoreOf(full, M("h4", "h6")), 1 + 4);
  // Without full generation (the quiescence search) no exchange test demotes it.
  Start(0);
  std::vector<Picked> captures = All();
  EXPECT_EQ(ScoreOf(captures, M("h4", "h6")), 210 - 5);
  EXPECT_EQ(captures.size(), 2u);

  Set("4k3/8/8/3q4/8/8/8/3QK3 w - -");
  Start(kStageFull);
  EXPECT_EQ(ScoreOf(All(), M("d1", "d5")), 235);
}

TEST_F(OrderingTest, QuietMovesRankedByKillersCountersAndHistory) {
  Set("4k3/8/8/8/8/8/8/RN2K3 w - -");
  PlyRecord* p = &td->ply[1];
  p->killer[0] = M("b1", "c3");
  p->killer[1] = M("b1", "a3");
  td->history[PieceCode(Rook, White)][Sq("a5")] = 16384;  // 64 from history alone
  td->history[PieceCode(King, White)][Sq("d2")] = 0;
  Start(kStageFull);
  std::vector<Picked> out = All();
  EXPECT_EQ(ScoreOf(out, M("b1", "c3")), 16 + 70);
  EXPECT_EQ(ScoreOf(out, M("b1", "a3")), 16 + 60);
  EXPECT_EQ(ScoreOf(out, M("a1", "a5")), 64);
  EXPECT_EQ(out[0].move, M("b1", "c3"));
  EXPECT_EQ(out[1].move, M("b1", "a3"));
  EXPECT_EQ(out[2].move, M("a1", "a5"));
  // A move whose score is 3 or less sends the rest out in list order.
  EXPECT_EQ(ScoreOf(out, M("e1", "d2")), 0);
  EXPECT_EQ(out.back().move, M("e1", "d2"));
}

TEST_F(OrderingTest, InCheckOnlyCheckKillerAndCounterMovesCount) {
  // White's king is checked by the rook on e8, which came from e7.
  Set("4r2k/8/8/8/8/8/8/R3K3 w - -");
  td->last_move = M("e7", "e8");
  PlyRecord* p = &td->ply[1];
  p->check_killer = M("e1", "d1");
  td->counter1[PieceCode(Rook, Black)][Sq("e8")] = M("e1", "f2");
  td->counter2[PieceCode(Rook, Black)][Sq("e8")] = M("e1", "d2");
  td->history[PieceCode(Rook, White)][Sq("a8")] = 16384;
  Start(kStageFull);
  std::vector<Picked> out = All();
  EXPECT_EQ(ScoreOf(out, M("e1", "d1")), 90);
  EXPECT_EQ(ScoreOf(out, M("e1", "f2")), 70);
  EXPECT_EQ(ScoreOf(out, M("e1", "d2")), 60);
  EXPECT_EQ(ScoreOf(out, M("a1", "a2")), 0);
}

TEST_F(OrderingTest, ListOrderAfterSixteenSearchedMoves) {
  Set("4k3/8/8/8/8/8/8/Q3K3 w - -");
  td->history[PieceCode(Queen, White)][Sq("h8")] = 16384;
  Start(kStageFull);
  td->ply[1].moves_searched = 16;
  MoveEntry* first = GetNextMove(pos);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->move, M("a1", "h8"));  // the selection still picks this one
  const int next_index = td->ply[1].current + 1;
  const Move in_list = td->moves[next_index].move;
  EXPECT_EQ(GetNextMove(pos)->move, in_list);
}

TEST_F(OrderingTest, QuietChecksAndSeventhRankPushesAtQuiescenceDepthZero) {
  // The g-pawn push checks and reaches the seventh rank: it comes once. The
  // knight checks from e6 and h7; the b-pawn only reaches the seventh rank.
  Set("5k2/8/1P4P1/6N1/8/8/8/4K3 w - -");
  Start(kStageQuietChecks);
  std::vector<Picked> out = All();
  std::vector<Move> moves;
  for (const Picked& p : out) moves.push_back(p.move);
  EXPECT_EQ(moves, (std::vector<Move>{M("g6", "g7"), M("g5", "e6"), M("g5", "h7"), M("b6", "b7")}));
  for (const Picked& p : out) EXPECT_EQ(p.score, 100);
  // Below depth 0 the quiescence search generates captures only.
  Start(0);
  EXPECT_TRUE(All().empty());
}

TEST_F(OrderingTest, EveryQuietQueenCheckWhicheverLineItMovesAlong) {
  // Targets ascending; e2 is reached diagonally onto the file, d7 straight
  // onto a diagonal, g8 diagonally onto the rank. In the last position the
  // own e5 pawn and the black d7 pawn block the lines from e4, e2, c6, b5
  // and a4.
  const struct {
    const char* fen;
    std::vector<const char*> to;
  } cases[] = {
      {"4k3/8/8/8/8/8/8/3QK3 w - -", {"e2", "a4", "h5", "d7", "d8"}},
      {"4k3/8/8/8/2Q5/8/8/K7 w - -", {"e2", "a4", "e4", "b5", "c6", "e6", "f7", "c8", "g8"}},
      {"4k3/3p4/8/4P3/2Q5/8/8/K7 w - -", {"e6", "f7", "c8", "g8"}},
  };
  for (const auto& c : cases) {
    Set(c.fen);
    Start(kStageQuietChecks);
    const int from = pos->list[White][Queen][0];
    std::vector<Move> expected, got;
    for (const char* to : c.to) expected.push_back(Move(MakeMoveCode(from, Sq(to))));
    for (const Picked& p : All()) got.push_back(p.move);
    EXPECT_EQ(got, expected) << c.fen;
  }
}

TEST_F(OrderingTest, HistoryGrowsToItsCeilingAndDecays) {
  Set("4k3/8/8/8/8/8/8/R3K3 w - -");
  MoveEntry e{M("a1", "a5"), 0, uint8_t(PieceCode(Rook, White)), 0};
  int16_t& h = td->history[e.piece][Sq("a5")];
  h = 16384;
  UpdateHistory(td, &e, 10, true);
  EXPECT_EQ(h, 16384);
  h = 100;
  UpdateHistory(td, &e, 3, false);
  EXPECT_EQ(h, 100);
  h = 256;
  UpdateHistory(td, &e, 3, false);
  EXPECT_EQ(h, 254);
  h = 4096;
  UpdateHistory(td, &e, 2, true);
  EXPECT_EQ(h, 4096 + 32 + (16384 - 4096) / 128);
}

TEST_F(OrderingTest, CutoffMovesLearnedInAndOutOfCheck) {
  Set("4k3/8/8/8/8/8/8/R3K3 w - -");
  td->last_move = M("e7", "e8");
  const int code = pos->board[Sq("e8")];
  UpdateCutoffMoves(td, 1, M("a1", "a7"), true);
  EXPECT_EQ(td->ply[1].check_killer, M("a1", "a7"));
  EXPECT_EQ(td->ply[1].killer[0], 0);
  EXPECT_EQ(td->counter1[code][Sq("e8")], M("a1", "a7"));
  UpdateCutoffMoves(td, 1, M("a1", "a6"), false);
  EXPECT_EQ(td->ply[1].killer[0], M("a1", "a6"));
  EXPECT_EQ(td->counter1[code][Sq("e8")], M("a1", "a6"));
  EXPECT_EQ(td->counter2[code][Sq("e8")], M("a1", "a7"));
  UpdateCutoffMoves(td, 1, M("a1", "a5"), false);
  EXPECT_EQ(td->ply[1].killer[0], M("a1", "a5"));
  EXPECT_EQ(td->ply[1].killer[1], M("a1", "a6"));
}

TEST_F(OrderingTest, RootListPrescored) {
  Set("4k3/8/8/3p4/4P3/8/8/4K2R w K -");
  td->ply[1].killer[0] = M("h1", "h5");
  GenerateAll(pos);
  MoveEntry* list = &td->moves[td->ply[1].list_start];
  PrescoreAll(pos, list);
  for (MoveEntry* e = list; e->move != EndOfList; e++) {
    if (e->move == M("e4", "d5")) EXPECT_EQ(e->score, 210 - 1);
    else if (e->move == M("h1", "h5")) EXPECT_EQ(e->score, 16 + 40);
    else EXPECT_EQ(e->score, 16) << MoveText(e->move);
  }
}

}  // namespace
