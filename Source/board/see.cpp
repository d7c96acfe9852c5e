#include "board/see.h"

#include "board/bitboard.h"

namespace {

constexpr int kKingTaken = 9999;

// Least valuable attacker of to for side, lowest square within a class;
// pieces are read from the type bitboards, so removed ones are gone and
// sliders behind them show through the reduced occupancy.
int LeastAttacker(const Position* pos, int side, int to, Bitboard occupied) {
  const Bitboard* bb = pos->bb[side];
  if (Bitboard b = bb[Pawn] & BB_PawnRays[side ^ 1][to]) return LSB(b);
  if (Bitboard b = bb[Knight] & BB_KnightRays[to]) return LSB(b);
  for (Bitboard b = bb[Bishop] & BB_BishopRays[to]; b; b = ClearLSB(b))
    if (!(BB_Between[LSB(b)][to] & occupied)) return LSB(b);
  for (Bitboard b = bb[Rook] & BB_RookRays[to]; b; b = ClearLSB(b))
    if (!(BB_Between[LSB(b)][to] & occupied)) return LSB(b);
  for (Bitboard b = bb[Queen] & (BB_BishopRays[to] | BB_RookRays[to]); b; b = ClearLSB(b))
    if (!(BB_Between[LSB(b)][to] & occupied)) return LSB(b);
  if (Bitboard b = bb[King] & BB_KingRays[to]) return LSB(b);
  return NoSquare;
}

// Puts the piece of from on to for the time of a computation; the victim's
// bit stays in its type bitboard, which is harmless as no ray holds its origin.
struct TrialCapture {
  Position* pos;
  int from, to;
  uint8_t piece, victim;

  TrialCapture(Position* p, int side, int f, int t) : pos(p), from(f), to(t), piece(p->board[f]), victim(p->board[t]) {
    pos->board[to] = piece;
    pos->board[from] = 0;
    pos->bb[side][PieceType(piece)] ^= SquareBit(from);
  }
  ~TrialCapture() {
    pos->bb[PieceColour(piece)][PieceType(piece)] ^= SquareBit(from);
    pos->board[from] = piece;
    pos->board[to] = victim;
  }
};

}  // namespace

int swapoff1(Position* pos, int side, int from, int to, Bitboard occupancy, int clamp) {
  if (from == NoSquare && (from = LeastAttacker(pos, side, to, occupancy)) == NoSquare) return 0;
  const int victim = PieceType(pos->board[to]);
  if (victim == King) return kKingTaken;
  int result;
  {
    TrialCapture capture(pos, side, from, to);
    result = piece_value[victim] - swapoff1(pos, side ^ 1, NoSquare, to, occupancy & ~SquareBit(from), 1);
  }
  return clamp && result < 0 ? 0 : result;
}

int swapoff(Position* pos, int side, int from, int to) {
  Bitboard occupancy = pos->bb[White][0] | pos->bb[Black][0];
  if (from == NoSquare && (from = LeastAttacker(pos, side, to, occupancy)) == NoSquare) return 0;
  const int victim = PieceType(pos->board[to]);
  if (victim == King) return kKingTaken;
  const int capturer = PieceType(pos->board[from]);
  TrialCapture capture(pos, side, from, to);
  occupancy &= ~SquareBit(from);
  const int reply = LeastAttacker(pos, side ^ 1, to, occupancy);
  if (reply == NoSquare) return piece_value[victim];
  if (capturer == King) return piece_value[victim] - kKingTaken;
  TrialCapture recapture(pos, side ^ 1, reply, to);
  const int regain = piece_value[capturer] - swapoff1(pos, side, NoSquare, to, occupancy & ~SquareBit(reply), 1);
  return piece_value[victim] - (regain > 0 ? regain : 0);
}
