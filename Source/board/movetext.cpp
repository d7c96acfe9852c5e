#include "board/movetext.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

#include "board/attacks.h"
#include "board/bitboard.h"
#include "board/legal.h"
#include "board/makemove.h"
#include "engine/params.h"
#include "search/records.h"

namespace {

constexpr char kPieceLetters[] = " PNBRQK";

// Promotion letter by the flags, tested in the order queen, knight, bishop, rook.
char PromotionLetter(Move move) {
  if (move & PromoQueen) return 'Q';
  if (move & PromoKnight) return 'N';
  if (move & PromoBishop) return 'B';
  if (move & PromoRook) return 'R';
  return 0;
}

// Own pieces of the mover's kind, other than the mover, that reach to.
Bitboard Rivals(const Position* pos, Move move) {
  const int from = MoveFrom(move), to = MoveTo(move);
  const int code = pos->board[from];
  const Bitboard occupied = pos->bb[White][0] | pos->bb[Black][0] | SquareBit(to);
  Bitboard reach = 0;
  switch (PieceType(code)) {
    case Knight: reach = BB_KnightRays[to]; break;
    case Bishop: reach = BishopAttacks(to, occupied); break;
    case Rook: reach = RookAttacks(to, occupied); break;
    case Queen: reach = BishopAttacks(to, occupied) | RookAttacks(to, occupied); break;
    default: break;
  }
  return pos->bb[PieceColour(code)][PieceType(code)] & reach & ~SquareBit(from);
}

Bitboard FileMask(int sq) { return 0x0101010101010101ULL << FileOf(sq); }
Bitboard RankMask(int sq) { return 0xFFULL << (8 * RankOf(sq)); }

// Whether the enemy king stands attacked once the move is made. The search's
// gives-check test is quicker and sees neither the rook of a castling, nor
// the pawn an en-passant capture takes off its line, nor a promoted piece
// whose line runs through the square it left; a written game needs all three.
bool ChecksAfter(const Position* pos, Move move) {
  const int side = pos->side, from = MoveFrom(move), to = MoveTo(move);
  const int type = PieceType(pos->board[from]);
  Bitboard own[King + 1];
  std::copy(pos->bb[side], pos->bb[side] + King + 1, own);
  Bitboard occupied = pos->bb[White][0] | pos->bb[Black][0];
  const auto lift = [&](int t, int sq) {
    own[t] &= ~SquareBit(sq);
    occupied &= ~SquareBit(sq);
  };
  const auto put = [&](int t, int sq) {
    own[t] |= SquareBit(sq);
    occupied |= SquareBit(sq);
  };
  lift(type, from);
  put((move & PromoMask) ? PromotedType(move) : type, to);
  if (type == Pawn && to == pos->ep) occupied &= ~SquareBit(to - pawn_dir[side]);
  if (type == King && (to == from + 2 || to == from - 2)) {
    lift(Rook, to > from ? from + 3 : from - 4);
    put(Rook, to > from ? from + 1 : from - 1);
  }
  const int king = pos->list[side ^ 1][King][0];
  return (own[Pawn] & BB_PawnRays[side ^ 1][king]) || (own[Knight] & BB_KnightRays[king]) ||
         ((own[Bishop] | own[Queen]) & BishopAttacks(king, occupied)) ||
         ((own[Rook] | own[Queen]) & RookAttacks(king, occupied));
}

// Games mark mate with "#" where other texts write "+".
void CutAtPlus(char* s) {
  if (char* p = std::strpbrk(s, "+#")) *p = 0;
}

// Legal moves whose generated texts include t.
int GeneratedMatches(const Position* pos, const Move* legal, int n, const char* t, Move* move) {
  int matches = 0;
  char c[kMoveTextSize], a[kMoveTextSize], f[kMoveTextSize], r[kMoveTextSize];
  for (int i = 0; i < n; i++) {
    GenMoveStrings(pos, legal[i], c, a, f, r);
    bool same = false;
    for (char* s : {c, a, f, r}) {
      CutAtPlus(s);
      same = same || std::strcmp(s, t) == 0;
    }
    if (same) {
      *move = legal[i];
      matches++;
    }
  }
  return matches;
}

// A move as games write it, short or long: Nf3, Ngf3, Ng1f3, Ng1-f3, Nf3xe5,
// exd5, e2-e4, e7e8=Q. The origin is named as far as the writer chose to.
struct AlgebraicText {
  int type;        // by its letter; 0 without one
  int file, rank;  // of the origin; -1 when not given
  bool capture;    // written with "x"
  int to;
  Move promotion;
};

Move PromotionFlag(char letter) {
  switch (letter) {
    case 'Q': return PromoQueen;
    case 'N': return PromoKnight;
    case 'B': return PromoBishop;
    case 'R': return PromoRook;
    default: return 0;
  }
}

bool IsFileLetter(char c) { return c >= 'a' && c <= 'h'; }
bool IsRankDigit(char c) { return c >= '1' && c <= '8'; }

// Reads t as ReadMoveText leaves it ("=" before a promotion letter).
bool ReadAlgebraic(const char* t, AlgebraicText* s) {
  size_t n = std::strlen(t);
  s->promotion = 0;
  if (n >= 2 && t[n - 2] == '=') {
    s->promotion = PromotionFlag(t[n - 1]);
    if (!s->promotion) return false;
    n -= 2;
  }
  if (n < 2 || !IsFileLetter(t[n - 2]) || !IsRankDigit(t[n - 1])) return false;
  s->to = (t[n - 2] - 'a') + 8 * (t[n - 1] - '1');
  n -= 2;
  s->capture = n > 0 && t[n - 1] == 'x';
  if (n > 0 && (t[n - 1] == 'x' || t[n - 1] == '-')) n--;
  const char* letter = t[0] ? std::strchr(kPieceLetters + 2, t[0]) : nullptr;
  s->type = letter ? int(letter - kPieceLetters) : 0;
  size_t i = s->type != 0;
  s->file = i < n && IsFileLetter(t[i]) ? t[i++] - 'a' : -1;
  s->rank = i < n && IsRankDigit(t[i]) ? t[i++] - '1' : -1;
  return i == n;
}

bool Describes(const Position* pos, const AlgebraicText& s, Move m) {
  const int from = MoveFrom(m), to = MoveTo(m);
  const int type = PieceType(pos->board[from]);
  if (to != s.to || (m & PromoMask) != s.promotion) return false;
  if ((s.file >= 0 && FileOf(from) != s.file) || (s.rank >= 0 && RankOf(from) != s.rank)) return false;
  // Both squares without a letter name any piece, as coordinates do; else a
  // text without a letter names a pawn, which keeps its file unless it names one.
  const bool both_squares = s.file >= 0 && s.rank >= 0;
  if (s.type ? type != s.type : !both_squares && (type != Pawn || (s.file < 0 && FileOf(from) != FileOf(to))))
    return false;
  // Castling is written as such or with both squares.
  if (type == King && (to == from + 2 || to == from - 2) && !both_squares) return false;
  // A capture may go without its "x", not an "x" without a capture.
  return !s.capture || pos->board[to] != 0 || (type == Pawn && to == pos->ep);
}

int DescribedMatches(const Position* pos, const Move* legal, int n, const AlgebraicText& s, Move* move) {
  int matches = 0;
  for (int i = 0; i < n; i++)
    if (Describes(pos, s, legal[i])) {
      *move = legal[i];
      matches++;
    }
  return matches;
}

// Cuts text at its check or mate sign, puts "=" before a final promotion
// letter and folds O and 0 to o; false when nothing is left.
bool Rewrite(char* text) {
  CutAtPlus(text);
  size_t n = std::strlen(text);
  if (n == 0) return false;
  // A two-file pawn capture such as "ab" is no promotion.
  const char last = char(std::toupper(static_cast<unsigned char>(text[n - 1])));
  const bool file_pair = n == 2 && IsFileLetter(text[0]) && IsFileLetter(text[1]);
  if (std::strchr("BNQR", last) && !file_pair) {
    if (n >= 2 && text[n - 2] == '=') {
      text[n - 1] = last;
    } else {
      text[n - 1] = '=';
      text[n++] = last;
      text[n] = 0;
    }
  }
  for (char* p = text; *p; p++)
    if (*p == 'O' || *p == '0') *p = 'o';
  return true;
}

}  // namespace

