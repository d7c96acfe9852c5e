#include "board/attacks.h"

#include "board/bitboard.h"
#include "board/movegen.h"
#include "search/records.h"

namespace {

inline int AttackedBy(const Position* pos, int sq, int side, Bitboard occupied) {
  const Bitboard* bb = pos->bb[side];
  if (bb[Pawn] & BB_PawnRays[side ^ 1][sq]) return 1;
  if (bb[Knight] & BB_KnightRays[sq]) return 1;
  if (bb[King] & BB_KingRays[sq]) return 1;
  for (Bitboard b = (bb[Bishop] | bb[Queen]) & BB_BishopRays[sq]; b; b = ClearLSB(b))
    if (!(BB_Between[LSB(b)][sq] & occupied)) return 1;
  for (Bitboard b = (bb[Rook] | bb[Queen]) & BB_RookRays[sq]; b; b = ClearLSB(b))
    if (!(BB_Between[LSB(b)][sq] & occupied)) return 1;
  return 0;
}

// Whether sq stands unattacked by the enemy once the pawn that side takes en
// passant on ep is gone; occupied already holds the capturing pawn's move.
inline int SafeAfterEnPassant(Position* pos, int side, int sq, int ep, Bitboard occupied) {
  const int enemy = side ^ 1;
  const Bitboard victim = SquareBit(ep - pawn_dir[side]);
  pos->bb[enemy][Pawn] ^= victim;
  const int safe = !AttackedBy(pos, sq, enemy, occupied ^ victim);
  pos->bb[enemy][Pawn] ^= victim;
  return safe;
}

// ep when a pawn of the side to move can take there lawfully on this board,
// else no square: a double push that no pawn can answer changes nothing.
// Not through MoveIsLegal: one more caller of it would cost the move loops
// their inlined copy.
int UsableEp(Position* pos, int ep) {
  const int side = pos->side;
  if (ep == NoSquare || pos->board[ep - pawn_dir[side]] != PieceCode(Pawn, side ^ 1)) return NoSquare;
  const int king = pos->list[side][King][0];
  const Bitboard occupied = (pos->bb[White][0] | pos->bb[Black][0]) ^ SquareBit(ep);
  for (Bitboard b = BB_PawnRays[side ^ 1][ep] & pos->bb[side][Pawn]; b; b = ClearLSB(b))
    if (SafeAfterEnPassant(pos, side, king, ep, occupied ^ SquareBit(LSB(b)))) return ep;
  return NoSquare;
}

}  // namespace

int SqAtakd(const Position* pos, int sq, int side) {
  return AttackedBy(pos, sq, side, pos->bb[White][0] | pos->bb[Black][0]);
}

int MoveIsLegal(Position* pos, int side, Move move) {
  if (move == NullMove) return 0;
  const int from = MoveFrom(move), to = MoveTo(move);
  const int enemy = side ^ 1;
  const int king = pos->list[side][King][0];
  int target = king;
  if (from == king) {
    if (to == from + 2 || to == from - 2)
      return !SqAtakd(pos, from, enemy) && !SqAtakd(pos, to, enemy) && !SqAtakd(pos, (from + to) / 2, enemy);
    target = to;
  }
  // The enemy's bitboards lose a captured piece for the test; its type
  // bitboard matters because the attack test reads pieces by type.
  const Bitboard moved = SquareBit(from) | SquareBit(to);
  const Bitboard occupied = (pos->bb[White][0] | pos->bb[Black][0]) ^ moved;
  int legal;
  if (const int captured = pos->board[to]) {
    Bitboard& victims = pos->bb[enemy][PieceType(captured)];
    victims ^= SquareBit(to);
    legal = !AttackedBy(pos, target, enemy, occupied | SquareBit(to));
    victims ^= SquareBit(to);
  } else if (to == pos->ep && PieceType(pos->board[from]) == Pawn) {
    legal = SafeAfterEnPassant(pos, side, target, to, occupied);
  } else {
    legal = !AttackedBy(pos, target, enemy, occupied);
  }
  return legal;
}

void RemoveIllegalMoves(Position* pos, int side, MoveEntry* list) {
  MoveEntry* out = list;
  for (; list->move != EndOfList; list++)
    if (MoveIsLegal(pos, side, list->move)) *out++ = *list;
  out->move = EndOfList;
}

int InCheck(const Position* pos) { return SqAtakd(pos, pos->list[pos->side][King][0], pos->side ^ 1); }

int IsMate(Position* pos, int in_check) {
  GenerateAll(pos);
  const ThreadRecord* td = pos->owner;
  for (const MoveEntry* e = &td->moves[td->ply[td->search_ply].list_start]; e->move != EndOfList; e++)
    if (MoveIsLegal(pos, pos->side, e->move)) return 0;
  return in_check ? 1 : 2;
}

bool RepeatsEarlier(Position* pos, const UndoRecord& earlier) {
  return earlier.key == pos->key && earlier.castling == pos->castling &&
         UsableEp(pos, earlier.ep) == UsableEp(pos, pos->ep);
}

int IsDraw(Position* pos, int in_check, int occurrences) {
  if (pos->fifty < 4) return 0;
  if (pos->fifty >= 100 && IsMate(pos, in_check) == 0) return 1;
  const ThreadRecord* td = pos->owner;
  const int u = td->game_ply;
  int stop = u - pos->fifty;
  if (stop < 0) stop = 0;
  int count = 1;
  for (int i = u - 4; i >= stop; i -= 2)
    if (RepeatsEarlier(pos, td->undo[i]) && ++count >= occurrences) return 2;
  return 0;
}

int GivesCheck(const Position* pos, Move move) {
  const int side = pos->side;
  const int from = MoveFrom(move), to = MoveTo(move);
  const int king = pos->list[side ^ 1][King][0];
  const Bitboard occupied = pos->bb[White][0] | pos->bb[Black][0];
  const int type = (move & PromoMask) ? PromotedType(move) : PieceType(pos->board[from]);

  // Discovered checks need an own slider: bishops, rooks or queens by count.
  if (pos->msig[side] & 0xFFF00) {
    const Bitboard after = (occupied & ~SquareBit(from)) | SquareBit(to);
    const Bitboard* bb = pos->bb[side];
    Bitboard sliders = 0;
    if (BB_RookRays[king] & SquareBit(from)) sliders |= (bb[Rook] | bb[Queen]) & RookAttacks(king, after);
    if (BB_BishopRays[king] & SquareBit(from)) sliders |= (bb[Bishop] | bb[Queen]) & BishopAttacks(king, after);
    for (; sliders; sliders = ClearLSB(sliders))
      if (BB_Between[LSB(sliders)][king] & SquareBit(from)) return 2;
  }

  switch (type) {
    case Pawn:
      return (BB_PawnRays[side][to] & SquareBit(king)) != 0;
    case Knight:
      return (BB_KnightRays[to] & SquareBit(king)) != 0;
    case Bishop:
      return (BB_BishopRays[to] & SquareBit(king)) && !(BB_Between[to][king] & occupied);
    case Rook:
      return (BB_RookRays[to] & SquareBit(king)) && !(BB_Between[to][king] & occupied);
    case Queen:
      return ((BB_BishopRays[to] | BB_RookRays[to]) & SquareBit(king)) && !(BB_Between[to][king] & occupied);
    default:
      return 0;
  }
}
