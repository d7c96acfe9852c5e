#include "board/legal.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "board/attacks.h"
#include "board/bitboard.h"
#include "board/movegen.h"

int LegalMoves(Position* pos, Move* out) {
  MoveEntry list[256];
  const int side = pos->side;
  MoveEntry* end = GenerateCaptures(pos, side, list);
  end = GeneratePromotions(pos, side, 1, end);
  end = GenerateQuiets(pos, side, end);
  int n = 0;
  for (MoveEntry* e = list; e < end; e++)
    if (MoveIsLegal(pos, side, e->move)) out[n++] = e->move;
  return n;
}

Move FindLegalMove(Position* pos, const char* text) {
  // The promotion letter may come in either case.
  char wanted[8];
  std::snprintf(wanted, sizeof wanted, "%s", text);
  if (std::strlen(text) == 5) wanted[4] = char(std::tolower(static_cast<unsigned char>(wanted[4])));
  Move moves[256];
  const int n = LegalMoves(pos, moves);
  for (int i = 0; i < n; i++) {
    // The protocol's own spelling, whatever the console shows.
    const Move m = moves[i];
    char buf[8];
    std::snprintf(buf, sizeof buf, "%s%s", tbl[MoveFrom(m)], tbl[MoveTo(m)]);
    if (m & PromoMask) {
      buf[4] = m & PromoQueen ? 'q' : m & PromoKnight ? 'n' : m & PromoBishop ? 'b' : 'r';
      buf[5] = 0;
    }
    if (std::strcmp(buf, wanted) == 0) return m;
  }
  return NullMove;
}

int IsLegalMove(Position* pos, Move move) {
  Move moves[256];
  const int n = LegalMoves(pos, moves);
  for (int i = 0; i < n; i++)
    if (moves[i] == move) return 1;
  return 0;
}
