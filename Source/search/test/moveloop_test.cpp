#include "search/moveloop.h"

#include <cstring>

#include "search/ordering.h"
#include "search/test/search_fixture.h"

namespace {

class MoveLoopTest : public SearchTest {
 protected:
  void SetUp() override {
    td = NewThreadRecord(0);
    ASSERT_NE(td, nullptr);
    pos = &td->pos;
  }
  void TearDown() override { delete td; }

  void Set(const char* fen) { ASSERT_EQ(SetPosition(pos, fen), kSetOk) << fen; }

  // The generated entry of a move, as the picker would hand it out.
  MoveEntry Entry(const char* text) {
    GenerateAll(pos);
    for (const MoveEntry* e = &td->moves[td->ply[td->search_ply].list_start]; e->move != EndOfList; e++)
      if (MoveText(e->move) == text) return *e;
    ADD_FAILURE() << "no move " << text;
    return MoveEntry{};
  }

  ThreadRecord* td = nullptr;
  Position* pos = nullptr;
};

TEST_F(MoveLoopTest, MoveFlagsClassifyCapturesChecksAndPawnAdvances) {
  struct Case {
    const char* fen;
    const char* move;
    uint16_t flags;
  };
  const Case cases[] = {
      {"4k3/8/8/3p4/8/4N3/8/4K3 w - -", "e3d5", kFlagCapture},
      {"4k3/8/8/3pP3/8/8/8/4K3 w - d6", "e5d6", kFlagCapture | kFlagAdvance},  // en passant, passed
      {"4k3/8/8/8/8/8/8/R3K3 w - -", "a1a8", kFlagCheck},
      {"4k3/8/8/8/4N3/8/8/4R1K1 w - -", "e4c5", kFlagCheck | kFlagDiscovered},
      {"4k3/8/8/8/4N3/8/8/4R1K1 w - -", "e4f6", kFlagCheck | kFlagDiscovered},  // discovered wins over direct
      {"4k3/8/1P6/8/8/8/8/4K3 w - -", "b6b7", kFlagSeventh},
      {"4k3/1P6/8/8/8/8/8/4K3 w - -", "b7b8q", kFlagCheck | kFlagQueenPromo},
      {"4k3/1P6/8/8/8/8/8/4K3 w - -", "b7b8n", kFlagAdvance},
      {"4k3/8/8/8/3P4/8/8/4K3 w - -", "d4d5", kFlagAdvance},
      {"4k3/4p3/8/8/3P4/8/8/4K3 w - -", "d4d5", 0},  // an enemy pawn still guards its path
      {"4k3/8/8/8/8/8/3P4/4K3 w - -", "d2d4", 0},
      {"5k2/8/8/8/8/8/8/4K2R w K -", "e1g1", 0},  // castling counts as a king move
      {"4k3/8/8/8/8/8/3p4/7K b - -", "d2d1n", kFlagAdvance},
      {"4k3/8/8/8/8/3p4/8/4K3 b - -", "d3d2", kFlagCheck | kFlagSeventh},
  };
  for (const Case& c : cases) {
    Set(c.fen);
    const MoveEntry e = Entry(c.move);
    EXPECT_EQ(SetMoveFlags(pos, pos->side, &e), c.flags) << c.fen << " " << c.move;
  }
}

TEST_F(MoveLoopTest, SliderBearingOnACoveredKingSquare) {
  // The knight on e5 covers f7; a rook arriving on the f-file adds to it.
  Set("6k1/8/8/4N3/8/8/R7/6K1 w - -");
  const Bitboard K = BB_KingRays[Sq("g8")];
  Bitboard before[2][8];
  std::memcpy(before, pos->bb, sizeof before);
  EXPECT_EQ(MoveAttacksKingArea(pos, Rook, Sq("a2"), Sq("f2"), K), 1);
  EXPECT_EQ(std::memcmp(before, pos->bb, sizeof before), 0);
  EXPECT_EQ(MoveAttacksKingArea(pos, Rook, Sq("a2"), Sq("h2"), K), 0);  // nothing else covers h7 or h8
  EXPECT_EQ(MoveAttacksKingArea(pos, Rook, Sq("a2"), Sq("e2"), K), 0);  // no king square on the e-file
  EXPECT_EQ(std::memcmp(before, pos->bb, sizeof before), 0);
}

TEST_F(MoveLoopTest, NodeWithoutLegalMovesScoresMateOrStalemate) {
  Move pv[kMaxPly] = {};
  auto at_ply_three = [&](const char* fen) {
    Set(fen);
    td->search_ply = 3;
    td->ply[3].list_start = 100;
  };
  at_ply_three("7k/6Q1/6K1/8/8/8/8/8 b - -");
  EXPECT_EQ(AB_Search(pos, Black, 3, 1, -10000, 10000, 1, 1, pv), 3 - 10000);
  at_ply_three("7k/5Q2/6K1/8/8/8/8/8 b - -");
  EXPECT_EQ(AB_Search(pos, Black, 3, 1, -10000, 10000, 0, 1, pv), 0);
  EXPECT_EQ(pv[3], 0);
}

}  // namespace
