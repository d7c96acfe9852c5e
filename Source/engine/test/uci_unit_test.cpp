// The interpreter's effect on the records, which the protocol cannot show.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <algorithm>
#include <cstring>
#include <string>

#include "board/bitboard.h"
#include "board/fen.h"
#include "board/gamehistory.h"
#include "board/makemove.h"
#include "engine/input.h"
#include "engine/params.h"
#include "engine/uci.h"
#include "search/keys.h"
#include "search/output.h"
#include "search/records.h"
#include "search/searchdata.h"
#include "uci_harness.h"

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
  EXPECT_EQ(Run("go depth -300"), "info string go depth value '-300' is not a whole number of plies from 1 on, not used\n");
  EXPECT_EQ(SearchData.max_depth, 66) << "the go plays by the clock";
  Run("go depth 5");
  Run("go wtime 60000 btime 60000");
  EXPECT_EQ(SearchData.max_depth, 66) << "a depth belongs to its own go only";
  EXPECT_EQ(SearchData.time_control, 0);

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
  Run("position startpos moves e2e4");
  const std::string refused = Run("position fen 8/8/8/8/8/8/8/8 w - - moves e7e5");
  EXPECT_EQ(refused.rfind("info string Illegal EPD", 0), 0u) << refused;
  EXPECT_EQ(refused.find("illegal move"), std::string::npos) << refused;
  EXPECT_EQ(CTD->game_ply, 1);

  // A long game is played whole, leaves the search its undo records, and its fifty count stops.
  std::string cmd = "position startpos moves";
  const char* cycle[4] = {" g1f3", " g8f6", " f3g1", " f6g8"};
  for (int i = 0; i < 4000; i++) cmd += cycle[i % 4];
  ::testing::internal::CaptureStdout();
  ProcessUCI(cmd.data());  // longer than an input line
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(GamePlies(CTD), 4000);
  EXPECT_LE(CTD->game_ply, kMaxGamePly);
  EXPECT_EQ(CTD->pos.fifty, kFiftyCeiling);
  MakeEPD(&CTD->pos, epd);
  EXPECT_STREQ(epd, "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -");
}

TEST_F(Interpreter, OptionParsingIsBounded) {
  // A value that is no number, or none, leaves the option as it was.
  Personality.Hash = 16;
  Personality.Threads = 1;
  EXPECT_EQ(Run("setoption name Contempt value -99999999999999999999 "), "info string Contempt set to -150\n");
  const std::pair<std::string, std::string> refused[] = {{"Hash", "abc"}, {"Hash", "12abc"}, {"Hash", ""},
      {"Hash", "1e3"}, {"Threads", "x"}, {"Contempt", "- 5"}, {"UCI_Elo", "2000.5"}, {"MultiPV", "0x3"}};
  for (const auto& [name, value] : refused)
    EXPECT_EQ(Run("setoption name " + name + " value " + value),
              "info string " + name + " value '" + value + "' is not a whole number, not changed\n");
  EXPECT_EQ(Personality.Hash, 16);
  EXPECT_EQ(Personality.Threads, 1);

  int16_t pair[2] = {1180, 1180};
  ::testing::internal::CaptureStdout();
  SetOptionIntPair(pair, "Mtl_Queen", "1500", 20, 2000);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "info string Mtl_Queen set to 1500,1180\n\n");
  EXPECT_EQ(pair[0], 1500);
  EXPECT_EQ(pair[1], 1180);
  ::testing::internal::CaptureStdout();
  SetOptionIntPair(pair, "Mtl_Queen", ",5000 ", 20, 2000);
  SetOptionIntPair(pair, "Mtl_Queen", "1,x", 20, 2000);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(),
            "info string Mtl_Queen set to 1500,2000\n\n"
            "info string Mtl_Queen value '1,x' is not whole numbers a,b, not changed\n");
  PBlock.extra_options = 1;
  EXPECT_EQ(Run("setoption name Mtl_Knight value 4294967306,-4294967306"), "info string Mtl_Knight set to 2000,20\n\n");
  PBlock.extra_options = 0;
  Personality = DefaultPersonality;

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

  // A name without a value acts only on Clear_Hash; for any other option it
  // is refused in one line.
  Personality.Hash = 64;
  EXPECT_EQ(Run("setoption name Hash"), "info string Hash value missing, not changed\n");
  EXPECT_EQ(Personality.Hash, 64);
  EXPECT_EQ(Run("setoption name"), "");
  EXPECT_EQ(Run("setoption"), "");
  EXPECT_EQ(Run("setoption value 5 name Hash"), "info string Hash value missing, not changed\n");
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
  EXPECT_GE(queued, 3);
  EXPECT_LT(InputQueueRoom(), kInputLineSize);
  char small[8];
  ASSERT_TRUE(TakeInputLine(small, sizeof small));
  EXPECT_STREQ(small, "xxxxxxx");
  while (TakeInputLine(out, sizeof out)) EXPECT_EQ(std::strlen(out), size_t(kMaxInputLine));
  EXPECT_EQ(InputQueueRoom(), kInputQueueSize);
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

