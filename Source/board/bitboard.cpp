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

SliderMagic BB_BishopMagic[64], BB_RookMagic[64];

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
constexpr Bitboard kFileH = kFileA << 7;
constexpr Bitboard kRank1 = 0xFFULL;
constexpr Bitboard kRank8 = kRank1 << 56;

// Multipliers that map every blocker set of a square to a distinct index, or
// to one shared only by sets with the same attacks; found once by a search
// over sparse random numbers.
constexpr Bitboard kRookMagics[64] = {
    0x1080004008801020ULL, 0x0840092002C03000ULL, 0x1900200010400900ULL, 0x0880100008000480ULL,
    0x4200100420080200ULL, 0x8100020100080400ULL, 0x0200040110886200ULL, 0x0200008040220411ULL,
    0x0404800084400220ULL, 0x0000401000402000ULL, 0x0086001081220440ULL, 0x0408800800100280ULL,
    0x000A001201040820ULL, 0x8848800200840080ULL, 0x4001000100040200ULL, 0x0442000102105084ULL,
    0x9080010020804100ULL, 0x0040404000201009ULL, 0x0000808010002009ULL, 0x2200090021D00100ULL,
    0x0008008008040080ULL, 0x0004004002010040ULL, 0x0011040008015042ULL, 0x00000A0001768104ULL,
    0x0000800080204009ULL, 0x2010004140002001ULL, 0x9800200280100080ULL, 0x1000100080080080ULL,
    0x0442000A00049020ULL, 0x2100040080020080ULL, 0x0800120400900148ULL, 0x0010040A00128541ULL,
    0x2800804000800030ULL, 0x1010002000400041ULL, 0x4000200011004100ULL, 0x0610008410800800ULL,
    0x0400802402800800ULL, 0xC100020080800400ULL, 0x0002000802000401ULL, 0x0182085882000401ULL,
    0x0220204000808000ULL, 0x2860100040024022ULL, 0x0001002004110040ULL, 0x99101042000A0020ULL,
    0x0004080004008080ULL, 0x0010040002008080ULL, 0x2012004881020004ULL, 0x8300842444820011ULL,
    0x0088403882010200ULL, 0x0820400080210100ULL, 0x0110910040A00300ULL, 0x0801100280080480ULL,
    0x0242009008200600ULL, 0x1002000489500200ULL, 0x0040800200010080ULL, 0x0091800041000080ULL,
    0x0000209300488001ULL, 0x04C1002414824001ULL, 0x020020000B001041ULL, 0x7000100004200901ULL,
    0x8002002004100802ULL, 0x30010002084C0007ULL, 0x0888221800813004ULL, 0x4000002840840112ULL
};
constexpr Bitboard kBishopMagics[64] = {
    0xA010041108003100ULL, 0x006082020A002900ULL, 0x6810010619200000ULL, 0x08281A0520000408ULL,
    0x0001104001000400ULL, 0x0018901008048400ULL, 0x00040A0210245280ULL, 0x000200210808A402ULL,
    0x9140048410821200ULL, 0x0800091010820041ULL, 0x20504804832202C0ULL, 0x0100091401081000ULL,
    0x8021011140000012ULL, 0x0810020804450400ULL, 0x208B0542109008A2ULL, 0x0080084A08040204ULL,
    0x0040E2A80811244CULL, 0x2505022008008108ULL, 0x0430220100420040ULL, 0x010A040420220040ULL,
    0x1105000290400000ULL, 0x0093001200822120ULL, 0x4000A62048043004ULL, 0x280120048A015004ULL,
    0x006090002A020814ULL, 0x44042000240800D0ULL, 0x01102800040A4400ULL, 0x1004080080220040ULL,
    0x0001001011004024ULL, 0x0010044000805040ULL, 0x0914041200820100ULL, 0x0004821012821480ULL,
    0x0024040500C05021ULL, 0x0088611002080200ULL, 0x0116080A00040020ULL, 0x4000020080080080ULL,
    0x2450450140840040ULL, 0x0000880201484100ULL, 0x0222020404020092ULL, 0x8081110600002E00ULL,
    0x2842101105000801ULL, 0x1100809008001025ULL, 0x00020202221C0400ULL, 0x0422014022009020ULL,
    0x0210046102100C00ULL, 0xC004008082029102ULL, 0x00AA461801101200ULL, 0x0404080080201108ULL,
    0x020542108C205002ULL, 0x0410544804100100ULL, 0x0040910841100000ULL, 0x0400200042021100ULL,
    0x00004204850400C0ULL, 0x0200100410A42102ULL, 0x1040020801210102ULL, 0x0805040410420000ULL,
    0x2884804130100200ULL, 0x800C262201242000ULL, 0x1058000194108800ULL, 0x0014221054420204ULL,
    0x0104000012A02200ULL, 0x0200881003300100ULL, 0x0140400202840100ULL, 0x0402020801010201ULL
};

// Blocks of all squares: the sum over squares of 2 to the number of mask bits.
Bitboard rook_attacks[102400];
Bitboard bishop_attacks[5248];

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

// Attacks of a slider along its rays, each stopped by the first blocker.
Bitboard Walk(const Bitboard* const rays[4], const bool rising[4], int sq, Bitboard occ) {
  Bitboard a = 0;
  for (int d = 0; d < 4; d++) {
    const Bitboard ray = rays[d][sq], blockers = ray & occ;
    if (!blockers) {
      a |= ray;
      continue;
    }
    const int first = rising[d] ? LSB(blockers) : MSB(blockers);
    a |= ray & ~rays[d][first];
  }
  return a;
}

// Fills the block of every square, each one beginning where the last ended.
void InitSliderMagics(SliderMagic* magics, const Bitboard* multipliers, Bitboard* table,
                      const Bitboard* const rays[4], const bool rising[4], const Bitboard edges[4]) {
  Bitboard* block = table;
  for (int sq = 0; sq < 64; sq++) {
    SliderMagic& m = magics[sq];
    m.mask = 0;
    for (int d = 0; d < 4; d++) m.mask |= rays[d][sq] & ~edges[d];
    m.magic = multipliers[sq];
    m.shift = 64 - PopCount(m.mask);
    m.attacks = block;
    Bitboard occ = 0;
    do {
      block[(occ * m.magic) >> m.shift] = Walk(rays, rising, sq, occ);
      occ = (occ - m.mask) & m.mask;
    } while (occ);
    block += Bitboard(1) << PopCount(m.mask);
  }
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

  const Bitboard* const straight[4] = {BB_RayN, BB_RayS, BB_RayE, BB_RayW};
  const Bitboard* const diagonal[4] = {BB_RayNE, BB_RayNW, BB_RaySE, BB_RaySW};
  const bool straight_rising[4] = {true, false, true, false};
  const bool diagonal_rising[4] = {true, true, false, false};
  const Bitboard straight_edges[4] = {kRank8, kRank1, kFileH, kFileA};
  const Bitboard all_edges = kRank1 | kRank8 | kFileA | kFileH;
  const Bitboard diagonal_edges[4] = {all_edges, all_edges, all_edges, all_edges};
  InitSliderMagics(BB_RookMagic, kRookMagics, rook_attacks, straight, straight_rising, straight_edges);
  InitSliderMagics(BB_BishopMagic, kBishopMagics, bishop_attacks, diagonal, diagonal_rising, diagonal_edges);
}
