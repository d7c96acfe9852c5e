// The one shared search record: limits from "go", the clock, the stop byte and
// the shared result. Fields that search threads and the main thread touch at
// the same time are atomics; pv and score_by_depth are guarded by spinlock1.
// Everything else is written by the main thread while the pool is idle and
// reaches the workers through the release on their command bytes.
#pragma once
#include <atomic>
#include <cstdint>
#include "board/position.h"
#include "search/records.h"

enum StopCode : uint8_t { StopRun = 0, StopReport = 1, StopAbort = 2, StopNoMoves = 3, StopShutdown = 99 };
enum SearchState : uint8_t { StateIdle = 0, StateThinking = 1, StatePondering = 2, StateAnalysis = 3 };
enum TimeControl : uint8_t { TimeSuddenDeath = 0, TimeFixed = 1 };  // any other value: moves per control
constexpr double kNoTimeLimit = 10000000.0;  // seconds: a time no search reaches

// Order of the statistics totals (not the order of the thread counters).
enum TotalSlot : int {
  TotalNodes, TotalEvals, TotalEvalHits, TotalTtProbes,
  TotalTtHits, TotalPawnProbes, TotalPawnHits, TotalTbHits
};

struct SearchRecord {
  uint8_t thread_count;
  uint8_t hash_enabled;
  int16_t hash_size;
  uint16_t age;
  uint16_t ponder;
  Move book_move;
  double move_overhead;
  uint8_t engine_side;
  std::atomic<uint8_t> state;
  uint8_t go_request;
  uint64_t node_limit;
  int8_t max_depth;
  uint8_t time_control;
  double fixed_time;
  double time_cap = kNoTimeLimit;  // the most a search by the clocks may take (a movetime beside them)
  double increment;
  double clock[2];
  int16_t moves_to_go;
  double target_time;
  std::atomic<double> elapsed;
  std::atomic<uint8_t> stop;
  double calibrated_nps;
  double full_elo;
  std::atomic<double> target_nps;
  std::atomic<int8_t> iteration_depth;  // thread 0 stores with release
  std::atomic<int8_t> best_depth;
  std::atomic<int16_t> best_score;
  uint8_t best_bound;  // how best_score holds, a ScoreBound; under spinlock1
  Move pv[kMaxPly];  // [1] best move, [2] ponder move
  int16_t root_eval;
  int16_t root_score;
  std::atomic<int8_t> change_depth;
  std::atomic<uint8_t> settled_depth;
  std::atomic<uint8_t> last_completed_depth;
  double elapsed_at_completed;  // elapsed when last_completed_depth was reached
  int16_t score_by_depth[kMaxPly];
  Move move_by_depth[kMaxPly];
  std::atomic<uint64_t> nodes_by_depth[kMaxPly];  // every thread adds its own
  std::atomic<uint64_t> totals[8];
  double hash_fill;
  int32_t tb_result;
  int16_t tb_score[2];
  Move tb_move;
};

extern SearchRecord SearchData;
extern double start;  // monotonic seconds at which the current search was prepared

// Sets the stop byte only while it is still 0, so that a thread ending its
// search never overwrites an abort or a shutdown sent by the main thread.
inline void StopIfRunning(uint8_t code) {
  uint8_t run = StopRun;
  SearchData.stop.compare_exchange_strong(run, code, std::memory_order_relaxed);
}

inline bool Stopped() { return SearchData.stop.load(std::memory_order_relaxed) != StopRun; }