char* MoveToStr(Move move, char* buf) {
  if (move == NullMove) {
    std::strcpy(buf, "null");
    return buf;
  }
  std::memcpy(buf, tbl[MoveFrom(move)], 2);
  std::memcpy(buf + 2, tbl[MoveTo(move)], 2);
  char* o = buf + 4;
  if (const char letter = PromotionLetter(move)) {
    if (PBlock.protocol == 1) {
      *o++ = char(std::tolower(letter));
    } else {
      *o++ = '=';
      *o++ = letter;
    }
  }
  *o = 0;
  return buf;
}

void GenMoveStrings(const Position* pos, Move move, char* c, char* a, char* f, char* r) {
  MoveToStr(move, c);
  a[0] = f[0] = r[0] = 0;
  if (move == NullMove) return;
  const int from = MoveFrom(move), to = MoveTo(move);
  const int type = PieceType(pos->board[from]);
  const bool capture = pos->board[to] != 0;
  if (type != Pawn) {
    const char letter = kPieceLetters[type];
    const Bitboard rivals = Rivals(pos, move);
    std::snprintf(f, kMoveTextSize, "%c%c", letter, tbl[from][0]);
    std::snprintf(r, kMoveTextSize, "%c%c", letter, tbl[from][1]);
    if (rivals & FileMask(from))
      std::strcpy(a, r);
    else if (rivals & RankMask(from))
      std::strcpy(a, f);
    else
      std::snprintf(a, kMoveTextSize, "%c", letter);
    for (char* s : {a, f, r}) {
      if (capture) std::strcat(s, "x");
      std::strcat(s, tbl[to]);
    }
    if (type == King && (to == from + 2 || to == from - 2)) {
      const bool king_side = to > from;
      std::strcpy(a, king_side ? "o-o" : "o-o-o");
      std::strcpy(f, king_side ? "O-O" : "O-O-O");
      std::strcpy(r, king_side ? "0-0" : "0-0-0");
    }
  } else {
    c[4] = 0;
    char suffix[3] = {};
    if (const char letter = PromotionLetter(move)) suffix[0] = '=', suffix[1] = letter;
    if (capture || to == pos->ep) {
      std::strcpy(a, c);
      a[1] = 'x';
      f[0] = tbl[from][0], f[1] = tbl[to][0], f[2] = 0;
    } else {
      std::strcpy(a, tbl[to]);
    }
    std::strcat(c, suffix);
    std::strcat(a, suffix);
    std::strcat(f, suffix);
  }
  if (ChecksAfter(pos, move))
    for (char* s : {c, a, f, r}) std::strcat(s, "+");
}

