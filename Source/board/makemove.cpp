#include "board/makemove.h"

#include "board/bitboard.h"
#include "board/trace.h"
#include "engine/params.h"
#include "search/keys.h"

namespace {

inline uint64_t Zobrist(int code, int sq) { return rtable[code * 64 + sq]; }

// Removing keeps the order of the entries behind the removed one.
inline void ListRemove(uint8_t* list, int sq) {
  while (*list != sq) list++;
  do {
    list[0] = list[1];
  } while (*list++ != NoSquare);
}

inline void ListAppend(uint8_t* list, int sq) {
  while (*list != NoSquare) list++;
  list[0] = uint8_t(sq);
  list[1] = NoSquare;
}

inline void ListReplace(uint8_t* list, int from, int to) {
  while (*list != from) list++;
  *list = uint8_t(to);
}

// Board, list, bitboards and material of one piece; keys are left to the caller.
inline void PutPiece(Position* pos, int code, int sq) {
  const int colour = PieceColour(code), type = PieceType(code);
  pos->board[sq] = uint8_t(code);
  ListAppend(pos->list[colour][type], sq);
  pos->bb[colour][0] |= SquareBit(sq);
  pos->bb[colour][type] |= SquareBit(sq);
  pos->msig[colour] += msig[type];
  pos->npm[colour] += npv[type];
}

inline void TakePiece(Position* pos, int sq) {
  const int code = pos->board[sq];
  const int colour = PieceColour(code), type = PieceType(code);
  pos->board[sq] = 0;
  ListRemove(pos->list[colour][type], sq);
  pos->bb[colour][0] &= ~SquareBit(sq);
  pos->bb[colour][type] &= ~SquareBit(sq);
  pos->msig[colour] -= msig[type];
  pos->npm[colour] -= npv[type];
}

inline void ShiftPiece(Position* pos, int from, int to) {
  const int code = pos->board[from];
  const int colour = PieceColour(code), type = PieceType(code);
  pos->board[to] = uint8_t(code);
  pos->board[from] = 0;
  ListReplace(pos->list[colour][type], from, to);
  const Bitboard both = SquareBit(from) | SquareBit(to);
  pos->bb[colour][0] ^= both;
  pos->bb[colour][type] ^= both;
}

}  // namespace

void MakeMove(Position* pos, Move move) {
  if (PBlock.trace_depth) TraceMove(pos, move);
  ThreadRecord* td = pos->owner;
  const int from = MoveFrom(move), to = MoveTo(move);
  const int side = pos->side;
  UndoRecord* u = &td->undo[td->game_ply];
  td->search_ply++;
  td->game_ply++;
  td->last_move = move;
  u->move = move;
  u->captured = uint8_t(PieceType(pos->board[to]));
  u->ep = pos->ep;
  u->fifty = pos->fifty;
  u->castling = pos->castling;
  u->key = pos->key;
  u->pawn_key = pos->pawn_key;

  // Saturates so that a long run of reversible moves never looks fresh.
  pos->fifty += pos->fifty < 255;
  pos->ep = NoSquare;
  pos->castling &= uint8_t(~(csbits[from] | csbits[to]));
  pos->side ^= 1;

  if (const int captured = pos->board[to]) {
    TakePiece(pos, to);
    pos->key ^= Zobrist(captured, to);
    if (PieceType(captured) == Pawn) pos->pawn_key ^= Zobrist(captured, to);
    pos->fifty = 0;
  }

  const int code = pos->board[from];
  ShiftPiece(pos, from, to);
  pos->key ^= Zobrist(code, from) ^ Zobrist(code, to);

  if (PieceType(code) == Pawn) {
    pos->pawn_key ^= Zobrist(code, from) ^ Zobrist(code, to);
    pos->fifty = 0;
    const int dir = pawn_dir[side];
    if (to == from + 2 * dir) {
      pos->ep = uint8_t(from + dir);
    } else if (to == u->ep) {
      const int victim = to - dir;
      const int vcode = pos->board[victim];
      TakePiece(pos, victim);
      pos->key ^= Zobrist(vcode, victim);
      pos->pawn_key ^= Zobrist(vcode, victim);
    } else if (move & PromoMask) {
      TakePiece(pos, to);
      pos->key ^= Zobrist(code, to);
      pos->pawn_key ^= Zobrist(code, to);
      const int promoted = PieceCode(PromotedType(move), side);
      PutPiece(pos, promoted, to);
      pos->key ^= Zobrist(promoted, to);
    }
  } else if (PieceType(code) == King && (to == from + 2 || to == from - 2)) {
    const int rook_from = to > from ? from + 3 : from - 4;
    const int rook_to = to > from ? from + 1 : from - 1;
    const int rook = pos->board[rook_from];
    ShiftPiece(pos, rook_from, rook_to);
    pos->key ^= Zobrist(rook, rook_from) ^ Zobrist(rook, rook_to);
  }
}

void UnmakeMove(Position* pos) {
  ThreadRecord* td = pos->owner;
  const int u = --td->game_ply;
  td->search_ply--;
  td->last_move = u > 0 ? td->undo[u - 1].move : NullMove;
  const UndoRecord* rec = &td->undo[u];
  const Move move = rec->move;
  const int from = MoveFrom(move), to = MoveTo(move);
  pos->ep = rec->ep;
  pos->castling = rec->castling;
  pos->fifty = rec->fifty;
  pos->side ^= 1;
  const int side = pos->side;

  ShiftPiece(pos, to, from);
  if (rec->captured) PutPiece(pos, PieceCode(rec->captured, side ^ 1), to);
  const int type = PieceType(pos->board[from]);
  if (type == Pawn && to == pos->ep) {
    PutPiece(pos, PieceCode(Pawn, side ^ 1), to - pawn_dir[side]);
  } else if (type == King && (to == from + 2 || to == from - 2)) {
    if (to > from)
      ShiftPiece(pos, from + 1, from + 3);
    else
      ShiftPiece(pos, from - 1, from - 4);
  }
  if (move & PromoMask) {
    TakePiece(pos, from);
    PutPiece(pos, PieceCode(Pawn, side), from);
  }
  pos->key = rec->key;
  pos->pawn_key = rec->pawn_key;
}

void MakeNullMove(Position* pos) {
  if (PBlock.trace_depth) TraceMove(pos, NullMove);
  ThreadRecord* td = pos->owner;
  UndoRecord* u = &td->undo[td->game_ply];
  td->search_ply++;
  td->game_ply++;
  u->move = NullMove;
  u->captured = 0;
  u->ep = pos->ep;
  u->fifty = pos->fifty;
  u->castling = pos->castling;
  u->key = pos->key;
  pos->ep = NoSquare;
  pos->fifty += pos->fifty < 255;
  pos->side ^= 1;
  td->last_move = NullMove;
}

void UnmakeNullMove(Position* pos) {
  ThreadRecord* td = pos->owner;
  td->search_ply--;
  const int u = --td->game_ply;
  const UndoRecord* rec = &td->undo[u];
  pos->ep = rec->ep;
  pos->castling = rec->castling;
  pos->fifty = rec->fifty;
  pos->key = rec->key;
  pos->side ^= 1;
  td->last_move = u > 0 ? td->undo[u - 1].move : NullMove;
}
