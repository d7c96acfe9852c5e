#include "search/ordering.h"

#include "board/attacks.h"
#include "board/bitboard.h"
#include "board/movegen.h"
#include "board/see.h"
#include "search/records.h"

namespace {

enum : uint16_t { StageStart = 0, StageHashDone = 1, StageCaptures = 2, StageQuiets = 5, StageRest = 6 };

inline void SetStage(PlyRecord* p, uint16_t stage) { p->stage = uint16_t((p->stage & ~15u) | stage); }

// Terminates the list at end and places the next two plies' lists behind it.
inline void CloseList(ThreadRecord* td, int ply, MoveEntry* end) {
  end->move = EndOfList;
  uint16_t next = uint16_t(end - td->moves + 1);
  td->ply[ply + 1].list_start = next;
  td->ply[ply + 2].list_start = uint16_t(next + 1);
}

inline MoveEntry* Add(MoveEntry* e, const Position* pos, int from, int to) {
  e->move = MakeMoveCode(from, to);
  e->piece = pos->board[from];
  e->captured = pos->board[to];
  return e + 1;
}

inline Bitboard Occupied(const Position* pos) { return pos->bb[White][0] | pos->bb[Black][0]; }

// The table vouches only for the from- and to-squares of its move; a key
// collision could still hand over a move the board cannot make, which would
// corrupt the position. This test is the generator's rules for one move.
bool HashMoveFits(const Position* pos, int side, Move m) {
  const int from = MoveFrom(m), to = MoveTo(m);
  const int piece = pos->board[from], target = pos->board[to];
  if (!piece || PieceColour(piece) != side) return false;
  if (target && (PieceColour(target) == side || PieceType(target) == King)) return false;
  const Bitboard occ = Occupied(pos);
  const Bitboard to_bit = SquareBit(to);
  const int type = PieceType(piece);
  if (type == Pawn) {
    constexpr Bitboard kLastRank[2] = {0xFF00000000000000ULL, 0xFFULL};
    if (bool(to_bit & kLastRank[side]) != bool(m & PromoMask)) return false;
    if (BB_PawnRays[side][from] & to_bit) return target || to == pos->ep;
    if (target) return false;
    if (to == from + pawn_dir[side]) return true;
    const bool from_second_rank = SquareBit(from) & BB_r7[side ^ 1];
    return from_second_rank && to == from + 2 * pawn_dir[side] && !pos->board[from + pawn_dir[side]];
  }
  if (m & PromoMask) return false;
  switch (type) {
    case Knight:
      return BB_KnightRays[from] & to_bit;
    case Bishop:
      return (BB_BishopRays[from] & to_bit) && !(BB_Between[from][to] & occ);
    case Rook:
      return (BB_RookRays[from] & to_bit) && !(BB_Between[from][to] & occ);
    case Queen:
      return ((BB_BishopRays[from] | BB_RookRays[from]) & to_bit) && !(BB_Between[from][to] & occ);
    default:
      break;
  }
  if (BB_KingRays[from] & to_bit) return true;
  if (from != init_king_sq[side] || target) return false;
  const int rook = PieceCode(Rook, side);
  if (to == from + 2)
    return (pos->castling & (side == White ? 1 : 4)) && pos->board[from + 3] == rook && !pos->board[from + 1];
  if (to == from - 2)
    return (pos->castling & (side == White ? 2 : 8)) && pos->board[from - 4] == rook && !pos->board[from - 1] &&
           !pos->board[from - 3];
  return false;
}

// A losing capture (or promotion push) keeps its place behind the good
// quiet moves.
bool LosesMaterial(Position* pos, int side, const MoveEntry* e) {
  if (v[PieceType(e->piece)] <= v[PieceType(e->captured)]) return false;
  return swapoff1(pos, side, MoveFrom(e->move), MoveTo(e->move), Occupied(pos), 0) < kLosingExchange;
}

void ScoreCaptures(Position* pos, int side, MoveEntry* first, MoveEntry* end, bool full) {
  for (MoveEntry* e = first; e < end; e++) {
    if (full && LosesMaterial(pos, side, e))
      e->score = int16_t(PieceType(e->captured) + 4);
    else
      e->score = int16_t(CaptureScore(e));
  }
}

// The side's previous move: the entry being searched two plies up.
const MoveEntry* OwnPreviousMove(const ThreadRecord* td, int ply) {
  if (ply <= 2) return nullptr;
  const MoveEntry* e = &td->moves[td->ply[ply - 2].current];
  return e->move ? e : nullptr;
}

void ScoreQuiets(ThreadRecord* td, int ply, MoveEntry* first, MoveEntry* end) {
  const Position* pos = &td->pos;
  const PlyRecord* p = &td->ply[ply];
  Move prev = td->last_move;
  Move c1 = 0, c2 = 0;
  if (prev) {
    int to = MoveTo(prev);
    c1 = td->counter1[pos->board[to]][to];
    c2 = td->counter2[pos->board[to]][to];
  }
  if (p->in_check) {
    for (MoveEntry* e = first; e < end; e++) {
      Move m = e->move;
      e->score = m == p->check_killer ? 90 : m == c1 ? 70 : m == c2 ? 60 : 0;
    }
    return;
  }
  Move f = 0;
  if (const MoveEntry* own = OwnPreviousMove(td, ply)) f = td->followup[own->piece][MoveTo(own->move)];
  for (MoveEntry* e = first; e < end; e++) {
    Move m = e->move;
    int h = td->history[e->piece][MoveTo(m)] / 256;
    if (m == p->killer[0]) h += 70;
    else if (m == p->killer[1]) h += 60;
    else if (m == c1) h += 50;
    else if (m == c2) h += 40;
    else if (m == f) h += 30;
    e->score = int16_t(h);
  }
}

// Emits from-square to every empty target, path from the piece clear.
MoveEntry* AddSliderChecks(MoveEntry* e, const Position* pos, int from, Bitboard targets, Bitboard occ) {
  for (; targets; targets = ClearLSB(targets)) {
    int to = LSB(targets);
    if (!(BB_Between[from][to] & occ)) e = Add(e, pos, from, to);
  }
  return e;
}

// Quiet moves that give check, then pawn pushes to the seventh rank, written
// from front on.
MoveEntry* GenerateQuietChecks(const Position* pos, int side, MoveEntry* e) {
  const int ksq = pos->list[side ^ 1][King][0];
  const Bitboard occ = Occupied(pos);
  const Bitboard empty = ~occ;
  const int dir = pawn_dir[side];
  const uint8_t* sq;
  Bitboard checked_pushes = 0;

  for (sq = pos->list[side][Pawn]; *sq != NoSquare; sq++) {
    int to = *sq + dir;
    if (SquareBit(*sq) & BB_r7[side]) continue;  // pushes to the last rank are promotions
    if ((SquareBit(to) & empty) && (BB_PawnRays[side][to] & SquareBit(ksq))) {
      e = Add(e, pos, *sq, to);
      checked_pushes |= SquareBit(to);
    }
  }
  for (sq = pos->list[side][Knight]; *sq != NoSquare; sq++) {
    for (Bitboard t = BB_KnightRays[*sq] & BB_KnightRays[ksq] & empty; t; t = ClearLSB(t))
      e = Add(e, pos, *sq, LSB(t));
  }
  // Lines to the king that are open from the target square.
  Bitboard diag = 0, line = 0;
  for (Bitboard t = BB_BishopRays[ksq] & empty; t; t = ClearLSB(t))
    if (!(BB_Between[LSB(t)][ksq] & occ)) diag |= SquareBit(LSB(t));
  for (Bitboard t = BB_RookRays[ksq] & empty; t; t = ClearLSB(t))
    if (!(BB_Between[LSB(t)][ksq] & occ)) line |= SquareBit(LSB(t));
  // Material signature nibbles: bishops 0xF00, rooks 0xF000, queens 0xF0000.
  const uint32_t sig = pos->msig[side];
  if (sig & 0xF0F00) {
    for (sq = pos->list[side][Bishop]; *sq != NoSquare; sq++)
      e = AddSliderChecks(e, pos, *sq, BB_BishopRays[*sq] & diag, occ);
  }
  if (sig & 0xFF000) {
    for (sq = pos->list[side][Rook]; *sq != NoSquare; sq++)
      e = AddSliderChecks(e, pos, *sq, BB_RookRays[*sq] & line, occ);
  }
  // A queen checks along either kind of line whichever way it got there.
  for (sq = pos->list[side][Queen]; *sq != NoSquare; sq++)
    e = AddSliderChecks(e, pos, *sq, (BB_BishopRays[*sq] | BB_RookRays[*sq]) & (diag | line), occ);
  for (sq = pos->list[side][Pawn]; *sq != NoSquare; sq++) {
    if (!(SquareBit(*sq) & BB_r6[side])) continue;
    int to = *sq + dir;
    if ((SquareBit(to) & empty) && !(SquareBit(to) & checked_pushes)) e = Add(e, pos, *sq, to);
  }
  return e;
}

}  // namespace

