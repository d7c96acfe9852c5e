#include "search/qsearch.h"

#include "search/test/search_fixture.h"

namespace {

class QuiescenceTest : public SearchTest {
 protected:
  void SetUp() override {
    td = NewThreadRecord(0);
    ASSERT_NE(td, nullptr);
    pos = &td->pos;
    SearchData.stop.store(StopRun);
    SearchData.node_limit = 0;
    td->node_limit = uint64_t(1) << 62;
    HashClear();
  }
  void TearDown() override {
    SearchData.stop.store(StopRun);
    delete td;
  }

  // The position as a node at ply 2 whose static evaluation is eval.
  void AtPlyTwo(const char* fen, int eval, Move last_move = 0) {
    ASSERT_EQ(SetPosition(pos, fen), kSetOk) << fen;
    td->search_ply = 2;
    td->last_move = last_move;
    for (int ply = 0; ply < 4; ply++) {
      td->ply[ply].tb_result = -1;
      td->ply[ply].list_start = uint16_t(1 + 200 * ply);
      td->ply[ply].current = td->ply[ply].list_start;
    }
    td->ply[2].eval = int16_t(eval);
  }

  int Run(int depth, int alpha, int beta) {
    return Q_Search(pos, pos->side, 2, depth, alpha, beta, 1, pv);
  }

  uint64_t Nodes() const { return td->counters[CountNodes].load(); }

  HashEntry Probe() const {
    HashEntry e{};
    e.depth = -99;
    HashProbe(pos, &e);
    return e;
  }

  ThreadRecord* td = nullptr;
  Position* pos = nullptr;
  Move pv[kMaxPly] = {};
};

TEST_F(QuiescenceTest, StandPatAtOrAboveBetaTriesNoMove) {
  AtPlyTwo("4k3/8/8/3q4/8/8/8/3QK3 w - -", 300);
  EXPECT_EQ(Run(0, -100, 200), 200);
  EXPECT_EQ(Nodes(), 0u);
}

TEST_F(QuiescenceTest, FailHighIsStoredOnlyFromDepthZero) {
  AtPlyTwo("4k3/8/8/3q4/8/8/8/3QK3 w - -", 0);
  EXPECT_GE(Run(-1, -100, 100), 100);
  EXPECT_LT(Probe().depth, -19);
  AtPlyTwo("4k3/8/8/3q4/8/8/8/3QK3 w - -", 0);
  EXPECT_GE(Run(0, -100, 100), 100);
  const HashEntry e = Probe();
  EXPECT_EQ(e.depth, 0);
  EXPECT_EQ(e.bound, BoundLower);
  EXPECT_EQ(e.move, M("d1", "d5"));
}

TEST_F(QuiescenceTest, NothingReachesTheTableAfterAStop) {
  // Without the stop the capture beats the floor and is stored as exact.
  AtPlyTwo("4k3/8/8/3p4/8/8/8/3QK3 w - -", -50);
  const int settled = Run(0, -100, 5000);
  EXPECT_GT(settled, -50);
  EXPECT_EQ(Probe().bound, BoundExact);
  HashClear();
  AtPlyTwo("4k3/8/8/3p4/8/8/8/3QK3 w - -", -50);
  SearchData.stop.store(StopReport);
  EXPECT_EQ(Run(0, -100, 5000), 0);
  EXPECT_LT(Probe().depth, -19);
}

TEST_F(QuiescenceTest, DeepQuiescenceTriesRecapturesOnly) {
  // Black's last move landed on d5; beyond the fourth quiescence ply only
  // the recapture there is tried, not the capture on f5.
  const Move last = M("c6", "d5");
  AtPlyTwo("4k3/8/8/3p1p2/4P3/8/8/4K3 w - -", -200, last);
  Run(-4, -1000, 1000);
  EXPECT_EQ(Nodes(), 1u);
  EXPECT_EQ(pv[2], M("e4", "d5"));
  AtPlyTwo("4k3/8/8/3p1p2/4P3/8/8/4K3 w - -", -200, last);
  td->counters[CountNodes].store(0);
  Run(-3, -1000, 1000);
  EXPECT_EQ(Nodes(), 2u);
}

}  // namespace
