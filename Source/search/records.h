// Per-thread search records: the thread record that owns a board with its
// stacks, and the per-ply record of the node search.
#pragma once
#include <atomic>
#include <cstdint>
#include "board/position.h"
#include "eval/evalcache.h"

constexpr int kMaxPly = 70;
constexpr int kUndoStackSize = 800;
// Room for the longest possible list (218 moves and its end) at every ply, so
// no position can overrun the stack.
constexpr int kMoveStackSize = kMaxPly * 256;

struct PlyRecord {
  int16_t node_type;
  uint16_t draw;
  int16_t depth;
  int16_t eval;
  int16_t alpha;
  int16_t beta;
  int32_t in_check;
  uint16_t ext_acc;
  uint16_t iid;
  uint16_t move_flags;
  uint16_t threat[2];
  uint16_t moves_searched;
  int32_t tb_result;
  Move hash_move;
  Move killer[2];
  Move check_killer;
  uint16_t stage;
  uint16_t list_start;  // index into the move stack
  uint16_t current;     // index into the move stack
};

enum CounterSlot : int {
  CountNodes, CountTbHits, CountEvals, CountEvalHits,
  CountTtProbes, CountTtHits, CountPawnProbes, CountPawnHits
};

// Fields that the main thread reads while the owner searches are atomics,
// written by the owner with relaxed stores.
struct ThreadRecord {
  UndoRecord undo[kUndoStackSize];
  PlyRecord ply[kMaxPly];
  MoveEntry moves[kMoveStackSize];
  int16_t history[16][64];
  Move counter1[16][64];
  Move counter2[16][64];
  Move followup[16][64];
  EvalCacheEntry eval_cache[kEvalCacheSize];
  PawnHashEntry pawn_hash[kPawnHashSize];
  EvalWork ew;
  Position pos;
  Move pv[kMaxPly];
  int16_t game_ply;
  int32_t dropped_plies;  // older game plies no longer held on the undo stack
  int16_t search_ply;
  Move last_move;
  uint8_t index;
  std::atomic<uint8_t> command;
  std::atomic<uint8_t> depth;
  std::atomic<uint8_t> root_result;
  std::atomic<uint8_t> completed_depth;
  uint8_t sel_depth;
  uint32_t rand_state;
  std::atomic<int16_t> root_score;
  std::atomic<Move> best_move;  // mirror of pv[1] for the main thread's time check
  int16_t root_eval;
  uint64_t node_limit;
  std::atomic<uint64_t> counters[8];
};

// Counters are written only by their owner, so a relaxed load and store is
// enough and avoids a locked add on the hot path.
inline void Count(ThreadRecord* td, int slot, uint64_t n = 1) {
  td->counters[slot].store(td->counters[slot].load(std::memory_order_relaxed) + n,
                           std::memory_order_relaxed);
}

// Plies of the whole game, held or dropped.
inline int GamePlies(const ThreadRecord* td) { return td->dropped_plies + td->game_ply; }

// The game's own record; thread index 255.
extern ThreadRecord* CTD;

// Allocates a zero-filled record with its position pointing back at it;
// nullptr when memory is short.
ThreadRecord* NewThreadRecord(uint8_t index);