int CaptureScore(const MoveEntry* e) {
  if (e->move & (PromoKnight | PromoBishop | PromoRook)) return 15;
  return v_value[e->captured] - a_value[e->piece];
}

MoveEntry* SelectBest(MoveEntry* front) {
  MoveEntry* best = front;
  int best_score = front->score;
  for (MoveEntry* e = front + 1; e->move != EndOfList; e++)
    if (e->score > best_score) {
      best = e;
      best_score = e->score;
    }
  if (best != front) {
    MoveEntry t = *front;
    *front = *best;
    *best = t;
  }
  return front;
}

MoveEntry* GetNextMove(Position* pos) {
  ThreadRecord* td = pos->owner;
  const int ply = td->search_ply;
  const int side = pos->side;
  PlyRecord* p = &td->ply[ply];
  MoveEntry* const ms = td->moves;
  MoveEntry* front;

  switch (p->stage & 15) {
    case StageStart:
      p->current = p->list_start;
      front = &ms[p->current];
      if ((p->stage & kStageHashFirst) && p->hash_move) {
        const Move m = p->hash_move;
        if (HashMoveFits(pos, side, m)) {
          front->move = m;
          front->score = 255;
          front->piece = pos->board[MoveFrom(m)];
          front->captured = pos->board[MoveTo(m)];
          CloseList(td, ply, front + 1);
          SetStage(p, StageHashDone);
          return front;
        }
        p->hash_move = 0;
      }
      goto generate;
    case StageHashDone:
      front = &ms[++p->current];
      goto generate;
    case StageCaptures:
      front = &ms[++p->current];
      goto captures;
    case StageQuiets:
      front = &ms[++p->current];
      goto quiets;
    case StageRest:
      front = &ms[++p->current];
      return front->move == EndOfList ? nullptr : front;
    default:
      return nullptr;
  }

generate: {
  const bool full = p->stage & kStageFull;
  MoveEntry* end = GenerateCaptures(pos, side, front);
  end = GeneratePromotions(pos, side, full, end);
  CloseList(td, ply, end);
  ScoreCaptures(pos, side, front, end, full);
  SetStage(p, StageCaptures);
}

captures:
  if (front->move != EndOfList) {
    SelectBest(front);
    if (front->score > 150) return front;
  }
  if (p->stage & kStageFull) {
    MoveEntry* first = front;
    while (first->move != EndOfList) first++;
    MoveEntry* end = GenerateQuiets(pos, side, first);
    CloseList(td, ply, end);
    ScoreQuiets(td, ply, first, end);
    SetStage(p, StageQuiets);
    goto quiets;
  }
  if (p->stage & kStageQuietChecks) {
    MoveEntry* end = GenerateQuietChecks(pos, side, front);
    CloseList(td, ply, end);
    SetStage(p, StageRest);
    if (end == front) return nullptr;
    for (MoveEntry* e = front; e < end; e++) e->score = 100;
    return front;
  }
  return nullptr;

quiets:
  if (front->move == EndOfList) return nullptr;
  SelectBest(front);
  if (front->score <= 3 || p->moves_searched >= 16) SetStage(p, StageRest);
  return front;
}