namespace {

std::string Slurp(const char* path) {
  std::string text;
  if (FILE* f = std::fopen(path, "r")) {
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
    std::fclose(f);
  }
  return text;
}

TEST(SearchOutput, TraceWritesThreadZerosPath) {
  InitBitboards();
  InitHashKeys();
  PBlock.protocol = 1;
  char dir[] = "/tmp/kerv_trace_XXXXXX";
  ASSERT_TRUE(mkdtemp(dir));
  char here[4096];
  ASSERT_TRUE(getcwd(here, sizeof here));
  ASSERT_EQ(chdir(dir), 0);

  ThreadRecord* td = NewThreadRecord(0);
  ThreadRecord* other = NewThreadRecord(1);
  SetPosition(&td->pos, fen_opn);
  SetPosition(&other->pos, fen_opn);
  PBlock.trace_depth = 2;
  start = 1.0;
  td->depth = 1;
  td->ply[1].depth = 1;
  td->ply[2].depth = 0;
  MakeMove(&td->pos, FindLegalMove(&td->pos, "e2e4"));
  MakeMove(&other->pos, FindLegalMove(&other->pos, "d2d4"));  // not thread 0: not traced
  MakeMove(&td->pos, FindLegalMove(&td->pos, "e7e5"));
  MakeMove(&td->pos, FindLegalMove(&td->pos, "g1f3"));  // ply 3: deeper than the setting
  UnmakeMove(&td->pos);
  UnmakeMove(&td->pos);
  UnmakeMove(&td->pos);
  td->depth = 2;
  td->ply[1].depth = 2;
  MakeMove(&td->pos, FindLegalMove(&td->pos, "d2d4"));
  MakeNullMove(&td->pos);
  UnmakeNullMove(&td->pos);
  UnmakeMove(&td->pos);
  // A new search starts its headers afresh.
  start = 2.0;
  td->depth = 1;
  td->ply[1].depth = 1;
  MakeMove(&td->pos, FindLegalMove(&td->pos, "c2c4"));
  UnmakeMove(&td->pos);
  PBlock.trace_depth = 0;
  MakeMove(&td->pos, FindLegalMove(&td->pos, "a2a3"));

  const std::string text = Slurp("trace.txt");
  ASSERT_EQ(chdir(here), 0);
  EXPECT_EQ(text,
            "\n\nSEARCH DEPTH= 1\n( 1)e2e4 ( 0)e7e5 "
            "\n\nSEARCH DEPTH= 2\n\n( 2)d2d4 ( 0)null "
            "\n\nSEARCH DEPTH= 1\n( 1)c2c4 ");
  delete td;
  delete other;
}

}  // namespace

