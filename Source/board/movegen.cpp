#include "board/movegen.h"

#include "board/bitboard.h"
#include "search/records.h"

namespace {

constexpr Bitboard kFileA = 0x0101010101010101ULL;
constexpr Bitboard kFileH = 0x8080808080808080ULL;
constexpr Bitboard kRank1 = 0xFFULL;
constexpr Bitboard kRank8 = 0xFF00000000000000ULL;
constexpr Bitboard kRank2[2] = {0x000000000000FF00ULL, 0x00FF000000000000ULL};

inline MoveEntry* Add(MoveEntry* list, const Position* pos, int from, int to, Move flags = 0) {
  list->move = Move(MakeMoveCode(from, to) | flags);
  list->piece = pos->board[from];
  list->captured = pos->board[to];
  return list + 1;
}

// Moves of one piece to every square of targets, ascending.
inline MoveEntry* AddAll(MoveEntry* list, const Position* pos, int from, Bitboard targets) {
  const uint8_t piece = pos->board[from];
  for (; targets; targets = ClearLSB(targets)) {
    const int to = LSB(targets);
    list->move = MakeMoveCode(from, to);
    list->piece = piece;
    list->captured = pos->board[to];
    list++;
  }
  return list;
}

// Slider captures keep only targets with nothing in between.
inline Bitboard Reachable(int from, Bitboard targets, Bitboard occupied) {
  Bitboard hit = 0;
  for (; targets; targets = ClearLSB(targets)) {
    const int to = LSB(targets);
    if (!(BB_Between[from][to] & occupied)) hit |= SquareBit(to);
  }
  return hit;
}

inline MoveEntry* AddPromotions(MoveEntry* list, const Position* pos, int from, int to, int all) {
  list = Add(list, pos, from, to, PromoQueen);
  if (all) {
    list = Add(list, pos, from, to, PromoKnight);
    list = Add(list, pos, from, to, PromoBishop);
    list = Add(list, pos, from, to, PromoRook);
  }
  return list;
}

}  // namespace

MoveEntry* GenerateCaptures(const Position* pos, int side, MoveEntry* list) {
  const Bitboard enemy = pos->bb[side ^ 1][0];
  const Bitboard occupied = pos->bb[White][0] | pos->bb[Black][0];
  const Bitboard ep = pos->ep < 64 ? SquareBit(pos->ep) : 0;
  const Bitboard pawns = pos->bb[side][Pawn];
  Bitboard lower, higher;
  int lower_step, higher_step;
  if (side == White) {
    const Bitboard targets = (enemy | ep) & ~kRank8;
    lower = (pawns & ~kFileA) << 7 & targets, lower_step = 7;
    higher = (pawns & ~kFileH) << 9 & targets, higher_step = 9;
  } else {
    const Bitboard targets = (enemy | ep) & ~kRank1;
    lower = (pawns & ~kFileA) >> 9 & targets, lower_step = -9;
    higher = (pawns & ~kFileH) >> 7 & targets, higher_step = -7;
  }
  for (; lower; lower = ClearLSB(lower)) {
    const int to = LSB(lower);
    list = Add(list, pos, to - lower_step, to);
  }
  for (; higher; higher = ClearLSB(higher)) {
    const int to = LSB(higher);
    list = Add(list, pos, to - higher_step, to);
  }
  for (const uint8_t* s = pos->list[side][Knight]; *s != NoSquare; s++)
    list = AddAll(list, pos, *s, BB_KnightRays[*s] & enemy);
  for (const uint8_t* s = pos->list[side][Bishop]; *s != NoSquare; s++)
    list = AddAll(list, pos, *s, Reachable(*s, BB_BishopRays[*s] & enemy, occupied));
  for (const uint8_t* s = pos->list[side][Rook]; *s != NoSquare; s++)
    list = AddAll(list, pos, *s, Reachable(*s, BB_RookRays[*s] & enemy, occupied));
  for (const uint8_t* s = pos->list[side][Queen]; *s != NoSquare; s++)
    list = AddAll(list, pos, *s, Reachable(*s, (BB_BishopRays[*s] | BB_RookRays[*s]) & enemy, occupied));
  const int king = pos->list[side][King][0];
  return AddAll(list, pos, king, BB_KingRays[king] & enemy);
}