void MoveToSan(Position* pos, Move move, char* out) {
  char c[kMoveTextSize], f[kMoveTextSize], r[kMoveTextSize];
  GenMoveStrings(pos, move, c, out, f, r);
  if (move == NullMove) return;
  const int from = MoveFrom(move), to = MoveTo(move);
  const int type = PieceType(pos->board[from]);
  if (type == Pawn) return;
  if (type == King && (to == from + 2 || to == from - 2)) {
    std::strcpy(out, to > from ? "O-O" : "O-O-O");
    if (std::strchr(f, '+')) std::strcat(out, "+");
    return;
  }
  Bitboard rivals = 0;
  for (Bitboard b = Rivals(pos, move); b; b = ClearLSB(b))
    if (MoveIsLegal(pos, pos->side, MakeMoveCode(LSB(b), to))) rivals |= SquareBit(LSB(b));
  const char letter = kPieceLetters[type];
  const char* tail = f + 2;  // capture mark, to-square and check of the by-file text
  if (!rivals)
    std::snprintf(out, kMoveTextSize, "%c%s", letter, tail);
  else if (!(rivals & FileMask(from)))
    std::snprintf(out, kMoveTextSize, "%c%c%s", letter, tbl[from][0], tail);
  else if (!(rivals & RankMask(from)))
    std::snprintf(out, kMoveTextSize, "%c%c%s", letter, tbl[from][1], tail);
  else
    std::snprintf(out, kMoveTextSize, "%c%s%s", letter, tbl[from], tail);
}

int ReadMoveText(Position* pos, char* text, Move* move) {
  *move = NullMove;
  if (std::strlen(text) > size_t(kMoveTextSize - 2) || !Rewrite(text)) return kTextNoMove;
  Move legal[256];
  const int n = LegalMoves(pos, legal);
  Move found = NullMove;
  AlgebraicText s;
  // Castling and the two-file pawn captures (ed) only the generated texts know.
  const int matches = ReadAlgebraic(text, &s) ? DescribedMatches(pos, legal, n, s, &found)
                                              : GeneratedMatches(pos, legal, n, text, &found);
  if (matches > 1) return kTextAmbiguous;
  *move = found;
  return matches ? kTextOneMove : kTextNoMove;
}

int IsValidMove(char* text, Move* move) {
  *move = NullMove;
  ThreadRecord* td = CTD;
  if (!td || td->game_ply >= kMaxGamePly) return 0;
  // The game record's ply drifts with game moves; the move read is made at its root.
  td->search_ply = 1;
  const int read = ReadMoveText(&td->pos, text, move);
  if (read == kTextAmbiguous) {
    std::fputs("ambiguous move\n", stdout);
    std::fflush(stdout);
  }
  return read == kTextOneMove;
}
