#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cstdio>
#include <string>
#include <tuple>
#include "board/bitboard.h"
#include "board/fen.h"
#include "engine/output.h"
#include "engine/params.h"
#include "search/records.h"
#include "search/searchcontrol.h"
#include "search/searchdata.h"
#include "search/threads.h"
#include "search/tt.h"

namespace {

constexpr char kStart[] = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -";
constexpr char kStartBlack[] = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR b KQkq -";
constexpr double kNow = 1000.0;

class ControlTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { InitBitboards(); }
  void SetUp() override {
    CTD = NewThreadRecord(255);
    ASSERT_NE(CTD, nullptr);
    ASSERT_EQ(SetPosition(&CTD->pos, kStart), kSetOk);
    Personality.Hash = 1;
    Personality.Ponder = 0;
    Personality.MoveOverhead = 50;
    Personality.UCI_LimitStrength = 0;
    Personality.Log = 0;
    PBlock.protocol = 1;
    PBlock.info_delay = kSilentInfoDelay;
    SearchData.hash_enabled = 1;
    SearchData.hash_size = 1;
    ASSERT_EQ(HashInit(), 1);
    SearchData.go_request = StateThinking;
    SearchData.thread_count = 0;
    SuddenDeath(60.0, 0.0);
  }
  void TearDown() override {
    for (int i = 0; i < kMaxThreads; i++) delete ThreadData[i].exchange(nullptr);
    SearchData.thread_count = 0;
    HashFree();
    delete CTD;
    CTD = nullptr;
  }
  static void SuddenDeath(double clock, double inc) {
    SearchData.time_control = TimeSuddenDeath;
    SearchData.clock[White] = SearchData.clock[Black] = clock;
    SearchData.increment = inc;
    SearchData.moves_to_go = 0;
    SearchData.time_cap = kNoTimeLimit;
  }
  // Fake workers that never run: the time check only reads their records.
  static ThreadRecord* Worker(int i) {
    if (!ThreadData[i].load()) ThreadData[i].store(NewThreadRecord(uint8_t(i)));
    if (SearchData.thread_count <= i) SearchData.thread_count = uint8_t(i + 1);
    return ThreadData[i].load();
  }
  // A search at iteration depth d whose depth d - 1 scored p and whose shared
  // best is s with move e2e4.
  static void Searching(int d, int p, int s, int best_depth) {
    SearchData.iteration_depth.store(int8_t(d));
    SearchData.best_depth.store(int8_t(best_depth));
    SearchData.score_by_depth[d - 1] = int16_t(p);
    SearchData.best_score.store(int16_t(s));
    SearchData.pv[1] = MakeMoveCode(12, 28);
    SearchData.change_depth.store(0);
    SearchData.settled_depth.store(0);
  }
  // The elapsed time, to the millisecond, at which the check first stops.
  static double StopsAt(double from, double to) {
    for (double t = from; t <= to; t += 0.001) {
      SearchTimecheckAt(kNow + t);
      if (SearchData.stop.load() != StopRun) return t;
    }
    return -1;
  }
};

struct TargetCase {
  const char* name;
  uint8_t kind;
  double white_clock, black_clock, inc, fixed;
  int moves_to_go, ply, ponder, protocol;
  bool black;
  double target;
  int expect_moves_to_go;  // -1: not looked at
};