MoveEntry* GeneratePromotions(const Position* pos, int side, int all, MoveEntry* list) {
  const Bitboard enemy = pos->bb[side ^ 1][0];
  const int dir = pawn_dir[side];
  for (Bitboard pawns = pos->bb[side][Pawn] & BB_r7[side]; pawns; pawns = ClearLSB(pawns)) {
    const int from = LSB(pawns);
    const int to = from + dir;
    if (!pos->board[to]) list = AddPromotions(list, pos, from, to, all);
    if (FileOf(from) != 0 && (enemy & SquareBit(to - 1))) list = AddPromotions(list, pos, from, to - 1, all);
    if (FileOf(from) != 7 && (enemy & SquareBit(to + 1))) list = AddPromotions(list, pos, from, to + 1, all);
  }
  return list;
}

MoveEntry* GenerateQuiets(const Position* pos, int side, MoveEntry* list) {
  const Bitboard occupied = pos->bb[White][0] | pos->bb[Black][0];
  const Bitboard empty = ~occupied;
  const int dir = pawn_dir[side];
  const Bitboard pawns = pos->bb[side][Pawn] & ~BB_r7[side];
  Bitboard singles = side == White ? (pawns << 8) & empty : (pawns >> 8) & empty;
  for (; singles; singles = ClearLSB(singles)) {
    const int to = LSB(singles);
    const int from = to - dir;
    list = Add(list, pos, from, to);
    if ((SquareBit(from) & kRank2[side]) && !pos->board[to + dir]) list = Add(list, pos, from, to + dir);
  }
  for (const uint8_t* s = pos->list[side][Knight]; *s != NoSquare; s++)
    list = AddAll(list, pos, *s, BB_KnightRays[*s] & empty);
  for (const uint8_t* s = pos->list[side][Bishop]; *s != NoSquare; s++)
    list = AddAll(list, pos, *s, BishopAttacks(*s, occupied) & empty);
  for (const uint8_t* s = pos->list[side][Rook]; *s != NoSquare; s++)
    list = AddAll(list, pos, *s, RookAttacks(*s, occupied) & empty);
  for (const uint8_t* s = pos->list[side][Queen]; *s != NoSquare; s++)
    list = AddAll(list, pos, *s, (BishopAttacks(*s, occupied) | RookAttacks(*s, occupied)) & empty);
  const int king = pos->list[side][King][0];
  list = AddAll(list, pos, king, BB_KingRays[king] & empty);
  if (king == init_king_sq[side]) {
    const int rights = pos->castling >> (2 * side);
    if ((rights & 1) && !pos->board[king + 1] && !pos->board[king + 2]) list = Add(list, pos, king, king + 2);
    if ((rights & 2) && !pos->board[king - 1] && !pos->board[king - 2] && !pos->board[king - 3])
      list = Add(list, pos, king, king - 2);
  }
  return list;
}

void GenerateAll(Position* pos) {
  ThreadRecord* td = pos->owner;
  // A ply outside the records (a game record whose ply drifted) generates at
  // the root ply instead of writing past the stacks.
  if (td->search_ply < 0 || td->search_ply > kMaxPly - 3) td->search_ply = 1;
  const int ply = td->search_ply;
  MoveEntry* start = &td->moves[td->ply[ply].list_start];
  MoveEntry* end = GenerateCaptures(pos, pos->side, start);
  end = GeneratePromotions(pos, pos->side, 1, end);
  end = GenerateQuiets(pos, pos->side, end);
  end->move = EndOfList;
  const uint16_t next = uint16_t(end + 1 - td->moves);
  td->ply[ply + 1].list_start = next;
  td->ply[ply + 2].list_start = next;
}
