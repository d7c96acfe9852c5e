#include "engine/console_edit.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "board/bitboard.h"
#include "board/fen.h"
#include "engine/console.h"
#include "engine/input.h"
#include "engine/output.h"
#include "engine/params.h"
#include "search/records.h"
#include "search/searchdata.h"

namespace {

constexpr char kTypeLetters[] = "pnbrqk";
constexpr char kFenLetters[2][8] = {"-PNBRQK", "-pnbrqk"};

// The board being edited; it reaches the game record only as a whole and
// only when it makes a legal position.
struct Draft {
  uint8_t board[64];
  int side;
  int castling;
  int ep;
};

void Clear(Draft* d) {
  std::memset(d->board, 0, sizeof d->board);
  d->castling = 15;
  d->ep = NoSquare;
}

// A piece letter and a square of the board: "Pa2".
bool PieceSquare(const char* word, int* sq) {
  if (std::strlen(word) != 3 || word[1] < 'a' || word[1] > 'h' || word[2] < '1' || word[2] > '8') return false;
  *sq = (word[1] - 'a') + 8 * (word[2] - '1');
  return true;
}

// A word that names no square is refused in one line, and the words after
// it are still read. A letter that names no piece empties the square.
void PlacePieces(Draft* d, char* line) {
  const bool cleared = line[0] == '#';
  char* word = std::strtok(line, " ");
  if (!word) return;
  if (word[0] != 'w' && word[0] != 'b') {
    if (!cleared) ShowFormatted("'%s' is not w or b, line ignored", word);
    return;
  }
  const int colour = word[0] == 'w' ? White : Black;
  d->side = colour;
  while ((word = std::strtok(nullptr, " "))) {
    int sq;
    if (!PieceSquare(word, &sq)) {
      ShowFormatted("'%s' is not a piece on a square from a1 to h8, skipped", word);
      continue;
    }
    d->board[sq] = 0;
    const char* t = std::strchr(kTypeLetters, std::tolower(static_cast<unsigned char>(word[0])));
    if (t && *t) d->board[sq] = uint8_t(PieceCode(int(t - kTypeLetters) + 1, colour));
  }
}

// Rights whose king or rook is not at home go, as the editor cannot know
// whether they moved.
int HomeRights(const Draft* d) {
  const uint8_t* b = d->board;
  const bool wk = b[4] == PieceCode(King, White), bk = b[60] == PieceCode(King, Black);
  int rights = d->castling;
  if (!wk || b[7] != PieceCode(Rook, White)) rights &= ~1;
  if (!wk || b[0] != PieceCode(Rook, White)) rights &= ~2;
  if (!bk || b[63] != PieceCode(Rook, Black)) rights &= ~4;
  if (!bk || b[56] != PieceCode(Rook, Black)) rights &= ~8;
  return rights;
}

void WriteFen(const Draft* d, char* out) {
  char* o = out;
  for (int rank = 7; rank >= 0; rank--) {
    int empty = 0;
    for (int file = 0; file < 8; file++) {
      const int code = d->board[rank * 8 + file];
      if (!code) {
        empty++;
        continue;
      }
      if (empty) *o++ = char('0' + empty);
      empty = 0;
      *o++ = kFenLetters[PieceColour(code)][PieceType(code)];
    }
    if (empty) *o++ = char('0' + empty);
    if (rank) *o++ = '/';
  }
  const int rights = HomeRights(d);
  o += std::sprintf(o, " %c ", d->side == White ? 'w' : 'b');
  if (!rights) *o++ = '-';
  for (int bit = 0; bit < 4; bit++)
    if (rights & (1 << bit)) *o++ = "KQkq"[bit];
  std::sprintf(o, " %s", d->ep < 64 ? tbl[d->ep] : "-");
}

}  // namespace

void EditBoard() {
  AbandonSearch();
  ShowMessage("\n");
  ShowMessage(".                    end edit");
  ShowMessage("#                    clear board");
  ShowMessage("w  Pa2 Pb2 Kc2       white, pieces");
  ShowMessage("b  Pa7 Pb7 Kc7       black, pieces");

  const Position* pos = &CTD->pos;
  Draft d;
  std::memcpy(d.board, pos->board, sizeof d.board);
  d.side = pos->side;
  d.castling = pos->castling;
  d.ep = pos->ep;

  // Whole, as the input keeps it: a cut line would end in a piece cut short.
  static char line[kInputLineSize];  // too big for small stacks
  while (WaitInputLine(line, sizeof line)) {
    if (line[0] == '.') break;
    if (!std::strncmp(line, "quit", 4) && (!line[4] || line[4] == ' ')) {
      SearchData.stop = StopAbort;
      PBlock.quit = 1;
      return;
    }
    if (line[0] == '#') Clear(&d);
    PlacePieces(&d, line);
  }
  char fen[128];
  WriteFen(&d, fen);
  // A refused position is reported by SetPosition in one line and the game
  // stays as it was.
  if (SetPosition(&CTD->pos, fen) == kSetRejected) return;
  ShowBoard(&CTD->pos);
}
