#include "board/fen.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "board/attacks.h"
#include "board/bitboard.h"
#include "engine/output.h"
#include "search/keys.h"
#include "search/records.h"

namespace {

constexpr char kWhiteLetters[] = "-PNBRQK";
constexpr char kBlackLetters[] = "-pnbrqk";
constexpr char kDiagramBlack[] = "-onbrqk";
constexpr int kMaxOfType = kPieceListSize - 1;

int LetterCode(char c) {
  if (const char* p = std::strchr(kWhiteLetters + 1, c); p && c) return int(p - kWhiteLetters);
  if (const char* p = std::strchr(kBlackLetters + 1, c); p && c)
    return PieceCode(int(p - kBlackLetters), Black);
  return 0;
}

// Any run of blanks parts the fields, as a controller may send them.
bool IsBlank(char c) { return c == ' ' || c == '\t'; }

const char* SkipBlanks(const char* s) {
  while (IsBlank(*s)) s++;
  return s;
}

const char* SkipField(const char* s) {
  while (*s && !IsBlank(*s)) s++;
  return s;
}

void ReportIllegal(const char* prefix, const char* rest) {
  constexpr int kShownText = 240;  // of a long text, what fits a short line
  const int len = std::min(int(std::strcspn(rest, "\r\n")), kShownText);
  ShowFormatted("%sIllegal EPD - %.*s", prefix, len, rest);
}

// Names the rights that were asked for but have no king and rook at home.
void ReportDroppedCastling(const char* prefix, int dropped) {
  char rights[5] = {};
  int n = 0;
  for (int bit = 0; bit < 4; bit++)
    if (dropped & (1 << bit)) rights[n++] = "KQkq"[bit];
  ShowFormatted("%sIllegal EPD - castling %s dropped: no king and rook at home for it", prefix, rights);
}

// Board placement of the text; false when it would not fit the board or the
// piece lists.
bool ReadPlacement(Position* p, const char*& s) {
  int rank = 7, file = 0;
  for (; *s && !IsBlank(*s); s++) {
    const char c = *s;
    if (c == '/') {
      if (--rank < 0) return false;
      file = 0;
    } else if (c >= '0' && c <= '9') {
      file += c - '0';
      if (file > 8) return false;
    } else {
      if (file > 7) return false;
      if (const int code = LetterCode(c)) {
        const int colour = PieceColour(code), type = PieceType(code);
        uint8_t* list = p->list[colour][type];
        int n = 0;
        while (list[n] != NoSquare) n++;
        if (n == kMaxOfType) return false;
        const int sq = rank * 8 + file;
        p->board[sq] = uint8_t(code);
        list[n] = uint8_t(sq);
        list[n + 1] = NoSquare;
        p->bb[colour][0] |= SquareBit(sq);
        p->bb[colour][type] |= SquareBit(sq);
        p->npm[colour] += npv[type];
        p->msig[colour] += msig[type];
      }
      file++;
    }
  }
  return true;
}

// Positions that later code cannot work on: a king missing or doubled, pawns
// on the back ranks, more men than promotions could keep in the piece lists,
// or the side that has just moved still in check.
bool Playable(Position* p) {
  constexpr Bitboard kBackRanks = 0xFF000000000000FFULL;
  for (int c = White; c <= Black; c++) {
    if (PopCount(p->bb[c][King]) != 1) return false;
    if (p->bb[c][Pawn] & kBackRanks) return false;
    const int pawns = PopCount(p->bb[c][Pawn]);
    if (pawns > 8 || PopCount(p->bb[c][0]) > 16) return false;
    for (int t = Knight; t <= Queen; t++)
      if (PopCount(p->bb[c][t]) + pawns > kMaxOfType) return false;
  }
  return !SqAtakd(p, p->list[p->side ^ 1][King][0], p->side);
}

// Keeps an en-passant square only when a pawn of the side not to move has
// just made the double push across it.
int CheckedEp(const Position* p, int ep) {
  const int behind_rank = p->side == White ? 5 : 2;
  if (ep < 0 || ep > 63 || RankOf(ep) != behind_rank || p->board[ep]) return NoSquare;
  const int pusher = ep - pawn_dir[p->side];
  return p->board[pusher] == PieceCode(Pawn, p->side ^ 1) ? ep : NoSquare;
}

}  // namespace

