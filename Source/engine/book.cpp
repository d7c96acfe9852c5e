#include "engine/book.h"

#include <cstdlib>
#include <string>

#include "board/bitboard.h"
#include "board/legal.h"
#include "engine/output.h"
#include "engine/params.h"
#include "engine/random64.h"

namespace {

// Engine piece code to the book's piece kind; 15 marks codes that name no piece.
constexpr uint8_t pg_piece[17] = {15, 1, 3, 5, 7, 9, 11, 15, 15, 0, 2, 4, 6, 8, 10, 15, 15};

constexpr int kMaxBookMoves = 128;

struct Candidate {
  Move move;
  int weight;    // as stored
  int adjusted;  // after OwnBook_Variety, scaled to 10000 per stored sum
};

uint64_t BigEndian(const unsigned char* p, int bytes) {
  uint64_t v = 0;
  for (int i = 0; i < bytes; i++) v = v << 8 | p[i];
  return v;
}

bool ReadEntryAt(FILE* f, long index, BookEntry* entry) {
  return std::fseek(f, index * kBookEntrySize, SEEK_SET) == 0 && ReadEntry(f, entry) == 0;
}

// The engine's move for a stored one, or 0 for promotion codes that name no piece.
Move BookToMove(const Position* pos, unsigned code) {
  const int to = code & 63;
  const int from = (code >> 6) & 63;
  const unsigned promo = (code >> 12) & 7;
  if (promo > 4) return NullMove;
  int target = to;
  if (PieceType(pos->board[from]) == King) {
    if (from == 4 && to == 7) target = 6;
    if (from == 4 && to == 0) target = 2;
    if (from == 60 && to == 63) target = 62;
    if (from == 60 && to == 56) target = 58;
  }
  constexpr Move flags[5] = {0, PromoKnight, PromoBishop, PromoRook, PromoQueen};
  return Move(MakeMoveCode(from, target) | flags[promo]);
}

// The entries of key, in file order, whose moves are legal in pos: a damaged
// or foreign file, or another position with the same key, must not hand the
// game an impossible move. Only whole entries count.
int FindEntries(FILE* f, uint64_t key, Position* pos, Candidate* out) {
  if (std::fseek(f, 0, SEEK_END) != 0) return 0;
  const long last = std::ftell(f) / kBookEntrySize - 1;
  BookEntry found;
  if (last < 0 || !ReadEntryAt(f, last, &found)) return 0;
  BookEntry e = found;
  long lo = -1, hi = last;
  while (hi - lo > 1) {
    const long mid = (lo + hi) / 2;
    ReadEntryAt(f, mid, &e);
    if (key <= e.key) {
      hi = mid;
      found = e;
    } else {
      lo = mid;
    }
  }
  if (found.key != key) return 0;

  Move legal[256];
  const int legal_count = LegalMoves(pos, legal);
  int n = 0;
  std::fseek(f, (hi + 1) * kBookEntrySize, SEEK_SET);
  for (int read = 0; read < kMaxBookMoves && found.key == key; read++) {
    const Move m = BookToMove(pos, found.move);
    for (int i = 0; i < legal_count; i++)
      if (m && legal[i] == m) {
        out[n++] = {m, found.weight, 0};
        break;
      }
    if (ReadEntry(f, &found)) break;
  }
  return n;
}

// Variety 25 keeps the stored proportions; more flattens them, less drops
// the weak moves. Returns the sum of the adjusted weights.
int AdjustWeights(Candidate* c, int n, int sum) {
  const int shift = int(c[0].weight * 0.01 * (Personality.OwnBook_Variety - 25));
  int total = 0;
  for (int i = 0; i < n; i++) {
    const int a = c[i].weight + shift;
    c[i].adjusted = sum ? 10000 * a / sum : 0;
    if (c[i].adjusted < 0) c[i].adjusted = 0;
    total += c[i].adjusted;
  }
  return total;
}

int DrawPick(int total) {
  const uint32_t r = uint32_t(std::rand());
  const uint32_t k = (98765u * r + 123456789u) % 1000u;
  return int(total * double(k) * 0.001);
}

// Lists the candidates that carry weight and returns the chosen index.
int Select(const Candidate* c, int n, int sum, int total, int pick) {
  std::string list = "info string ( book moves are: ";
  char line[128];
  int chosen = 0, running = 0;
  for (int i = 0; i < n; i++) {
    if (!c[i].weight) continue;
    if (pick > running) chosen = i;
    const Move m = c[i].move;
    if (PBlock.protocol) {
      list += std::string(tbl[MoveFrom(m)]) + tbl[MoveTo(m)] + " ";
    } else {
      std::snprintf(line, sizeof line, "  %s%s  cnt= %5d, weight= %5.2f%% -> %5.2f%%", tbl[MoveFrom(m)],
                    tbl[MoveTo(m)], c[i].weight, 100.0 * c[i].weight / sum,
                    total ? 100.0 * c[i].adjusted / total : 0.0);
      ShowMessage(line);
    }
    running += c[i].adjusted;
  }
  const Move m = c[chosen].move;
  if (PBlock.protocol) {
    ShowMessage((list + " )").c_str());
  } else {
    std::snprintf(line, sizeof line, "selecting %s%s", tbl[MoveFrom(m)], tbl[MoveTo(m)]);
    ShowMessage(line);
  }
  return chosen;
}

}  // namespace

uint64_t GetHashKey(const Position* pos) {
  uint64_t key = 0;
  for (int s = 0; s < 64; s++)
    if (const int code = pos->board[s]) key ^= Random64[64 * pg_piece[code] + s];
  for (int right = 0; right < 4; right++)
    if (pos->castling & (1 << right)) key ^= Random64[768 + right];
  // The square counts only when a pawn of the side to move could take there.
  const int ep = pos->ep;
  if (ep < 64 && (BB_PawnRays[pos->side ^ 1][ep] & pos->bb[pos->side][Pawn])) key ^= Random64[772 + (ep & 7)];
  if (pos->side == White) key ^= Random64[780];
  return key;
}

int ReadEntry(FILE* f, BookEntry* entry) {
  unsigned char b[kBookEntrySize];
  const size_t got = std::fread(b, 1, sizeof b, f);
  if (got >= 8) entry->key = BigEndian(b, 8);
  if (got >= 10) entry->move = uint16_t(BigEndian(b + 8, 2));
  if (got >= 12) entry->weight = uint16_t(BigEndian(b + 10, 2));
  if (got >= 16) entry->learn = uint32_t(BigEndian(b + 12, 4));
  return got == sizeof b ? 0 : 1;
}

Move PG_GetBookMove(Position* pos) {
  FILE* f = std::fopen(Personality.OwnBook_File, "rb");
  if (!f) return NullMove;
  Candidate c[kMaxBookMoves];
  const int n = FindEntries(f, GetHashKey(pos), pos, c);
  std::fclose(f);
  if (!n) return NullMove;
  int sum = 0;
  for (int i = 0; i < n; i++) sum += c[i].weight;
  const int total = AdjustWeights(c, n, sum);
  return c[Select(c, n, sum, total, DrawPick(total))].move;
}
