// The interpreter's effect on the records, which the protocol cannot show.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "board/bitboard.h"
#include "board/fen.h"
#include "board/makemove.h"
#include "engine/input.h"
#include "engine/params.h"
#include "engine/uci.h"
#include "search/keys.h"
#include "search/output.h"
#include "search/records.h"
#include "search/searchdata.h"

namespace {

class Interpreter : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    InitBitboards();
    InitHashKeys();
    if (!CTD) CTD = NewThreadRecord(255);
    SetStartValues();
    SetDefaultPersonality();
    Personality = DefaultPersonality;
    PBlock.protocol = 1;
  }
  // Runs one line and returns what it printed.
  static std::string Run(const std::string& text) {
    char line[kInputLineSize];
    std::snprintf(line, sizeof line, "%s", text.c_str());
    ::testing::internal::CaptureStdout();
    ProcessUCI(line);
    return ::testing::internal::GetCapturedStdout();
  }
};

TEST_F(Interpreter, GoSetsItsOwnClocksAndLimits) {
  Run("position startpos");
  Run("go wtime -5 btime 7000 winc 2000 binc 1000");
  EXPECT_EQ(SearchData.clock[White], 0.0);
  EXPECT_DOUBLE_EQ(SearchData.clock[Black], 7.0);
  EXPECT_DOUBLE_EQ(SearchData.increment, 2.0);
  EXPECT_EQ(SearchData.time_control, 0);
  EXPECT_EQ(SearchData.go_request, 1);

  // The next go without an increment must not keep the old one.
  Run("go wtime 1000 btime 1000");
  EXPECT_EQ(SearchData.increment, 0.0);

  Run("position startpos moves e2e4");
  Run("go winc 2000 binc 1000 ponder");
  EXPECT_DOUBLE_EQ(SearchData.increment, 1.0);
  EXPECT_EQ(SearchData.go_request, 2);

  Run("go depth 200");
  EXPECT_EQ(SearchData.max_depth, 66);
  EXPECT_EQ(SearchData.time_control, 1);
  Run("go depth -300");
  EXPECT_LE(SearchData.max_depth, 0);
  Run("go depth 5");
  Run("go wtime 60000 btime 60000");
  EXPECT_EQ(SearchData.max_depth, 5) << "depth stays until a go replaces it";

  Run("go nodes 99999999999999999999999");
  EXPECT_GT(SearchData.node_limit, uint64_t(1) << 40);
  Run("go movestogo 20 wtime 1000");
  EXPECT_EQ(SearchData.time_control, 40);
  EXPECT_EQ(SearchData.moves_to_go, 20);
  EXPECT_EQ(SearchData.node_limit, 0u);
  EXPECT_EQ(SearchData.max_depth, 66);
  Run("go movetime 250 winc 5000");
  EXPECT_DOUBLE_EQ(SearchData.fixed_time, 0.25);
  EXPECT_EQ(SearchData.increment, 0.0);

  // Keywords with nothing after them change nothing.
  SearchData.clock[White] = 3.0;
  Run("go wtime");
  EXPECT_DOUBLE_EQ(SearchData.clock[White], 3.0);
  SearchData.go_request = 0;
}

TEST_F(Interpreter, PositionPlaysOnlyLegalMoves) {
  Run("position startpos moves e2e4 e7e5");
  EXPECT_EQ(CTD->game_ply, 2);
  EXPECT_EQ(CTD->undo[2].move, NullMove);
  char epd[256];
  MakeEPD(&CTD->pos, epd);
  EXPECT_STREQ(epd, "rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR w KQkq e6");

  // The list stops at the first move that is not legal, with one line.
  EXPECT_EQ(Run("position startpos moves  e2e4  e7e5 e1e3 g1f3"), "info string illegal move e1e3\n");
  EXPECT_EQ(CTD->game_ply, 2);
  EXPECT_EQ(Run("position startpos moves e2"), "info string illegal move e2\n");
  EXPECT_EQ(CTD->game_ply, 0);
  EXPECT_EQ(Run("position startpos moves zzzzzzzzzzzzzzzzzzzzzzzzzzzzz"),
            "info string illegal move zzzzzzzzzzzzzzz\n");

  // Promotions need their letter.
  EXPECT_EQ(Run("position fen 8/P7/8/8/8/8/8/k6K w - - moves a7a8"), "info string illegal move a7a8\n");
  EXPECT_EQ(Run("position fen 8/P7/8/8/8/8/8/k6K w - - moves a7a8n"), "");
  EXPECT_EQ(CTD->pos.board[56], PieceCode(Knight, White));

  // "moves" with nothing after it, and a fen keyword without a position.
  EXPECT_EQ(Run("position startpos moves"), "");
  EXPECT_EQ(CTD->game_ply, 0);
  EXPECT_EQ(Run("position fen"), "info string position fen without a position\n");
  EXPECT_EQ(Run("position"), "");

  // A game may not eat the undo records the search needs.
  std::string cmd = "position startpos moves";
  const char* cycle[4] = {" g1f3", " g8f6", " f3g1", " f6g8"};
  for (int i = 0; i < 800; i++) cmd += cycle[i % 4];
  const std::string out = Run(cmd);
  EXPECT_EQ(out.rfind("info string game too long", 0), 0u) << out;
  EXPECT_EQ(CTD->game_ply, kMaxGamePly);
}

