// Win/draw/loss probes against the real tables: every three-man position
// against a retrograde solution of the test's own, four-man samples against
// one ply of search over their successors, en passant included.
#include <gtest/gtest.h>

#include <map>

#include "tb_fixture.h"

using namespace tbtest;

namespace {

// White king on wk, black king on bk, one white piece of type on x.
struct Solved {
  std::vector<uint8_t> won;   // white to move wins
  std::vector<uint8_t> lost;  // black to move loses
};

int Index(int wk, int bk, int x) { return wk << 12 | bk << 6 | x; }

uint64_t PieceAttacks(int type, int x, uint64_t occ) {
  switch (type) {
    case Pawn: return BB_PawnRays[White][x];
    case Knight: return BB_KnightRays[x];
    case Bishop: return BishopAttacks(x, occ);
    case Rook: return RookAttacks(x, occ);
    default: return RookAttacks(x, occ) | BishopAttacks(x, occ);
  }
}

bool Legal(int type, int wk, int bk, int x) {
  return wk != bk && x != wk && x != bk && !(BB_KingRays[wk] & SquareBit(bk)) &&
         !(type == Pawn && (x < 8 || x > 55));
}

// Iterates to the fixed point: white wins when a move reaches a lost black
// position, black loses when mated or when every move reaches a white win.
Solved Solve(int type, const std::map<int, Solved>& promoted) {
  Solved s{std::vector<uint8_t>(1 << 18), std::vector<uint8_t>(1 << 18)};
  for (bool changed = true; changed;) {
    changed = false;
    for (int i = 0; i < 1 << 18; i++) {
      const int wk = i >> 12, bk = (i >> 6) & 63, x = i & 63;
      if (!Legal(type, wk, bk, x)) continue;
      const uint64_t occ = SquareBit(wk) | SquareBit(bk) | SquareBit(x);
      if (!s.won[i] && !(PieceAttacks(type, x, occ) & SquareBit(bk))) {
        bool win = false;
        for (uint64_t t = BB_KingRays[wk] & ~BB_KingRays[bk] & ~SquareBit(x); t && !win; t &= t - 1)
          win = s.lost[Index(LSB(t), bk, x)];
        if (type != Pawn) {
          for (uint64_t t = PieceAttacks(type, x, occ) & ~occ; t && !win; t &= t - 1)
            win = s.lost[Index(wk, bk, LSB(t))];
        } else if (!(occ & SquareBit(x + 8))) {
          const int to = x + 8;
          for (const auto& [promo, table] : promoted) win |= to > 55 && table.lost[Index(wk, bk, to)];
          win |= to <= 55 && s.lost[Index(wk, bk, to)];
          win |= x < 16 && !(occ & SquareBit(x + 16)) && s.lost[Index(wk, bk, x + 16)];
        }
        changed |= s.won[i] = win;
      }
      if (!s.lost[i]) {
        const uint64_t guarded = BB_KingRays[wk] | PieceAttacks(type, x, SquareBit(wk) | SquareBit(x));
        bool escape = false, any = false;
        for (uint64_t t = BB_KingRays[bk] & ~guarded; t; t &= t - 1) {
          any = true;
          escape |= LSB(t) == x || !s.won[Index(wk, LSB(t), x)];
        }
        const bool checked = PieceAttacks(type, x, occ) & SquareBit(bk);
        changed |= s.lost[i] = any ? !escape : checked;
      }
    }
  }
  return s;
}

TbPosition Place(int type, int wk, int bk, int x, bool white_to_move, bool swapped) {
  TbPosition p{};
  const int flip = swapped ? 56 : 0, colour = swapped ? 8 : 0;
  Put(p, King | colour, wk ^ flip);
  Put(p, King | (colour ^ 8), bk ^ flip);
  Put(p, type | colour, x ^ flip);
  p.turn = uint8_t(white_to_move != swapped);
  return p;
}

}  // namespace