TEST_F(ControlTest, TimeTargets) {
  const TargetCase cases[] = {
      {"sudden death", 0, 60, 60, 0, 0, 0, 0, 0, 1, false, 60.0 / 36, 35},
      {"ponder bonus", 0, 60, 60, 0, 0, 0, 0, 1, 1, false, 60.0 / 36 * 1.3, 35},
      {"late game", 0, 60, 60, 0, 0, 0, 30, 0, 1, false, 2.5, 23},
      {"ply 25 still counts down", 0, 60, 60, 0, 0, 0, 25, 0, 1, false, 60.0 / 24, 23},
      {"increment", 0, 10, 10, 2, 0, 0, 40, 0, 1, false, 10.0 / 24 + 20.0 / 14, 23},
      {"black's clock", 0, 60, 30, 0, 0, 0, 0, 0, 1, true, 30.0 / 36, 35},
      {"floor", 0, 0.003, 0.003, 0, 0, 0, 0, 0, 1, false, 0.002, 35},
      {"empty clock", 0, 0, 0, 0, 0, 0, 0, 1, 1, false, 0.002, 35},
      {"start-up clocks", 0, 5, 5, 0, 0, 0, 0, 1, 1, false, 5.0 / 36 * 1.3, 35},
      {"movestogo 1", 40, 10, 10, 0, 0, 1, 7, 1, 1, false, 5.0, 1},
      {"movestogo 1 capped", 40, 1, 1, 0, 0, 1, 7, 0, 1, false, 0.65 - 0.2, 1},
      {"movestogo 2 no bonus", 40, 60, 60, 0, 0, 2, 0, 1, 1, false, 20.0, 2},
      {"movestogo 3 bonus", 40, 60, 60, 0, 0, 3, 0, 1, 1, false, 15.0 * 1.3, 3},
      {"movestogo 0 is sudden death", 40, 60, 60, 0, 0, 0, 0, 0, 1, false, 60.0 / 36, 35},
      {"movestogo -1 is sudden death", 40, 60, 60, 0, 0, -1, 30, 0, 1, false, 2.5, 23},
      {"console level", 40, 60, 60, 0, 0, 0, 10, 0, 0, false, 60.0 / 36, 35},
      {"console level near control", 40, 60, 60, 0, 0, 0, 76, 1, 0, false, 20.0, 2},
      {"fixed move time", 1, 60, 60, 0, 2.5, 0, 0, 1, 1, false, 2.5, -1},
      {"infinite", 1, 60, 60, 0, 1e7, 0, 0, 1, 1, false, 1e7, -1},
  };
  for (const TargetCase& c : cases) {
    ASSERT_EQ(SetPosition(&CTD->pos, c.black ? kStartBlack : kStart), kSetOk);
    CTD->game_ply = int16_t(c.ply);
    SearchData.time_control = c.kind;
    SearchData.clock[White] = c.white_clock;
    SearchData.clock[Black] = c.black_clock;
    SearchData.increment = c.inc;
    SearchData.fixed_time = c.fixed;
    SearchData.moves_to_go = int16_t(c.moves_to_go);
    Personality.Ponder = int16_t(c.ponder);
    PBlock.protocol = uint16_t(c.protocol);
    PrepareNewSearchAt(kNow);
    EXPECT_NEAR(SearchData.target_time, c.target, 1e-9) << c.name;
    if (c.expect_moves_to_go >= 0) {
      EXPECT_EQ(SearchData.moves_to_go, c.expect_moves_to_go) << c.name;
    }
    // A fixed limit leaves the game's clocks as the next go will find them.
    EXPECT_EQ(SearchData.clock[c.black], c.black ? c.black_clock : c.white_clock) << c.name;
    EXPECT_EQ(SearchData.engine_side, c.black ? Black : White) << c.name;
  }
}

