// Distance-to-zero probes and the engine's root probe against the real
// tables: following the root move from won positions, and fixed positions.
#include <gtest/gtest.h>

#include "board/attacks.h"
#include "board/fen.h"
#include "board/makemove.h"
#include "engine/params.h"
#include "search/keys.h"
#include "search/records.h"
#include "tb_fixture.h"

using namespace tbtest;

namespace {

std::string Fen(const TbPosition& p) {
  std::string fen;
  for (int rank = 7; rank >= 0; rank--) {
    int empty = 0;
    for (int file = 0; file < 8; file++) {
      const int sq = rank * 8 + file;
      int code = 0;
      for (int c : {1, 2, 3, 4, 5, 6, 9, 10, 11, 12, 13, 14})
        if (get_pieces(&p, c) & SquareBit(sq)) code = c;
      if (!code) {
        empty++;
        continue;
      }
      if (empty) fen += char('0' + empty);
      empty = 0;
      const char letter = pchr[6 - (code & 7)];
      fen += code & 8 ? char(letter - 'A' + 'a') : letter;
    }
    if (empty) fen += char('0' + empty);
    if (rank) fen += '/';
  }
  return fen + (p.turn ? " w - -" : " b - -");
}

struct Game {
  ThreadRecord* td;
  Game() {
    static const bool keys = (InitHashKeys(), true);
    (void)keys;
    td = NewThreadRecord(0);
  }
  ~Game() { delete td; }
  Position* pos() { return &td->pos; }
  void Play(Move m) {
    MakeMove(pos(), m);
    td->search_ply = 1;
  }
};

}  // namespace

// The winner's root move keeps the win inside the fifty-move rule, the
// loser's resists, and the game reaches mate or a zeroing move no later than
// the distance the root position reported (give or take the rounding).
TEST(TablebaseDtz, RootMovesConvertWinsWithinTheReportedDistance) {
  UseTables(kTables);
  Game g;
  std::mt19937_64 rng(5);
  std::vector<std::string> names = Materials(3);
  for (const std::string& n : Materials(4)) names.push_back(n);
  int total = 0;
  for (const std::string& name : names) {
    int walks = 0;
    for (int tries = 0; tries < 2000 && walks < 12; tries++) {
      const TbPosition start = RandomPosition(Codes(name), rng);
      int ok;
      if (probe_wdl(&start, &ok) != 2) continue;
      const int dtz = probe_dtz(&start, &ok);
      ASSERT_TRUE(ok && dtz >= 1 && dtz <= 100) << name << " " << Fen(start) << " dtz " << dtz;
      ASSERT_EQ(SetPosition(g.pos(), Fen(start).c_str()), kSetOk);
      int plies = 0;
      for (;;) {
        Move m = 0;
        const int r = TB_Probe_DTZ(g.pos(), &m);
        ASSERT_EQ(r, plies % 2 ? 0 : 4) << name << " " << Fen(start) << " after " << plies;
        g.Play(m);
        plies++;
        if (g.pos()->fifty == 0) {
          ASSERT_EQ(TB_Probe_WDL(g.pos(), 70), plies % 2 ? 0 : 4) << name << " " << Fen(start);
          break;
        }
        const int side = g.pos()->side;
        if (IsMate(g.pos(), SqAtakd(g.pos(), g.pos()->list[side][King][0], side ^ 1)) == 1) break;
      }
      // Distances stored halved read back one short at most.
      EXPECT_LE(plies, dtz + 1) << name << " " << Fen(start);
      walks++;
    }
    total += walks;
  }
  EXPECT_GT(total, 250);  // the materials without wins (KBvK, KNvKN, ...) add none
}

// Known answers at the root, refusals, and positions the tables cannot hold.
TEST(TablebaseDtz, RootProbeOfFixedPositions) {
  UseTables(kTables);
  Game g;
  struct Case {
    const char* fen;
    int dtz_result, wdl_result;
    Move move;
  } cases[] = {
      {"7k/8/5K2/8/8/8/8/6Q1 w - -", 4, 4, MakeMoveCode(6, 54)},   // the mate g1g7
      {"8/8/8/8/8/8/8/KN5k w - -", 2, 2, MakeMoveCode(1, 16)},     // fifth drawing move in order: b1a3
      {"8/8/8/8/8/8/6Q1/K6k b - -", 2, 2, MakeMoveCode(7, 14)},    // only the capture h1xg2 saves black
      {"8/4P3/8/8/8/8/k7/4K3 w - -", 4, 4, Move(MakeMoveCode(52, 60) | PromoQueen)},
      {"7k/8/8/8/8/8/P7/K7 w - -", 4, 4, 0},                       // outside the square of the pawn
      {"k7/8/8/8/8/8/P7/K7 w - -", 2, 2, 0},                       // rook pawn, defender in the corner
      {"8/8/8/8/8/8/8/R3K2k w Q -", -1, -1, 0},                    // castling rights are never probed
      {"8/8/8/8/8/8/1k2p3/4K3 b - -", 2, 2, 0},                    // KvKP: KPvK with colours exchanged
  };
  for (const Case& c : cases) {
    ASSERT_NE(SetPosition(g.pos(), c.fen), kSetRejected) << c.fen;
    Move m = 0;
    const int r = TB_Probe_DTZ(g.pos(), &m);
    if (c.move) {
      EXPECT_EQ(m, c.move) << c.fen;
    }
    EXPECT_EQ(r, c.dtz_result) << c.fen;
    EXPECT_EQ(TB_Probe_WDL(g.pos(), 70), c.wdl_result) << c.fen;
  }
  // The side not to move in check: refused, never probed into a king capture.
  ASSERT_EQ(SetPosition(g.pos(), "4k3/8/8/8/8/8/4Q3/4K3 b - -"), kSetOk);
  g.pos()->side = White;
  Move m = 0;
  EXPECT_EQ(TB_Probe_DTZ(g.pos(), &m), -1);
  EXPECT_EQ(TB_Probe_WDL(g.pos(), 70), -1);
  // The probe depth setting gates the tree probes, not the root's depth 70.
  ASSERT_EQ(SetPosition(g.pos(), "7k/8/5K2/8/8/8/8/6Q1 w - -"), kSetOk);
  const int16_t saved = Personality.SyzygyProbeDepth5;
  Personality.SyzygyProbeDepth5 = 5;
  EXPECT_EQ(TB_Probe_WDL(g.pos(), 4), -1);
  EXPECT_EQ(TB_Probe_WDL(g.pos(), 5), 4);
  Personality.SyzygyProbeDepth5 = saved;
}