TEST(TablebaseWdl, ThreeMenAgreeWithRetrogradeSolution) {
  UseTables(kTables);
  std::map<int, Solved> promoted = {{Queen, Solve(Queen, {})}, {Rook, Solve(Rook, {})}};
  promoted[Pawn] = Solve(Pawn, promoted);
  for (const auto& [type, s] : promoted) {
    int checked = 0;
    for (int i = 0; i < 1 << 18; i++) {
      const int wk = i >> 12, bk = (i >> 6) & 63, x = i & 63;
      if (!Legal(type, wk, bk, x)) continue;
      const uint64_t occ = SquareBit(wk) | SquareBit(bk) | SquareBit(x);
      const bool black_in_check = PieceAttacks(type, x, occ) & SquareBit(bk);
      for (bool swapped : {false, true}) {
        int ok;
        if (!black_in_check) {
          const TbPosition w = Place(type, wk, bk, x, true, swapped);
          ASSERT_EQ(probe_wdl(&w, &ok), s.won[i] ? 2 : 0) << type << " " << wk << " " << bk << " " << x;
          ASSERT_NE(ok, 0);
        }
        const TbPosition b = Place(type, wk, bk, x, false, swapped);
        ASSERT_EQ(probe_wdl(&b, &ok), s.lost[i] ? -2 : 0) << type << " " << wk << " " << bk << " " << x;
        checked += 2 - black_in_check;
      }
    }
    EXPECT_GT(checked, 600000);
  }
}

TEST(TablebaseWdl, FourMenAgreeWithOnePlyOverSuccessors) {
  UseTables(kTables);
  std::mt19937_64 rng(12);
  const std::vector<std::string> names = Materials(4);
  ASSERT_EQ(names.size(), 30u);
  for (const std::string& name : names) {
    const std::vector<int> codes = Codes(name);
    int results[5] = {};
    for (int n = 0; n < 3000; n++) {
      const TbPosition p = RandomPosition(codes, rng);
      int ok, lo, hi;
      const int v = probe_wdl(&p, &ok);
      ASSERT_NE(ok, 0) << name;
      OnePlyBounds(p, &lo, &hi);
      ASSERT_TRUE(lo <= v && v <= hi) << name << " v " << v << " bounds " << lo << ".." << hi;
      results[v + 2]++;
    }
    EXPECT_GT(results[2] + results[4], 0) << name;  // every sample had a draw or a win somewhere
  }
}

// After a double push beside an enemy pawn the capture en passant is in the
// position, though not in the tables: the probe must search it.
TEST(TablebaseWdl, EnPassantPositionsOfKPvKP) {
  UseTables(kTables);
  std::mt19937_64 rng(7);
  int decided_by_capture = 0, positions = 0;
  for (int n = 0; n < 20000 && positions < 3000; n++) {
    TbPosition p{};
    const bool white_pushed = rng() & 1;
    const int file = int(rng() % 8), side_file = file == 0 ? 1 : file == 7 ? 6 : file + ((rng() & 1) ? 1 : -1);
    const int pusher = (white_pushed ? 24 : 32) + file, capturer = (white_pushed ? 24 : 32) + side_file;
    Put(p, white_pushed ? Pawn : Pawn | 8, pusher);
    Put(p, white_pushed ? Pawn | 8 : Pawn, capturer);
    const int passed = white_pushed ? pusher - 8 : pusher + 8, start = white_pushed ? pusher - 16 : pusher + 16;
    const int wk = int(rng() % 64), bk = int(rng() % 64);
    const uint64_t busy = p.white | p.black | SquareBit(passed) | SquareBit(start);
    if (wk == bk || (busy & (SquareBit(wk) | SquareBit(bk)))) continue;
    Put(p, King, wk);
    Put(p, King | 8, bk);
    p.turn = !white_pushed;
    p.ep = uint8_t(passed);
    TbPosition mover = p;
    mover.turn ^= 1;
    if (InCheck(mover)) continue;  // the side that pushed may not stand in check
    int ok, lo, hi;
    const int v = probe_wdl(&p, &ok);
    ASSERT_NE(ok, 0);
    OnePlyBounds(p, &lo, &hi);
    ASSERT_TRUE(lo <= v && v <= hi) << "ep " << passed << " v " << v << " bounds " << lo << ".." << hi;
    TbPosition plain = p;
    plain.ep = 0;
    decided_by_capture += probe_wdl(&plain, &ok) != v;
    positions++;
  }
  EXPECT_EQ(positions, 3000);
  EXPECT_GT(decided_by_capture, 0);
}