TEST_F(ControlTest, PreparationResetsTheSearch) {
  SearchData.stop.store(StopShutdown);
  SearchData.best_score.store(321);
  SearchData.pv[1] = 0x0C1C;
  CTD->pv[1] = 0x0C1C;
  CTD->search_ply = 9;
  SearchData.iteration_depth.store(12);
  SearchData.best_depth.store(11);
  SearchData.last_completed_depth.store(11);
  SearchData.change_depth.store(5);
  SearchData.settled_depth.store(100);
  SearchData.score_by_depth[7] = 55;
  SearchData.nodes_by_depth[7].store(99);
  SearchData.target_nps.store(500.0);
  SearchData.go_request = StatePondering;
  CTD->game_ply = 6;
  Personality.Ponder = 1;
  Personality.MoveOverhead = 120;
  PrepareNewSearchAt(kNow);
  EXPECT_EQ(start, kNow);
  EXPECT_EQ(SearchData.stop.load(), StopRun);
  EXPECT_EQ(SearchData.best_score.load(), -10000);
  EXPECT_EQ(SearchData.pv[1], 0);
  EXPECT_EQ(CTD->pv[1], 0);
  EXPECT_EQ(CTD->search_ply, 1);
  EXPECT_EQ(SearchData.iteration_depth.load(), 0);
  EXPECT_EQ(SearchData.best_depth.load(), 0);
  EXPECT_EQ(SearchData.last_completed_depth.load(), 0);
  EXPECT_EQ(SearchData.change_depth.load(), 0);
  EXPECT_EQ(SearchData.settled_depth.load(), 0);
  for (int d = 0; d < kMaxPly; d++) {
    EXPECT_EQ(SearchData.score_by_depth[d], -10000);
    EXPECT_EQ(SearchData.nodes_by_depth[d].load(), 0u);
  }
  EXPECT_EQ(SearchData.target_nps.load(), 1e9);
  EXPECT_EQ(SearchData.state.load(), StatePondering);
  EXPECT_EQ(SearchData.ponder, 1);
  EXPECT_DOUBLE_EQ(SearchData.move_overhead, 0.12);
  EXPECT_EQ(SearchData.age, 7);

  // The strength limit keeps its rate.
  Personality.UCI_LimitStrength = 1;
  SearchData.target_nps.store(500.0);
  PrepareNewSearchAt(kNow);
  EXPECT_EQ(SearchData.target_nps.load(), 500.0);

  // A game past 999 plies is named, as an info line for a controller, and
  // the search still prepared.
  CTD->game_ply = 1000;
  for (const auto& [protocol, line] : {std::pair{1, "info string what?\n"}, std::pair{0, "what?\n"}}) {
    PBlock.protocol = uint16_t(protocol);
    testing::internal::CaptureStdout();
    PrepareNewSearchAt(kNow);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), line);
    EXPECT_EQ(SearchData.age, 1001);
  }
}

TEST_F(ControlTest, HashResizeKeepsTheTableUsableAndItsAge) {
  CTD->game_ply = 4;
  // Hash 0 disables the table.
  Personality.Hash = 0;
  PrepareNewSearchAt(kNow);
  EXPECT_EQ(SearchData.hash_enabled, 0);
  EXPECT_EQ(entries, 0u);

  // A later size brings it back, empty, with the search's own age.
  Personality.Hash = 1;
  PrepareNewSearchAt(kNow);
  EXPECT_EQ(SearchData.hash_enabled, 1);
  EXPECT_EQ(entries, 65536u);
  EXPECT_EQ(SearchData.age, 5);
  EXPECT_EQ(ReadSlot(hashtable + 100).depth, kHashEmptyDepth);
  HashStore(&CTD->pos, MakeMoveCode(12, 28), 3, 10, BoundExact);
  HashEntry e{};
  e.depth = -99;
  HashProbe(&CTD->pos, &e);
  EXPECT_EQ(e.depth, 3);
  EXPECT_EQ(e.age, 5);

  // Resizing an enabled table: empty slots do not count as current.
  Personality.Hash = 2;
  PrepareNewSearchAt(kNow);
  EXPECT_EQ(SearchData.age, 5);
  RefreshHashFill();
  EXPECT_EQ(SearchData.hash_fill, 0.0);

  // A console setting above 1 survives a resize.
  SearchData.hash_enabled = 2;
  Personality.Hash = 1;
  PrepareNewSearchAt(kNow);
  EXPECT_EQ(SearchData.hash_enabled, 2);
}

