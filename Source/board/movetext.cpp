#include "board/movetext.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "board/attacks.h"
#include "board/bitboard.h"
#include "board/makemove.h"
#include "board/movegen.h"
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

// Games mark mate with "#" where other texts write "+".
void CutAtPlus(char* s) {
  if (char* p = std::strpbrk(s, "+#")) *p = 0;
}

// Legal moves of the list whose generated texts include t.
int GeneratedMatches(Position* pos, const MoveEntry* list, const char* t, Move* move) {
  int matches = 0;
  char c[kMoveTextSize], a[kMoveTextSize], f[kMoveTextSize], r[kMoveTextSize];
  for (const MoveEntry* e = list; e->move != EndOfList; e++) {
    GenMoveStrings(pos, e->move, c, a, f, r);
    bool same = false;
    for (char* s : {c, a, f, r}) {
      CutAtPlus(s);
      same = same || std::strcmp(s, t) == 0;
    }
    if (same && MoveIsLegal(pos, pos->side, e->move)) {
      *move = e->move;
      matches++;
    }
  }
  return matches;
}

// A move as games write it: they name a piece's origin only when another
// legal move of its kind reaches the square, the generated texts whenever
// another piece reaches it, pinned or not.
struct StandardText {
  int type;
  int file, rank;  // of the origin; -1 when not given
  bool capture;
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

// Reads t as IsValidMove leaves it ("=" before a promotion letter).
bool ReadStandard(const char* t, StandardText* s) {
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
  n -= s->capture;
  const char* letter = t[0] ? std::strchr(kPieceLetters + 2, t[0]) : nullptr;
  s->type = letter ? int(letter - kPieceLetters) : Pawn;
  size_t i = s->type != Pawn;
  s->file = i < n && IsFileLetter(t[i]) ? t[i++] - 'a' : -1;
  s->rank = i < n && IsRankDigit(t[i]) ? t[i++] - '1' : -1;
  // A pawn names its file exactly when it captures.
  return i == n && (s->type != Pawn || (s->rank < 0 && (s->file >= 0) == s->capture));
}

bool Describes(const Position* pos, const StandardText& s, Move m) {
  const int from = MoveFrom(m), to = MoveTo(m);
  const int type = PieceType(pos->board[from]);
  if (to != s.to || type != s.type || (m & PromoMask) != s.promotion) return false;
  if ((s.file >= 0 && FileOf(from) != s.file) || (s.rank >= 0 && RankOf(from) != s.rank)) return false;
  // Castling is written only as such.
  if (type == King && (to == from + 2 || to == from - 2)) return false;
  const bool capture = pos->board[to] != 0 || (type == Pawn && to == pos->ep);
  return capture == s.capture;
}

// Legal moves of the list that t names as standard notation.
int StandardMatches(Position* pos, const MoveEntry* list, const char* t, Move* move) {
  StandardText s;
  if (!ReadStandard(t, &s)) return 0;
  int matches = 0;
  for (const MoveEntry* e = list; e->move != EndOfList; e++)
    if (Describes(pos, s, e->move) && MoveIsLegal(pos, pos->side, e->move)) {
      *move = e->move;
      matches++;
    }
  return matches;
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
  if (GivesCheck(pos, move))
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

int IsValidMove(char* text, Move* move) {
  *move = NullMove;
  const size_t length = std::strlen(text);
  if (length > size_t(kMoveTextSize - 2)) return 0;
  char t[kMoveTextSize];
  std::memcpy(t, text, length + 1);
  CutAtPlus(t);
  size_t n = std::strlen(t);
  if (n == 0) {
    std::strcpy(text, t);
    return 0;
  }
  // A final promotion letter gets its "="; a two-file pawn capture such as
  // "ab" is no promotion.
  const char last = char(std::toupper(t[n - 1]));
  const bool file_pair = n == 2 && t[0] >= 'a' && t[0] <= 'h' && t[1] >= 'a' && t[1] <= 'h';
  if (std::strchr("BNQR", last) && !file_pair) {
    if (n >= 2 && t[n - 2] == '=') {
      t[n - 1] = last;
    } else {
      t[n - 1] = '=';
      t[n++] = last;
      t[n] = 0;
    }
  }
  for (char* p = t; *p; p++)
    if (*p == 'O' || *p == '0') *p = 'o';
  std::strcpy(text, t);

  ThreadRecord* td = CTD;
  if (!td || td->game_ply >= kMaxGamePly) return 0;
  // The game record's ply drifts with game moves; its lists live at ply 1.
  td->search_ply = 1;
  Position* pos = &td->pos;
  GenerateAll(pos);
  const MoveEntry* list = &td->moves[td->ply[1].list_start];
  const int matches = GeneratedMatches(pos, list, t, move);
  if (matches == 2) {
    std::fputs("ambiguous move\n", stdout);
    std::fflush(stdout);
  }
  if (matches == 0) return StandardMatches(pos, list, t, move) == 1;
  return matches == 1;
}
