#include "board/bitboard.h"

Bitboard BB_RayN[64], BB_RayS[64], BB_RayE[64], BB_RayW[64];
Bitboard BB_RayNE[64], BB_RayNW[64], BB_RaySE[64], BB_RaySW[64];
Bitboard BB_RookRays[64], BB_BishopRays[64];
Bitboard BB_KnightRays[64], BB_KingRays[64];
Bitboard BB_PawnRays[2][64];
Bitboard BB_Between[64][64];
Bitboard BB_North[8], BB_South[8];
Bitboard BB_Front[2][8], BB_Behind[2][8];
Bitboard BB_AdjacentFiles[8];
Bitboard BB_AdjacentSquares[64];
Bitboard BB_PawnSpan[2][64];

uint8_t bitcnt[256];
uint32_t MSBTable[256];

const uint8_t csbits[64] = {
    2, 0, 0, 0, 3, 0, 0, 1,  //
    0, 0, 0, 0, 0, 0, 0, 0,  //
    0, 0, 0, 0, 0, 0, 0, 0,  //
    0, 0, 0, 0, 0, 0, 0, 0,  //
    0, 0, 0, 0, 0, 0, 0, 0,  //
    0, 0, 0, 0, 0, 0, 0, 0,  //
    0, 0, 0, 0, 0, 0, 0, 0,  //
    8, 0, 0, 0, 12, 0, 0, 4,
};

const uint8_t sq_color[64] = {
    1, 0, 1, 0, 1, 0, 1, 0,  //
    0, 1, 0, 1, 0, 1, 0, 1,  //
    1, 0, 1, 0, 1, 0, 1, 0,  //
    0, 1, 0, 1, 0, 1, 0, 1,  //
    1, 0, 1, 0, 1, 0, 1, 0,  //
    0, 1, 0, 1, 0, 1, 0, 1,  //
    1, 0, 1, 0, 1, 0, 1, 0,  //
    0, 1, 0, 1, 0, 1, 0, 1,
};

const char* const tbl[64] = {
    "a1", "b1", "c1", "d1", "e1", "f1", "g1", "h1",  //
    "a2", "b2", "c2", "d2", "e2", "f2", "g2", "h2",  //
    "a3", "b3", "c3", "d3", "e3", "f3", "g3", "h3",  //
    "a4", "b4", "c4", "d4", "e4", "f4", "g4", "h4",  //
    "a5", "b5", "c5", "d5", "e5", "f5", "g5", "h5",  //
    "a6", "b6", "c6", "d6", "e6", "f6", "g6", "h6",  //
    "a7", "b7", "c7", "d7", "e7", "f7", "g7", "h7",  //
    "a8", "b8", "c8", "d8", "e8", "f8", "g8", "h8",
};

namespace {

constexpr Bitboard kFileA = 0x0101010101010101ULL;

// Sets the bit of (file, rank) when it lies on the board.
void AddIfOnBoard(Bitboard& set, int file, int rank) {
  if (file >= 0 && file < 8 && rank >= 0 && rank < 8) set |= SquareBit(rank * 8 + file);
}

Bitboard Ray(int sq, int df, int dr) {
  Bitboard ray = 0;
  for (int f = FileOf(sq) + df, r = RankOf(sq) + dr; f >= 0 && f < 8 && r >= 0 && r < 8; f += df, r += dr)
    ray |= SquareBit(r * 8 + f);
  return ray;
}

}  // namespace

void InitBitboards() {
  for (int i = 0; i < 256; i++) bitcnt[i] = uint8_t(std::popcount(unsigned(i)));
  MSBTable[0] = MSBTable[1] = 0;
  for (int i = 2; i < 256; i++) MSBTable[i] = MSBTable[i - 1] + ((i & (i - 1)) == 0);

  for (int r = 0; r < 8; r++) {
    BB_North[r] = r == 7 ? 0 : ~Bitboard(0) << ((r + 1) * 8);
    BB_South[r] = r == 0 ? 0 : ~Bitboard(0) >> ((8 - r) * 8);
  }
  for (int r = 0; r < 8; r++) {
    BB_Front[White][r] = BB_North[r];
    BB_Front[Black][r] = BB_South[r];
    BB_Behind[White][r] = BB_South[r];
    BB_Behind[Black][r] = BB_North[r];
  }
  for (int f = 0; f < 8; f++)
    BB_AdjacentFiles[f] = (f > 0 ? kFileA << (f - 1) : 0) | (f < 7 ? kFileA << (f + 1) : 0);

  static constexpr int kKnight[8][2] = {{1, 2}, {2, 1}, {2, -1}, {1, -2}, {-1, -2}, {-2, -1}, {-2, 1}, {-1, 2}};
  for (int s = 0; s < 64; s++) {
    const int f = FileOf(s), r = RankOf(s);
    BB_AdjacentSquares[s] = 0;
    AddIfOnBoard(BB_AdjacentSquares[s], f - 1, r);
    AddIfOnBoard(BB_AdjacentSquares[s], f + 1, r);
    const Bitboard files = (kFileA << f) | BB_AdjacentFiles[f];
    BB_PawnSpan[White][s] = BB_North[r] & files;
    BB_PawnSpan[Black][s] = BB_South[r] & files;
    BB_PawnRays[White][s] = BB_PawnRays[Black][s] = 0;
    AddIfOnBoard(BB_PawnRays[White][s], f - 1, r + 1);
    AddIfOnBoard(BB_PawnRays[White][s], f + 1, r + 1);
    AddIfOnBoard(BB_PawnRays[Black][s], f - 1, r - 1);
    AddIfOnBoard(BB_PawnRays[Black][s], f + 1, r - 1);
    BB_KnightRays[s] = 0;
    for (const auto& d : kKnight) AddIfOnBoard(BB_KnightRays[s], f + d[0], r + d[1]);
    BB_RayN[s] = Ray(s, 0, 1);
    BB_RayS[s] = Ray(s, 0, -1);
    BB_RayE[s] = Ray(s, 1, 0);
    BB_RayW[s] = Ray(s, -1, 0);
    BB_RayNE[s] = Ray(s, 1, 1);
    BB_RayNW[s] = Ray(s, -1, 1);
    BB_RaySE[s] = Ray(s, 1, -1);
    BB_RaySW[s] = Ray(s, -1, -1);
    BB_RookRays[s] = BB_RayN[s] | BB_RayS[s] | BB_RayE[s] | BB_RayW[s];
    BB_BishopRays[s] = BB_RayNE[s] | BB_RayNW[s] | BB_RaySE[s] | BB_RaySW[s];
    BB_KingRays[s] = 0;
    for (int df = -1; df <= 1; df++)
      for (int dr = -1; dr <= 1; dr++)
        if (df || dr) AddIfOnBoard(BB_KingRays[s], f + df, r + dr);
  }

  for (int a = 0; a < 64; a++) {
    for (int b = 0; b < 64; b++) {
      const int df = FileOf(b) - FileOf(a), dr = RankOf(b) - RankOf(a);
      BB_Between[a][b] = 0;
      if (a == b || (df && dr && df != dr && df != -dr)) continue;
      const int sf = (df > 0) - (df < 0), sr = (dr > 0) - (dr < 0);
      for (int s = a + sr * 8 + sf; s != b; s += sr * 8 + sf) BB_Between[a][b] |= SquareBit(s);
    }
  }
}