int SetPosition(Position* pos, const char* text, const char* prefix) {
  Position p;
  std::memset(&p, 0, sizeof p);
  p.owner = pos->owner;
  p.side = pos->side;
  p.ep = NoSquare;
  for (auto& colour : p.list)
    for (auto& list : colour) list[0] = NoSquare;

  const char* s = SkipBlanks(text);
  const bool placed = ReadPlacement(&p, s);
  s = SkipBlanks(s);
  if (*s == 'w') p.side = White;
  if (*s == 'b') p.side = Black;
  s = SkipBlanks(SkipField(s));
  for (; *s && !IsBlank(*s); s++) {
    if (*s == 'K') p.castling |= 1;
    if (*s == 'Q') p.castling |= 2;
    if (*s == 'k') p.castling |= 4;
    if (*s == 'q') p.castling |= 8;
  }
  s = SkipBlanks(s);
  int ep = NoSquare;
  for (; *s && !IsBlank(*s); s++) {
    if (*s >= 'a' && *s <= 'h') ep = *s - 'a';
    if (*s >= '1' && *s <= '8') ep += 8 * (*s - '1');
  }
  s = SkipBlanks(s);

  if (!placed || !Playable(&p)) {
    ReportIllegal(prefix, text);
    return kSetRejected;
  }
  p.ep = uint8_t(CheckedEp(&p, ep));

  const uint8_t asked = p.castling;
  const uint8_t* b = p.board;
  if (b[4] != PieceCode(King, White) || b[7] != PieceCode(Rook, White)) p.castling &= ~1;
  if (b[4] != PieceCode(King, White) || b[0] != PieceCode(Rook, White)) p.castling &= ~2;
  if (b[60] != PieceCode(King, Black) || b[63] != PieceCode(Rook, Black)) p.castling &= ~4;
  if (b[60] != PieceCode(King, Black) || b[56] != PieceCode(Rook, Black)) p.castling &= ~8;

  for (int sq = 0; sq < 64; sq++) {
    if (const int code = b[sq]) {
      p.key ^= rtable[code * 64 + sq];
      if (PieceType(code) == Pawn) p.pawn_key ^= rtable[code * 64 + sq];
    }
  }

  *pos = p;
  if (ThreadRecord* td = pos->owner) {
    td->game_ply = 0;
    td->dropped_plies = 0;
    td->search_ply = 1;
    td->last_move = NullMove;
    td->undo[0] = UndoRecord{};
    td->undo[1] = UndoRecord{};
  }
  if (p.castling != asked) {
    ReportDroppedCastling(prefix, asked & ~p.castling);
    return kSetCastlingDropped;
  }
  return kSetOk;
}

void MakeEPD(const Position* pos, char* out) {
  char* o = out;
  for (int rank = 7; rank >= 0; rank--) {
    int empty = 0;
    for (int file = 0; file < 8; file++) {
      const int code = pos->board[rank * 8 + file];
      if (!code) {
        empty++;
        continue;
      }
      if (empty) *o++ = char('0' + empty), empty = 0;
      *o++ = PieceColour(code) == White ? kWhiteLetters[PieceType(code)] : kBlackLetters[PieceType(code)];
    }
    if (empty) *o++ = char('0' + empty);
    if (rank) *o++ = '/';
  }
  *o++ = ' ';
  *o++ = pos->side == White ? 'w' : 'b';
  *o++ = ' ';
  if (!pos->castling) *o++ = '-';
  if (pos->castling & 1) *o++ = 'K';
  if (pos->castling & 2) *o++ = 'Q';
  if (pos->castling & 4) *o++ = 'k';
  if (pos->castling & 8) *o++ = 'q';
  *o++ = ' ';
  if (pos->ep < 64) {
    *o++ = tbl[pos->ep][0];
    *o++ = tbl[pos->ep][1];
  } else {
    *o++ = '-';
  }
  *o = 0;
}

void ShowBoard(const Position* pos) {
  char text[512];
  MakeEPD(pos, text);
  char* o = text + std::strlen(text);
  *o++ = '\n';
  for (int rank = 7; rank >= 0; rank--) {
    *o++ = ' ';
    for (int file = 0; file < 8; file++) {
      const int code = pos->board[rank * 8 + file];
      *o++ = ' ';
      if (!code)
        *o++ = (file & 1) == (rank & 1) ? '+' : '-';
      else
        *o++ = PieceColour(code) == White ? kWhiteLetters[PieceType(code)] : kDiagramBlack[PieceType(code)];
    }
    *o++ = '\n';
  }
  std::strcpy(o, pos->side == White ? "white\n" : "black\n");
  ShowMessage(text);
}