TEST_F(ControlTest, PositionIsLogged) {
  CTD->game_ply = 3;
  PBlock.info_delay = 0.0;
  PBlock.protocol = 0;
  testing::internal::CaptureStdout();
  PrepareNewSearchAt(kNow);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "fen rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -\n"
            "Ply= 3, cnt50= 0, Clock= 60.00s, Target time= 1.71s\n");

  // UCI: the log alone, and only while logging.
  PBlock.protocol = 1;
  FILE* saved = fdlog;
  fdlog = std::tmpfile();
  ASSERT_NE(fdlog, nullptr);
  testing::internal::CaptureStdout();
  PrepareNewSearchAt(kNow);
  Personality.Log = 1;
  PrepareNewSearchAt(kNow);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  std::rewind(fdlog);
  char buf[512] = {};
  const size_t n = std::fread(buf, 1, sizeof buf - 1, fdlog);
  EXPECT_EQ(std::string(buf, n),
            "info string fen rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -\n"
            "info string ply= 3, trg_time= 1.714 sec\n");
  std::fclose(fdlog);
  fdlog = saved;

  // The silent delay logs nothing.
  PBlock.info_delay = kSilentInfoDelay;
  PBlock.protocol = 0;
  testing::internal::CaptureStdout();
  PrepareNewSearchAt(kNow);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

TEST_F(ControlTest, TimeCheckGates) {
  PrepareNewSearchAt(kNow);  // target 1.667, overhead 0.05
  Searching(5, 20, 20, 4);
  EXPECT_NEAR(StopsAt(1.0, 2.0), 1.617, 0.0011);
  EXPECT_EQ(SearchData.stop.load(), StopReport);
  EXPECT_NEAR(SearchData.elapsed.load(), 1.617, 0.0011);

  // Console analysis and pondering.
  SearchData.go_request = StateAnalysis;
  PrepareNewSearchAt(kNow);
  Searching(5, 20, 20, 4);
  SearchTimecheckAt(kNow + 30);
  EXPECT_EQ(SearchData.stop.load(), StopAbort);
  SearchData.go_request = StatePondering;
  PrepareNewSearchAt(kNow);
  Searching(5, 20, 20, 4);
  SearchTimecheckAt(kNow + 59);
  EXPECT_EQ(SearchData.stop.load(), StopRun);
  SearchData.go_request = StateThinking;

  // Never before a depth-2 result, never at depth 1.
  SuddenDeath(0.1, 0.0);
  PrepareNewSearchAt(kNow);
  Searching(3, 0, 0, 1);
  SearchTimecheckAt(kNow + 5);
  EXPECT_EQ(SearchData.stop.load(), StopRun);
  SearchData.iteration_depth.store(1);
  SearchData.best_depth.store(2);
  SearchTimecheckAt(kNow + 5);
  EXPECT_EQ(SearchData.stop.load(), StopRun);
  // Less than five overheads left on the clock.
  Searching(3, 0, 0, 2);
  SearchTimecheckAt(kNow + 0.010);
  EXPECT_EQ(SearchData.stop.load(), StopReport);

  // A stop already set is left alone.
  SearchData.stop.store(StopAbort);
  SearchTimecheckAt(kNow + 5);
  EXPECT_EQ(SearchData.stop.load(), StopAbort);
}

