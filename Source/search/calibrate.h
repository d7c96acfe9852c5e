// Speed calibration at start-up and the strength limit built on it: a
// playing strength is a node rate, and the node search waits while its
// thread runs faster than the target rate.
#pragma once
#include <atomic>

#include "search/records.h"
#include "search/searchdata.h"

// Target speed that means no limit.
constexpr double kNoSpeedLimit = 1000000000.0;

// The range of UCI_Elo, the same on every start: a measured top would move
// with each start's measurement. The top, or the measured full strength when
// that is lower, means no limit.
constexpr int kLowestElo = 1500;
constexpr int kHighestElo = 3000;

// Rating of a node rate, and the node rate of a rating.
double EloOfSpeed(double nps);
double SpeedOfElo(double elo);

// The target speed of a rating in the range: none at full strength.
double SpeedLimitOfElo(int elo);

// Measures the engine's speed on worker 0's record, sets the calibrated
// speed and the full-strength Elo, and shows the "info string et= " line.
// The pool must be idle.
void Calibrate();

// The calibration workload: a time-boxed walk that follows the first six
// legal moves of every node in the search's move order, evaluating each node.
void Perft3(ThreadRecord* td, int side, int ply, int depth);

// Waits in 1 ms steps while this thread's node rate is above the target.
void ThrottleWait(const ThreadRecord* td);

// The node search calls this at the entry of every node, after counting it;
// depth is the node's remaining depth. Costs one load while there is no limit.
inline void NodeRateThrottle(const ThreadRecord* td, int depth) {
  if (depth >= 1 && SearchData.target_nps.load(std::memory_order_relaxed) < kNoSpeedLimit) ThrottleWait(td);
}
