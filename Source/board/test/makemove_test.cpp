#include <algorithm>
#include <random>
#include <vector>

#include "board/attacks.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "board_fixture.h"

namespace {

std::vector<int> Sorted(const uint8_t* list) {
  std::vector<int> v;
  for (; *list != NoSquare; list++) v.push_back(*list);
  std::sort(v.begin(), v.end());
  return v;
}

// Everything a position and its record hold; piece lists as sets, since
// restored pieces are appended.
struct Snapshot {
  Position pos;
  std::vector<int> lists[2][8];
  int16_t game_ply, search_ply;
  Move last_move;

  explicit Snapshot(const ThreadRecord* td) : pos(td->pos) {
    for (int c = 0; c < 2; c++)
      for (int t = 0; t < 8; t++) lists[c][t] = Sorted(td->pos.list[c][t]);
    game_ply = td->game_ply;
    search_ply = td->search_ply;
    last_move = td->last_move;
  }
};

void ExpectSame(const Snapshot& a, const Snapshot& b, const char* what) {
  EXPECT_TRUE(std::equal(a.pos.board, a.pos.board + 65, b.pos.board)) << what;
  for (int c = 0; c < 2; c++)
    for (int t = 0; t < 8; t++) {
      EXPECT_EQ(a.pos.bb[c][t], b.pos.bb[c][t]) << what;
      EXPECT_EQ(a.lists[c][t], b.lists[c][t]) << what;
    }
  EXPECT_EQ(a.pos.key, b.pos.key) << what;
  EXPECT_EQ(a.pos.pawn_key, b.pos.pawn_key) << what;
  EXPECT_EQ(a.pos.msig[0], b.pos.msig[0]) << what;
  EXPECT_EQ(a.pos.msig[1], b.pos.msig[1]) << what;
  EXPECT_EQ(a.pos.npm[0], b.pos.npm[0]) << what;
  EXPECT_EQ(a.pos.npm[1], b.pos.npm[1]) << what;
  EXPECT_EQ(a.pos.side, b.pos.side) << what;
  EXPECT_EQ(a.pos.fifty, b.pos.fifty) << what;
  EXPECT_EQ(a.pos.castling, b.pos.castling) << what;
  EXPECT_EQ(a.pos.ep, b.pos.ep) << what;
  EXPECT_EQ(a.game_ply, b.game_ply) << what;
  EXPECT_EQ(a.search_ply, b.search_ply) << what;
  EXPECT_EQ(a.last_move, b.last_move) << what;
}

// Every incremental field against a recomputation from the board cells.
void ExpectConsistent(const Position* pos) {
  Bitboard bb[2][8] = {};
  uint64_t key = 0, pawn_key = 0;
  uint32_t sig[2] = {};
  uint16_t npm[2] = {};
  std::vector<int> lists[2][8];
  for (int s = 0; s < 64; s++) {
    const int code = pos->board[s];
    if (!code) continue;
    const int c = PieceColour(code), t = PieceType(code);
    ASSERT_TRUE(t >= Pawn && t <= King && !(code & 0xF0));
    bb[c][t] |= SquareBit(s);
    bb[c][0] |= SquareBit(s);
    key ^= rtable[code * 64 + s];
    if (t == Pawn) pawn_key ^= rtable[code * 64 + s];
    sig[c] += msig[t];
    npm[c] += npv[t];
    lists[c][t].push_back(s);
  }
  ASSERT_EQ(pos->board[64], 0);
  for (int c = 0; c < 2; c++) {
    for (int t = 0; t < 8; t++) {
      ASSERT_EQ(pos->bb[c][t], bb[c][t]) << c << t;
      ASSERT_EQ(Sorted(pos->list[c][t]), lists[c][t]) << c << t;
    }
    ASSERT_EQ(pos->msig[c], sig[c]);
    ASSERT_EQ(pos->npm[c], npm[c]);
  }
  ASSERT_EQ(pos->key, key);
  ASSERT_EQ(pos->pawn_key, pawn_key);
  ASSERT_TRUE(pos->ep == NoSquare || RankOf(pos->ep) == (pos->side == White ? 5 : 2));
}

std::vector<Move> LegalMoves(ThreadRecord* td) {
  GenerateAll(&td->pos);
  std::vector<Move> moves;
  for (MoveEntry* e = &td->moves[td->ply[td->search_ply].list_start]; e->move != EndOfList; e++)
    if (MoveIsLegal(&td->pos, td->pos.side, e->move)) moves.push_back(e->move);
  return moves;
}

using MakeMoveTest = BoardTest;

TEST_F(MakeMoveTest, RandomWalksRestoreEverything) {
  const char* starts[] = {
      fen_opn,
      "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -",
      "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq -",
      "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ -",
      "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - -",
      "n1n5/PPPk4/8/8/8/8/4Kppp/5N1N b - -",
      "rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6",
  };
  std::mt19937 rng(12345);
  int made = 0;
  for (const char* fen : starts) {
    for (int walk = 0; walk < 12; walk++) {
      Set(fen);
      for (int step = 0; step < 120; step++) {
        ExpectConsistent(pos);
        if (HasFatalFailure()) return;
        const std::vector<Move> moves = LegalMoves(td);
        if (moves.empty()) break;
        const Snapshot before(td);
        for (Move m : moves) {
          MakeMove(pos, m);
          ExpectConsistent(pos);
          if (HasFatalFailure()) return;
          UnmakeMove(pos);
          ExpectSame(before, Snapshot(td), "make and unmake");
        }
        if (step % 7 == 3) {
          MakeNullMove(pos);
          EXPECT_EQ(pos->key, before.pos.key);
          EXPECT_EQ(pos->ep, NoSquare);
          EXPECT_EQ(td->last_move, 0);
          UnmakeNullMove(pos);
          ExpectSame(before, Snapshot(td), "null move");
        }
        MakeMove(pos, moves[rng() % moves.size()]);
        made++;
      }
    }
  }
  EXPECT_GT(made, 5000);
}

TEST_F(MakeMoveTest, CastlingRightsFiftyAndEnPassant) {
  Set("r3k2r/8/8/8/8/8/8/R3K2R w KQkq -");
  pos->fifty = 40;
  // Castling is neither a capture nor a pawn move: the count goes on.
  MakeMove(pos, M("e1", "g1"));
  EXPECT_EQ(Epd(), "r3k2r/8/8/8/8/8/8/R4RK1 b kq -");
  EXPECT_EQ(pos->fifty, 41);
  MakeMove(pos, M("e8", "c8"));
  EXPECT_EQ(pos->castling, 0);
  EXPECT_EQ(pos->fifty, 42);
  MakeMove(pos, M("f1", "f2"));
  EXPECT_EQ(pos->fifty, 43);
  UnmakeMove(pos);
  UnmakeMove(pos);
  EXPECT_EQ(pos->fifty, 41);
  UnmakeMove(pos);
  EXPECT_EQ(Epd(), "r3k2r/8/8/8/8/8/8/R3K2R w KQkq -");
  EXPECT_EQ(pos->fifty, 40);
  EXPECT_EQ(td->last_move, 0);

  // A rook taken on h8 takes black's king-side right with it.
  Set("r3k2r/8/8/8/8/8/8/R3K2R w KQkq -");
  MakeMove(pos, M("h1", "h8"));
  EXPECT_EQ(pos->castling, 8 | 2);
  EXPECT_EQ(td->undo[0].captured, Rook);

  // A double push records its square whether or not a pawn can take.
  Set(fen_opn);
  MakeMove(pos, M("e2", "e4"));
  EXPECT_EQ(pos->ep, Sq("e3"));
  EXPECT_EQ(td->game_ply, 1);
  EXPECT_EQ(td->search_ply, 2);
  EXPECT_EQ(td->last_move, M("e2", "e4"));

  // En passant stores no captured type and removes the pawn behind.
  Set("4k3/8/8/3pP3/8/8/8/4K3 w - d6");
  MakeMove(pos, M("e5", "d6"));
  EXPECT_EQ(Epd(), "4k3/8/3P4/8/8/8/8/4K3 b - -");
  EXPECT_EQ(td->undo[0].captured, 0);
  UnmakeMove(pos);
  EXPECT_EQ(Epd(), "4k3/8/8/3pP3/8/8/8/4K3 w - d6");

  // Promotion with capture.
  Set("1r2k3/P7/8/8/8/8/8/4K3 w - -");
  MakeMove(pos, M("a7", "b8", PromoKnight));
  EXPECT_EQ(Epd(), "1N2k3/8/8/8/8/8/8/4K3 b - -");
  EXPECT_EQ(pos->npm[White], 3);
  EXPECT_EQ(pos->npm[Black], 0);
  EXPECT_EQ(pos->msig[White], 16u);
  UnmakeMove(pos);
  EXPECT_EQ(Epd(), "1r2k3/P7/8/8/8/8/8/4K3 w - -");
}

TEST_F(MakeMoveTest, FiftyCounterSaturates) {
  Set("4k3/8/8/8/8/8/8/4K3 w - -");
  pos->fifty = 254;
  MakeMove(pos, M("e1", "d1"));
  MakeMove(pos, M("e8", "d8"));
  EXPECT_EQ(pos->fifty, 255);
  MakeNullMove(pos);
  EXPECT_EQ(pos->fifty, 255);
  UnmakeNullMove(pos);
  UnmakeMove(pos);
  UnmakeMove(pos);
  EXPECT_EQ(pos->fifty, 254);
}

TEST_F(MakeMoveTest, NullMoveAtGameStartLeavesNoLastMove) {
  Set(fen_opn);
  MakeNullMove(pos);
  UnmakeNullMove(pos);
  EXPECT_EQ(td->last_move, 0);
  EXPECT_EQ(td->game_ply, 0);
}

}  // namespace