TEST_F(ControlTest, TimeCheckBonuses) {
  struct Case {
    const char* name;
    int p, s;
    double stops_at;
  };
  // p = 20: m = 16. The bonus b stretches the limit to b% of the clock left.
  const Case drops[] = {
      {"steady", 20, 20, 1.617},
      {"small drop", 20, 3, (2.4 + 1.6167) / 1.04},
      {"drop", 20, -13, (6.0 + 1.6167) / 1.10},
      {"big drop", 20, -45, (14.4 + 1.6167) / 1.24},
      {"mate-range p", 9000, 9000 - 131, (6.0 + 1.6167) / 1.10},
  };
  for (const Case& c : drops) {
    PrepareNewSearchAt(kNow);
    Searching(5, c.p, c.s, 4);
    EXPECT_NEAR(StopsAt(c.stops_at - 0.05, c.stops_at + 0.05), c.stops_at, 0.0015) << c.name;
  }

  // Workers at the iteration depth that disagree with the shared result.
  ThreadRecord* w0 = Worker(0);
  ThreadRecord* w1 = Worker(1);
  ThreadRecord* w2 = Worker(2);
  const Move best = MakeMoveCode(12, 28), other = MakeMoveCode(11, 27);
  auto Set = [](ThreadRecord* w, int depth, Move move, int score, int kind) {
    w->depth.store(uint8_t(depth));
    w->best_move.store(move);
    w->root_score.store(int16_t(score));
    w->root_result.store(uint8_t(kind));
  };
  struct WorkerCase {
    const char* name;
    int w1_depth;
    Move w1_move;
    int w1_score, w1_kind;
    int w0_score, w0_kind;
    double stops_at;
  };
  const WorkerCase workers[] = {
      {"other move far better", 5, other, 45, 0, 20, 0, (10.8 + 1.6167) / 1.18},
      {"other move failing high", 5, other, 30, 2, 20, 0, (1.2 + 1.6167) / 1.02},
      {"other move not better", 5, other, 20, 2, 20, 0, 1.617},
      {"helper failing low", 5, best, 10, 1, 20, 0, (9.6 + 1.6167) / 1.16},
      {"thread 0 failing low", 5, best, 20, 0, 10, 1, (14.4 + 1.6167) / 1.24},
      {"helper behind the iteration", 4, other, 90, 2, 20, 0, 1.617},
  };
  for (const WorkerCase& c : workers) {
    PrepareNewSearchAt(kNow);
    Searching(5, 20, 20, 4);
    Set(w0, 5, best, c.w0_score, c.w0_kind);
    Set(w1, c.w1_depth, c.w1_move, c.w1_score, c.w1_kind);
    Set(w2, 5, best, 20, 0);
    EXPECT_NEAR(StopsAt(c.stops_at - 0.05, c.stops_at + 0.05), c.stops_at, 0.0015) << c.name;
  }
}

TEST_F(ControlTest, TimeCheckUnderTheReserve) {
  struct Case {
    const char* name;
    double clock;
    int overhead, best_depth;
    uint8_t state;
    double stops_at;  // -1: not within a second
    bool fast_polls;
  };
  // The reserve is five overheads: 0.25 s.
  const Case cases[] = {
      {"no depth-2 result yet", 0.2, 50, 1, StateThinking, -1, true},
      {"pondering", 0.2, 50, 2, StatePondering, -1, true},
      {"comfortable clock", 0.5, 50, 2, StateThinking, 0.015, false},
      {"reaching the reserve", 0.2605, 50, 2, StateThinking, 0.011, true},
      {"no overhead, no reserve", 0.2, 0, 2, StateThinking, 0.015, false},
      {"under the reserve", 0.2, 50, 2, StateThinking, 0.003, true},
  };
  for (const Case& c : cases) {
    SuddenDeath(c.clock, 0.01);
    Personality.MoveOverhead = int16_t(c.overhead);
    PrepareNewSearchAt(kNow);
    SearchData.state.store(c.state);
    Searching(3, 0, 0, c.best_depth);
    EXPECT_NEAR(StopsAt(0.003, 1.0), c.stops_at, 0.0011) << c.name;
    EXPECT_EQ(ClockUnderReserve(), c.fast_polls) << c.name;
  }
  // Between searches, what the last search left of its clock decides.
  SearchData.state.store(StateIdle);
  EXPECT_TRUE(ClockUnderReserve());
  SuddenDeath(0.3, 0.01);
  EXPECT_FALSE(ClockUnderReserve());
  SearchData.elapsed_at_completed = 0.06;
  EXPECT_TRUE(ClockUnderReserve());
}

TEST_F(ControlTest, TimeCheckStableAndForcedMoves) {
  struct Case {
    const char* name;
    int d, change, settled, best_depth;
    double stops_at;
  };
  const Case cases[] = {
      {"change at this depth", 8, 8, 0, 7, (1.2 + 1.6167) / 1.02},
      {"change one depth back", 8, 7, 0, 7, (0.6 + 1.6167) / 1.01},
      {"long settled", 10, 3, 9, 9, 1.6167 * 0.7},
      {"settled", 10, 5, 9, 9, 1.6167 * 0.85},
      {"recent change", 10, 8, 9, 9, 1.617},
      {"not settled at d - 1", 10, 3, 8, 9, 1.617},
      {"single reply", 8, 0, 100, 7, 0.015},
      {"single reply too shallow", 8, 0, 100, 6, 1.617},
  };
  for (const Case& c : cases) {
    PrepareNewSearchAt(kNow);
    Searching(c.d, 20, 20, c.best_depth);
    SearchData.change_depth.store(int8_t(c.change));
    SearchData.settled_depth.store(uint8_t(c.settled));
    EXPECT_NEAR(StopsAt(0.0, 3.0), c.stops_at, 0.0015) << c.name;
  }
}