TEST_F(Interpreter, OptionParsingIsBounded) {
  EXPECT_EQ(SetOptionInt("Contempt", " -50", -150, 150), -50);
  EXPECT_EQ(SetOptionInt("Contempt", "-99999999999999999999", -150, 150), -150);
  EXPECT_EQ(SetOptionInt("Hash", "abc", 0, 8192), 0);
  EXPECT_EQ(SetOptionInt("Hash", "12abc", 0, 8192), 12);

  int16_t pair[2] = {1180, 1180};
  ::testing::internal::CaptureStdout();
  SetOptionIntPair(pair, "Mtl_Queen", "1500", 20, 2000);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "info string Mtl_Queen set to 1500,1180\n\n");
  EXPECT_EQ(pair[0], 1500);
  EXPECT_EQ(pair[1], 1180);
  ::testing::internal::CaptureStdout();
  SetOptionIntPair(pair, "Mtl_Queen", ",5000 9", 20, 2000);
  SetOptionIntPair(pair, "Mtl_Queen", "1,x", 20, 2000);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(),
            "info string Mtl_Queen set to 1500,2000\n\ninfo string Mtl_Queen set to 20,20\n\n");

  // Paths longer than their field are refused, not cut or spilled.
  const std::string book(300, 'b');
  std::strcpy(Personality.OwnBook_File, "keep.bin");
  const int16_t after = Personality.SyzygyProbeDepth5;
  EXPECT_EQ(Run("setoption name OwnBook_File value " + book),
            "info string OwnBook_File is longer than 143 characters, not changed\n");
  EXPECT_STREQ(Personality.OwnBook_File, "keep.bin");
  EXPECT_EQ(Run("setoption name SyzygyPath value " + book),
            "info string SyzygyPath is longer than 143 characters, not changed\n");
  EXPECT_EQ(Personality.SyzygyProbeDepth5, after);
  const std::string fits(143, 'c');
  EXPECT_EQ(Run("setoption name OwnBook_File value " + fits), "info string OwnBook_File set to '" + fits + "'\n");

  // A name without a value acts only on Clear_Hash.
  Personality.Hash = 64;
  EXPECT_EQ(Run("setoption name Hash"), "");
  EXPECT_EQ(Personality.Hash, 64);
  EXPECT_EQ(Run("setoption name"), "");
  EXPECT_EQ(Run("setoption"), "");
  EXPECT_EQ(Run("setoption value 5 name Hash"), "");
  EXPECT_EQ(Run("setoption name   Hash   value   32"), "info string Hash set to 32\n");
  EXPECT_EQ(Personality.Hash, 32);
}

TEST(InputQueue, KeepsLinesWholeAndBounded) {
  char out[kInputLineSize];
  while (TakeInputLine(out, sizeof out)) {
  }
  const char path[] = "setoption name OwnBook_File value books/a@b.bin";
  EXPECT_TRUE(QueueInputLine(path, int(std::strlen(path))));
  EXPECT_TRUE(QueueInputLine("", 0));
  EXPECT_TRUE(QueueInputLine("isready", 7));
  ASSERT_TRUE(TakeInputLine(out, sizeof out));
  EXPECT_STREQ(out, path);
  ASSERT_TRUE(TakeInputLine(out, sizeof out));
  EXPECT_STREQ(out, "isready");
  EXPECT_FALSE(TakeInputLine(out, sizeof out));

  // A full queue refuses instead of overrunning, and a short buffer is cut.
  const std::string line(kMaxInputLine, 'x');
  int queued = 0;
  while (QueueInputLine(line.data(), int(line.size()))) queued++;
  EXPECT_GT(queued, 5);
  EXPECT_LT(InputQueueRoom(), kInputLineSize);
  char small[8];
  ASSERT_TRUE(TakeInputLine(small, sizeof small));
  EXPECT_STREQ(small, "xxxxxxx");
  while (TakeInputLine(out, sizeof out)) EXPECT_EQ(std::strlen(out), size_t(kMaxInputLine));
  EXPECT_EQ(InputQueueRoom(), 64 * 1024);
}

TEST(SearchOutput, ScoreTexts) {
  char text[32];
  const std::pair<int, const char*> cases[] = {
      {9998, "mate 1"},    {9997, "mate 1"},    {9996, "mate 2"},    {9995, "mate 2"},
      {9899, "cp 9899"},   {-9900, "cp -9900"}, {-9997, "mate -1"},  {-9995, "mate -2"},
      {35, "cp 35"},       {0, "cp 0"},
  };
  for (const auto& [score, expected] : cases) {
    ScoreText(score, text);
    EXPECT_STREQ(text, expected) << score;
  }
}

}  // namespace