void PrescoreAll(Position* pos, MoveEntry* list) {
  ThreadRecord* td = pos->owner;
  const PlyRecord* p = &td->ply[td->search_ply];
  Move prev = td->last_move, c1 = 0, c2 = 0;
  if (prev) {
    int to = MoveTo(prev);
    c1 = td->counter1[pos->board[to]][to];
    c2 = td->counter2[pos->board[to]][to];
  }
  for (MoveEntry* e = list; e->move != EndOfList; e++) {
    Move m = e->move;
    if (m == p->hash_move) {
      e->score = 255;
    } else if (e->captured || (m & PromoQueen)) {
      e->score = int16_t(v_value[e->captured] - a_value[e->piece]);
    } else {
      int s = td->history[e->piece][MoveTo(m)] / 256;
      if (m == p->killer[0] || m == p->killer[1] || m == c1 || m == c2) s += 40;
      e->score = int16_t(s);
    }
  }
}

void ResetOrdering(ThreadRecord* td) {
  for (PlyRecord& p : td->ply) {
    p.hash_move = 0;
    p.killer[0] = p.killer[1] = 0;
    p.check_killer = 0;
  }
  for (auto& row : td->history)
    for (int16_t& h : row) h = 4096;
  for (int c = 0; c < 16; c++)
    for (int s = 0; s < 64; s++) td->counter1[c][s] = td->counter2[c][s] = td->followup[c][s] = 0;
}

void UpdateHistory(ThreadRecord* td, const MoveEntry* e, int depth, bool raised) {
  int16_t& h = td->history[e->piece][MoveTo(e->move)];
  int x = h;
  if (raised) {
    x += 16 * depth + (16384 - x) / 128;
    if (x > 16384) x = 16384;
  } else {
    x -= x / 128;
  }
  h = int16_t(x);
}

void UpdateCutoffMoves(ThreadRecord* td, int ply, Move best, bool in_check) {
  PlyRecord* p = &td->ply[ply];
  if (in_check) {
    p->check_killer = best;
  } else if (best != p->killer[0]) {
    p->killer[1] = p->killer[0];
    p->killer[0] = best;
  }
  if (Move prev = td->last_move) {
    int to = MoveTo(prev);
    int code = td->pos.board[to];
    if (td->counter1[code][to] != best) {
      td->counter2[code][to] = td->counter1[code][to];
      td->counter1[code][to] = best;
    }
  }
  if (!in_check)
    if (const MoveEntry* own = OwnPreviousMove(td, ply)) td->followup[own->piece][MoveTo(own->move)] = best;
}
