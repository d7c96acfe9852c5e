// Board record, square/piece/move encodings and the undo record.
#pragma once
#include <cstdint>

using Bitboard = uint64_t;
using Move = uint16_t;

enum : int { White = 0, Black = 1 };
enum : int { NoPiece = 0, Pawn = 1, Knight = 2, Bishop = 3, Rook = 4, Queen = 5, King = 6 };

constexpr int NoSquare = 64;

constexpr Move NullMove = 0;
constexpr Move EndOfList = 0xFFFF;
constexpr Move PromoQueen = 0x40;
constexpr Move PromoKnight = 0x80;
constexpr Move PromoBishop = 0x4000;
constexpr Move PromoRook = 0x8000;
constexpr Move PromoMask = 0xC0C0;

constexpr int MoveTo(Move m) { return m & 63; }
constexpr int MoveFrom(Move m) { return (m >> 8) & 63; }
constexpr Move MakeMoveCode(int from, int to) { return Move(from << 8 | to); }

// The piece type a promotion move makes; only for moves with a promotion flag.
constexpr int PromotedType(Move m) {
  return (m & PromoQueen) ? Queen : (m & PromoKnight) ? Knight : (m & PromoBishop) ? Bishop : Rook;
}

constexpr int PieceCode(int type, int colour) { return type | colour << 3; }
constexpr int PieceType(int code) { return code & 7; }
constexpr int PieceColour(int code) { return code >> 3; }

// Slots per piece list: ten pieces of one kind (two plus eight promotions)
// and the terminating NoSquare.
constexpr int kPieceListSize = 11;

struct ThreadRecord;

struct Position {
  ThreadRecord* owner;
  uint8_t board[65];  // cell 64 stays empty
  Bitboard bb[2][8];  // [colour][type], type 0 = all pieces of the colour
  uint8_t list[2][8][kPieceListSize];
  uint64_t key;
  uint64_t pawn_key;
  uint32_t msig[2];
  uint16_t npm[2];
  uint8_t side;
  uint8_t fifty;
  uint8_t castling;
  uint8_t ep;
};

struct UndoRecord {
  uint64_t key;
  uint64_t pawn_key;
  Move move;
  uint8_t captured;  // type, 0 for none and for en passant
  uint8_t ep;
  uint8_t fifty;
  uint8_t castling;
};

struct MoveEntry {
  Move move;
  int16_t score;
  uint8_t piece;
  uint8_t captured;
};
static_assert(sizeof(MoveEntry) == 6);