namespace {

std::string Printed(int thread, int slot, int depth, int score, const Move* pv, bool gate = true,
                    int bound = ScoreExact) {
  ::testing::internal::CaptureStdout();
  if (gate)
    DisplaySearchInfo(thread, slot, depth, score, pv, bound);
  else
    PrintSearchInfo(thread, slot, depth, score, pv, bound);
  return ::testing::internal::GetCapturedStdout();
}

TEST(SearchOutput, InfoLinesAndTheirGate) {
  InitBitboards();
  SetStartValues();
  SetDefaultPersonality();
  Personality = DefaultPersonality;
  PBlock.protocol = 1;
  SearchData.thread_count = 0;  // no workers: every total is 0
  SearchData.elapsed = 2.0;
  SearchData.hash_fill = 0.25;
  SearchData.tb_result = -1;
  SearchData.stop = StopRun;
  PBlock.info_delay = 0.0;
  const char* text[13] = {"e2e4", "e7e5", "g1f3", "b8c6", "f1b5", "a7a6", "b5a4", "g8f6",
                          "e1g1", "f8e7", "f1e1", "b7b5", "a4b3"};
  harness::Board b;
  b.Set(fen_opn);
  Move pv[kMaxPly] = {};
  for (int i = 0; i < 13; i++) {
    pv[i + 1] = FindLegalMove(b.pos(), text[i]);
    ASSERT_TRUE(pv[i + 1]) << text[i];
    MakeMove(b.pos(), pv[i + 1]);
  }
  const std::string moves = "e2e4 e7e5 g1f3 b8c6 f1b5 a7a6 b5a4 g8f6 e1g1 f8e7 f1e1 b7b5 a4b3";
  EXPECT_EQ(Printed(0, 1, 5, 35, pv),
            "info depth 5 seldepth 0 score cp 35 time 2000 nodes 0 nps 0 tbhits 0 hashfull 250 pv " + moves + "\n");
  Personality.MultiPV = 3;
  EXPECT_EQ(Printed(0, 2, 3, -9995, pv),
            "info multipv 2 depth 3 seldepth 0 score mate -2 time 2000 nodes 0 nps 0 tbhits 0 hashfull 250 pv " +
                moves + "\n");
  Personality.MultiPV = 1;
  // A window's bound is named; a tablebase score stands in for it whole.
  EXPECT_NE(Printed(0, 0, 9, -120, pv, true, ScoreUpper).find(" score cp -120 upperbound time "), std::string::npos);
  EXPECT_NE(Printed(0, 0, 9, 9979, pv, true, ScoreLower).find(" score mate 10 lowerbound time "), std::string::npos);
  SearchData.tb_result = 4;
  EXPECT_NE(Printed(0, 0, 2, 150, pv, true, ScoreLower).find(" score cp 9800 time "), std::string::npos);
  SearchData.tb_result = 2;
  EXPECT_NE(Printed(0, 0, 2, 35, pv).find(" score cp 0 "), std::string::npos);
  SearchData.tb_result = 0;
  EXPECT_NE(Printed(0, 0, 2, -9990, pv).find(" score mate -4 "), std::string::npos);
  SearchData.tb_result = -1;

  // The gate: silence, depth 0, no move, and the delay while running.
  PBlock.info_delay = kSilentInfoDelay;
  EXPECT_EQ(Printed(0, 1, 5, 35, pv), "");
  PBlock.info_delay = 1.0;
  SearchData.elapsed = 0.5;
  EXPECT_EQ(Printed(0, 1, 5, 35, pv), "");
  SearchData.stop = StopReport;
  EXPECT_NE(Printed(0, 1, 5, 35, pv), "");
  EXPECT_EQ(Printed(0, 1, 0, 35, pv), "");
  const Move none[kMaxPly] = {};
  EXPECT_EQ(Printed(0, 1, 5, 35, none), "");

  // A 70-move line shows 66 moves.
  Move longpv[kMaxPly + 2] = {};
  for (int i = 1; i < kMaxPly; i++) longpv[i] = pv[1 + (i - 1) % 13];
  const std::string shown = Printed(0, 1, 5, 35, longpv, false);
  const std::string tail = shown.substr(shown.find(" pv ") + 4);
  EXPECT_EQ(std::count(tail.begin(), tail.end(), ' '), 65);

  // Console rows: 8 moves while the search runs, up to 32 once stopped, in
  // rows of 8; the last line of a MultiPV set gets an empty line after it.
  PBlock.protocol = 0;
  PBlock.info_delay = 0.0;
  SearchData.elapsed = 1.3;
  SearchData.stop = StopRun;
  EXPECT_EQ(Printed(2, 0, 7, -20, pv), "02] 07    1.3       0K   -20  e2e4 e7e5 g1f3 b8c6 f1b5 a7a6 b5a4 g8f6\n");
  SearchData.stop = StopReport;
  EXPECT_EQ(Printed(0, 1, 7, -20, pv),
            "00] 07.   1.3       0K   -20  e2e4 e7e5 g1f3 b8c6 f1b5 a7a6 b5a4 g8f6\n" + std::string(30, ' ') +
                "e1g1 f8e7 f1e1 b7b5 a4b3\n\n");
  PBlock.protocol = 1;
  SearchData.stop = StopRun;
}

}  // namespace