TEST_F(ControlTest, TimeCheckFixedTime) {
  // A move time beside the clock ends the search when it comes first (bonus or not, and before
  // the 15 ms minimum), and the loop wakes for it; the clock ends it when it comes first.
  for (const auto& [cap, best, stops_at] : {std::tuple{0.3, 20, 0.3}, {0.3, -200, 0.3}, {0.008, 20, 0.008},
                                            {5.0, 20, 1.617}}) {
    SearchData.time_cap = cap;
    PrepareNewSearchAt(kNow);
    Searching(5, 20, best, 4);
    EXPECT_NEAR(FixedTimeLeft() + MonotonicSeconds(), kNow + cap, 0.5);
    EXPECT_NEAR(StopsAt(0.0, 3.0), stops_at, 0.0011) << cap << " " << best;
  }
  SearchData.time_cap = kNoTimeLimit;

  SearchData.time_control = TimeFixed;
  SearchData.fixed_time = 2.5;
  PrepareNewSearchAt(kNow);
  // No overhead, and the bonus has only the move time left to share.
  Searching(5, 20, -45, 4);
  EXPECT_NEAR(StopsAt(2.3, 2.7), 2.5, 0.0011);

  // Neither a short clock nor a single reply ends a fixed search early.
  SearchData.fixed_time = 0.2;
  PrepareNewSearchAt(kNow);
  Searching(8, 20, 20, 7);
  SearchData.settled_depth.store(100);
  EXPECT_NEAR(StopsAt(0.0, 0.3), 0.2, 0.0011);
}

TEST_F(ControlTest, EffectiveBranchingFactor) {
  PrepareNewSearchAt(kNow);
  SearchData.last_completed_depth.store(5);
  EXPECT_EQ(EffectiveBranchingFactor(), 2.0);
  SearchData.last_completed_depth.store(10);
  EXPECT_EQ(EffectiveBranchingFactor(), 2.0);
  SearchData.nodes_by_depth[10].store(1000000);
  EXPECT_EQ(EffectiveBranchingFactor(), 2.0);
  SearchData.nodes_by_depth[6].store(10000);
  EXPECT_NEAR(EffectiveBranchingFactor(), 3.16228, 1e-5);
}

// Under a sanitizer the address space is its own, so these run without one.
#ifndef KERV_SANITIZED

// Exits with 7 when a size that does not fit leaves the largest that does, said once (plain in the console).
[[noreturn]] void PrepareUnderLimit() {
  rlimit limit;
  limit.rlim_cur = limit.rlim_max = rlim_t(1) << 30;
  setrlimit(RLIMIT_AS, &limit);
  bool ok = true;
  for (const auto& [protocol, asked, prefix] : {std::tuple{1, 4096, "info string "}, std::tuple{0, 8192, ""}}) {
    PBlock.protocol = uint8_t(protocol);
    Personality.Hash = int16_t(asked);
    testing::internal::CaptureStdout();
    PrepareNewSearchAt(kNow);
    PrepareNewSearchAt(kNow);
    const int kept = Personality.Hash;
    const std::string said = prefix + ("Hash of " + std::to_string(asked)) + " MB could not be allocated, using ";
    ok &= testing::internal::GetCapturedStdout() == said + std::to_string(kept) + " MB\n";
    ok &= kept > 1 && kept < 1024 && SearchData.hash_size == kept && entries == uint32_t(kept) * 65536;
  }
  std::exit(ok ? 7 : 1);
}

TEST_F(ControlTest, SizeThatCannotBeHadLeavesTheLargestThatFits) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(PrepareUnderLimit(), ::testing::ExitedWithCode(7), "");
}

#endif

}  // namespace
