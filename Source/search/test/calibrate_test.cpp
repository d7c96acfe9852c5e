// The speed calibration, the rating conversions and the node-rate throttle:
// that it waits only where it should and always lets the search go on.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <future>
#include <iterator>
#include <string>

#include "search/calibrate.h"
#include "search_fixture.h"

namespace {

class CalibrateTest : public SearchTest {
 protected:
  void SetUp() override {
    SearchTest::SetUp();
    SearchData.stop = StopRun;
    SearchData.state = StateThinking;
    SearchData.iteration_depth = 3;
    SearchData.best_depth = 2;
    SearchData.target_time = 1000.0;
    SearchData.target_nps = 1000.0;
    td = NewThreadRecord(7);
    ASSERT_NE(td, nullptr);
  }
  void TearDown() override {
    delete td;
    SearchData.target_nps = kNoSpeedLimit;
    SearchData.iteration_depth = 0;
  }
  // Runs the throttle on another thread; false when it has not returned
  // within the deadline (and then waits for it, so only for calls that end).
  bool ThrottleReturns(double deadline, int depth = 3) {
    auto done = std::async(std::launch::async, [&] { NodeRateThrottle(td, depth); });
    return done.wait_for(std::chrono::duration<double>(deadline)) == std::future_status::ready;
  }
  void Nodes(uint64_t n) { td->counters[CountNodes].store(n); }
  ThreadRecord* td = nullptr;
};

}  // namespace

TEST(Rating, ConversionsMatchTheFormulas) {
  EXPECT_NEAR(EloOfSpeed(1000000.0), 2870.5, 0.05);
  EXPECT_EQ(int(EloOfSpeed(100000.0)), 2614);
  EXPECT_EQ(int(EloOfSpeed(20000.0)), 2436);
  EXPECT_NEAR(SpeedOfElo(2000.0), 412.7, 0.05);
  EXPECT_NEAR(SpeedOfElo(1500.0), 24.3, 0.05);
  EXPECT_NEAR(EloOfSpeed(SpeedOfElo(2345.0)), 2345.0, 1e-6);
  // No logarithm of zero or less for a machine at or below 20 nodes a second.
  EXPECT_TRUE(std::isfinite(EloOfSpeed(20.0)));
  EXPECT_TRUE(std::isfinite(EloOfSpeed(-5.0)));
}

TEST_F(CalibrateTest, WalkFollowsSixMovesAtEveryNode) {
  SetGame(fen_opn);
  InitSearchThreads();
  ThreadRecord* w = ThreadData[0].load();
  ASSERT_NE(w, nullptr);
  const Position before = w->pos;
  start = MonotonicSeconds();
  Perft3(w, White, 1, 3);
  EXPECT_EQ(w->counters[CountNodes].load(), 1u + 6 + 36 + 216);
  EXPECT_EQ(std::memcmp(w->pos.board, before.board, sizeof before.board), 0);
  EXPECT_EQ(w->pos.key, before.key);
  EXPECT_EQ(w->search_ply, 1);
}

TEST_F(CalibrateTest, CalibrationSetsTheSpeedAndShowsOneLine) {
  std::fflush(stdout);
  char path[] = "/tmp/kerv_calibrate_XXXXXX";
  const int fd = mkstemp(path);
  const int saved = dup(1);
  dup2(fd, 1);
  Calibrate();
  std::fflush(stdout);
  dup2(saved, 1);
  close(saved);
  close(fd);
  std::ifstream in(path);
  const std::string out((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::remove(path);
  double et = 0, nodes = 0, nps = 0;
  ASSERT_EQ(std::sscanf(out.c_str(), "info string et= %lf, nodes= %lf, nps= %lf\n", &et, &nodes, &nps), 3) << out;
  EXPECT_EQ(out.find('\n'), out.size() - 1);
  EXPECT_GT(nodes, 0);
  EXPECT_NEAR(nps, SearchData.calibrated_nps, 0.5);
  EXPECT_GE(SearchData.calibrated_nps, 21.0);
  EXPECT_GE(SearchData.full_elo, 1500.0);
  if (SearchData.calibrated_nps > 100.0) {
    EXPECT_DOUBLE_EQ(SearchData.full_elo, EloOfSpeed(SearchData.calibrated_nps));
  }
  EXPECT_EQ(CTD->pos.key, [] {
    Position p = CTD->pos;
    SetPosition(&p, fen_opn);
    return p.key;
  }());
}

TEST_F(CalibrateTest, ThrottleWaitsOnlyInsideTheLimitedSearch) {
  // Far above the target at 1000 nodes in almost no time: each of these
  // must let the node go on at once.
  start = MonotonicSeconds();
  Nodes(1000000);
  SearchData.target_nps = kNoSpeedLimit;
  EXPECT_TRUE(ThrottleReturns(0.5));
  SearchData.target_nps = 1000.0;
  EXPECT_TRUE(ThrottleReturns(0.5, 0));  // quiescence
  SearchData.iteration_depth = 1;
  EXPECT_TRUE(ThrottleReturns(0.5));
  SearchData.iteration_depth = 3;
  SearchData.stop = StopAbort;
  EXPECT_TRUE(ThrottleReturns(0.5));
  SearchData.stop = StopRun;
  // The move's time is spent and depth 2 is not complete: the time check
  // cannot stop the search yet, so the limit must not hold it either.
  start = MonotonicSeconds() - 2.0;
  SearchData.target_time = 1.0;
  SearchData.best_depth = 1;
  EXPECT_TRUE(ThrottleReturns(0.5));
  // While pondering there is no time to lose yet: it waits.
  SearchData.state = StatePondering;
  auto waiting = std::async(std::launch::async, [&] { NodeRateThrottle(td, 3); });
  EXPECT_EQ(waiting.wait_for(std::chrono::milliseconds(100)), std::future_status::timeout);
  SearchData.target_nps = kNoSpeedLimit;  // releases it
  EXPECT_EQ(waiting.wait_for(std::chrono::seconds(10)), std::future_status::ready);
}

TEST_F(CalibrateTest, ThrottleReadsTheClockItself) {
  // Nobody refreshes the elapsed time of a search run in the calling thread:
  // the throttle must still see the time pass and let go (1000 nodes at
  // 20000 a second take 50 ms).
  SearchData.elapsed = 0.0;
  start = MonotonicSeconds();
  SearchData.target_nps = 20000.0;
  Nodes(1000);
  EXPECT_TRUE(ThrottleReturns(10.0));
  EXPECT_GE(MonotonicSeconds() - start, 0.045);
  // Lifting the limit while a node waits releases it.
  start = MonotonicSeconds();
  SearchData.target_nps = 1.0;
  auto done = std::async(std::launch::async, [&] { NodeRateThrottle(td, 3); });
  EXPECT_EQ(done.wait_for(std::chrono::milliseconds(50)), std::future_status::timeout);
  SearchData.target_nps = kNoSpeedLimit;
  EXPECT_EQ(done.wait_for(std::chrono::seconds(10)), std::future_status::ready);
}
