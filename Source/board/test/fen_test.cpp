#include <cstring>
#include <string>

#include "board/makemove.h"
#include "board_fixture.h"

namespace {

using FenTest = BoardTest;

TEST_F(FenTest, RoundTrips) {
  const char* texts[] = {
      fen_opn,
      "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -",
      "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3",
      "8/8/1k6/2b5/2pP4/8/5K2/8 b - d3",
      "rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6",
      "r3k2r/1b4bq/8/8/8/8/7B/R3K2R w Kq -",
      "8/8/8/8/8/8/8/K6k b - -",
  };
  for (const char* text : texts) {
    Set(text);
    EXPECT_EQ(Epd(), text);
    EXPECT_EQ(pos->fifty, 0);
  }
}

TEST_F(FenTest, CountersAreIgnoredAndGameRestarts) {
  Set(fen_opn);
  MakeMove(pos, M("e2", "e4"));
  EXPECT_EQ(Epd(), "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3");
  Set("4k3/8/8/8/8/8/8/4K3 b - - 12 40");
  EXPECT_EQ(pos->fifty, 0);
  EXPECT_EQ(pos->side, Black);
  EXPECT_EQ(td->game_ply, 0);
  EXPECT_EQ(td->search_ply, 1);
  EXPECT_EQ(td->last_move, 0);
  EXPECT_EQ(td->undo[0].key, 0u);
  // Without a side field the side stays as it was.
  Set("4k3/8/8/8/8/8/8/4K3");
  EXPECT_EQ(pos->side, Black);
  EXPECT_EQ(pos->castling, 0);
  EXPECT_EQ(pos->ep, NoSquare);
}

TEST_F(FenTest, EnPassantSquareNeedsTheDoublePush) {
  struct Case {
    const char* text;
    int ep;
  } cases[] = {
      {"4k3/8/8/8/4P3/8/8/4K3 b - e3", Sq("e3")},
      {"4k3/8/8/8/4P3/8/8/4K3 w - e3", NoSquare},   // wrong side to move
      {"4k3/8/8/8/4P3/8/8/4K3 b - e6", NoSquare},   // wrong rank
      {"4k3/8/8/8/3P4/8/8/4K3 b - e3", NoSquare},   // no pawn in front
      {"4k3/8/8/8/4P3/4N3/8/4K3 b - e3", NoSquare}, // square taken
      {"4k3/8/8/8/4p3/8/8/4K3 b - e3", NoSquare},   // pawn of the wrong colour
      {"4k3/8/8/8/4P3/8/8/4K3 b - -3", NoSquare},   // off the board
      {"4k3/8/8/8/4P3/8/8/4K3 b - 3", NoSquare},
      {"4k3/8/8/8/4P3/8/8/4K3 b - z9", NoSquare},
  };
  for (const auto& c : cases) {
    testing::internal::CaptureStdout();
    EXPECT_EQ(SetPosition(pos, c.text), kSetOk) << c.text;
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(pos->ep, c.ep) << c.text;
  }
}

TEST_F(FenTest, DroppedCastlingRightIsReported) {
  testing::internal::CaptureStdout();
  EXPECT_EQ(SetPosition(pos, "r3k2r/8/8/8/8/8/8/R3K3 w KQkq - 0 1"), kSetCastlingDropped);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Illegal EPD - castling K dropped: no king and rook at home for it\n");
  EXPECT_EQ(Epd(), "r3k2r/8/8/8/8/8/8/R3K3 w Qkq -");
  testing::internal::CaptureStdout();
  EXPECT_EQ(SetPosition(pos, "r3k2r/8/8/8/8/8/8/R4K1R w KQkq -"), kSetCastlingDropped);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Illegal EPD - castling KQ dropped: no king and rook at home for it\n");
  EXPECT_EQ(pos->castling, 12);
}

TEST_F(FenTest, HostileTextChangesNothing) {
  Set("r3k2r/8/8/8/8/8/8/R3K2R w KQkq -");
  MakeMove(pos, M("e1", "g1"));
  const Position before = *pos;
  const std::string long_text(400, 'p');
  const char* texts[] = {
      "4k3/8/8/8/8/8/8/4K3/8 w - -",    // ninth rank
      "4k3/8/8/8/8/8/8/4K3/ w - -",
      "4k3/8/8/9/8/8/8/4K3 w - -",      // rank longer than eight squares
      "4k3/8/8/44p/8/8/8/4K3 w - -",
      "4k3/8/8/8/8/8/8/4K2PP w - -",    // would stack on h1
      "4k3/8/8/8/8/8/8/4K3p w - -",
      "4k3/8/8/8/8/8/8/P3K3 w - -",     // pawn on the first rank
      "P3k3/8/8/8/8/8/8/4K3 w - -",     // and on the last
      "4k3/8/8/8/8/8/8/8 w - -",        // no white king
      "4k2k/8/8/8/8/8/8/4K3 w - -",     // two black kings
      "4k3/8/8/8/8/P7/PPPPPPPP/4K3 w - -",                   // nine pawns
      "NNNNNNNN/NNN5/8/8/8/8/7k/K7 w - -",                   // eleven knights
      "QQQQQQQQ/8/8/8/8/PPP5/7k/K7 w - -",                   // queens that pawns could outgrow
      "rnbqkbnr/pppppppp/8/8/8/NNNN4/PPPPPPPP/RNBQKBNR w - -",  // seventeen men
      "4k3/8/8/8/8/8/8/4K2r b - -",     // side that has moved is in check
      "",
      long_text.c_str(),
  };
  for (const char* text : texts) {
    testing::internal::CaptureStdout();
    EXPECT_EQ(SetPosition(pos, text), kSetRejected) << text;
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out.rfind("Illegal EPD - ", 0), 0u) << text;
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 1) << text;
    EXPECT_LE(out.size(), 255u);
    EXPECT_EQ(std::memcmp(pos, &before, sizeof before), 0) << text;
    EXPECT_EQ(td->game_ply, 1);
    EXPECT_EQ(td->last_move, M("e1", "g1"));
  }
  testing::internal::CaptureStdout();
  SetPosition(pos, "4k3/8/8/8/8/8/8/4K3/8 w - - bm e4;");
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Illegal EPD - 4k3/8/8/8/8/8/8/4K3/8 w - - bm e4;\n");
}

TEST_F(FenTest, ShowBoardPrintsDiagram) {
  Set(fen_opn);
  testing::internal::CaptureStdout();
  ShowBoard(pos);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -\n"
            "  r n b q k b n r\n"
            "  o o o o o o o o\n"
            "  - + - + - + - +\n"
            "  + - + - + - + -\n"
            "  - + - + - + - +\n"
            "  + - + - + - + -\n"
            "  P P P P P P P P\n"
            "  R N B Q K B N R\n"
            "white\n\n");
}

}  // namespace
