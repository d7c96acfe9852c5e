// The prober's own position and moves, the WDL and DTZ probes, and the
// search's view of the tablebases: win/draw/loss in the tree and the
// distance-to-zero move at the root.
#pragma once
#include <cstdint>

#include "board/position.h"

struct TbPosition {
  uint64_t white, black;
  uint64_t kings, queens, rooks, bishops, knights, pawns;
  uint8_t rule50;  // only ever tested for zero
  uint8_t ep;      // 0: none (a1 can never be an en-passant square)
  uint8_t turn;    // 1 white, 0 black
};

// to in bits 0-5, from in bits 6-11, promotes in bits 12-14 (1 Q, 2 R, 3 B, 4 N).
using TbMove = uint16_t;

// Room for every pseudo-legal move of a six-man position.
constexpr int kTbMaxMoves = 256;

// Squares holding the piece of a code (1-6 white, 9-14 black); 0 otherwise.
uint64_t get_pieces(const TbPosition* pos, int code);
// Every pseudo-legal move of the side to move; returns the end of the list.
TbMove* gen_moves(const TbPosition* pos, TbMove* list);
// Writes the successor; false when the mover's king is missing or attacked.
bool do_move(TbPosition* next, const TbPosition* pos, TbMove move);

// Win/draw/loss (-2..2) for the side to move under the fifty-move rule from
// a fresh counter; success 0 when a needed table is missing or damaged.
int probe_wdl(const TbPosition* pos, int* success);
// Signed plies to the next zeroing move, above 100 for cursed results;
// success 0 on failure. One thread at a time.
int probe_dtz(const TbPosition* pos, int* success);

// Results from the side to move's view: -1 no answer, 0 loss, 1 blessed
// loss, 2 draw, 3 cursed win, 4 win.
int TB_Probe_WDL(const Position* pos, int depth);
// On an answer, move receives the root move that keeps the best result.
int TB_Probe_DTZ(const Position* pos, Move* move);
