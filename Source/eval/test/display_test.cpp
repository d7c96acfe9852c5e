// The evaluation displays: the weights as printed against the record they
// come from, the table layout, and the breakdown of a traced evaluation.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "board/bitboard.h"
#include "board/fen.h"
#include "engine/params.h"
#include "engine/startup.h"
#include "eval/bitbase.h"
#include "eval/display.h"
#include "eval/evaluate.h"
#include "eval/packed.h"
#include "eval/weights.h"
#include "search/records.h"
#include "search/searchdata.h"
#include "search/searchparams.h"
#include "search/threads.h"
#include "search/tt.h"

namespace {

template <class F>
std::string Capture(F f) {
  ::testing::internal::CaptureStdout();
  f();
  std::fflush(stdout);
  return ::testing::internal::GetCapturedStdout();
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::vector<int> Numbers(const std::string& line) {
  std::vector<int> v;
  std::istringstream in(line);
  for (int x; in >> x;) v.push_back(x);
  return v;
}

class DisplayTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_TRUE(StartUpDefaults());
    Personality.Hash = 1;
    PBlock.info_delay = kSilentInfoDelay;
    Personality.Threads = 1;
    ASSERT_TRUE(StartUpEngine());
  }
  static void TearDownTestSuite() { KillThreadPool(SearchData.thread_count); }
};

}  // namespace

TEST_F(DisplayTest, PsqTableShowsOpeningThenEndgameRankEightFirst) {
  int32_t table[64];
  for (int sq = 0; sq < 64; sq++) table[sq] = S(sq, -sq - 100);
  const std::vector<std::string> l = Lines(Capture([&] { PrintPSQTable(table, "Test"); }));
  ASSERT_EQ(l.size(), 20u);
  EXPECT_EQ(l[0], "Test");
  EXPECT_EQ(l[1], "   56    57    58    59    60    61    62    63 ");
  EXPECT_EQ(l[8], "    0     1     2     3     4     5     6     7 ");
  EXPECT_EQ(l[9], "");
  EXPECT_EQ(l[10], "Test");
  EXPECT_EQ(l[11], "  -156   -157   -158   -159   -160   -161   -162   -163 ");
  EXPECT_EQ(l[19], "");
}

TEST_F(DisplayTest, WeightsShowTheDefaults) {
  const PersonalityRecord& d = DefaultPersonality;
  const std::vector<std::string> l = Lines(Capture(ShowEvalParams));
  char line[160];
  std::snprintf(line, sizeof line, "piece values=  %d/%d  %d/%d  %d/%d  %d/%d  %d/%d", d.pawn_value_op,
                d.pawn_value_en, d.knight_value_op, d.knight_value_en, d.bishop_value_op, d.bishop_value_en,
                d.rook_value_op, d.rook_value_en, d.queen_value_op, d.queen_value_en);
  ASSERT_GT(l.size(), 200u);
  EXPECT_EQ(l[0], line);
  std::snprintf(line, sizeof line, "bishop_pair= %d , %d", d.bishop_pair_op, d.bishop_pair_en);
  EXPECT_EQ(l[1], line);
  EXPECT_EQ(l[2], "");
  EXPECT_EQ(l[3], "KingDanger[]=");
  // Seven rows of ten, the last of four; each starts with its first index.
  std::vector<int> danger;
  for (int row = 0; row < 7; row++) {
    std::vector<int> v = Numbers(l[4 + row].substr(4));
    EXPECT_EQ(std::atoi(l[4 + row].c_str()), row * 10);
    danger.insert(danger.end(), v.begin(), v.end());
  }
  ASSERT_EQ(danger.size(), 64u);
  for (int i = 0; i < 64; i++) EXPECT_EQ(danger[i], EvalParams.KingDanger[i]) << i;
  EXPECT_EQ(l[12], "  0  nmob=" + l[12].substr(10));
  int k, n0, n1, b0, b1, r0, r1, q0, q1;
  ASSERT_EQ(std::sscanf(l[18].c_str(), "%d nmob= %d/%d bmob=%d/%d rmob=%d/%d qmob= %d/%d", &k, &n0, &n1, &b0, &b1,
                        &r0, &r1, &q0, &q1),
            9);
  EXPECT_EQ(k, 6);
  EXPECT_EQ(n0, OpOf(EvalParams.nmob[6]));
  EXPECT_EQ(q1, EnOf(EvalParams.qmob[6]));
  std::snprintf(line, sizeof line, "queen_mob[28] = %d/%d", OpOf(EvalParams.qmob[28]), EnOf(EvalParams.qmob[28]));
  EXPECT_EQ(l[27], line);
  EXPECT_EQ(l[34], "rank=2,  ppawn=" + l[34].substr(15));
  std::snprintf(line, sizeof line, "rank=7,  ppawn= %3d / %3d", EvalParams.ppawn_op[6], EvalParams.ppawn_en[6]);
  EXPECT_EQ(l[39], line);
  std::snprintf(line, sizeof line, "pawn_shield= %d/%d", d.pawn_shield, d.pawn_shield_2);
  EXPECT_EQ(l[40], line);
  std::snprintf(line, sizeof line, "hung_piece= %d/%d", d.hung_piece_op, d.hung_piece_en);
  EXPECT_EQ(l[43], line);
  std::snprintf(line, sizeof line, "knight_outpost= %d/%d", d.knight_outpost, d.knight_outpost_2);
  EXPECT_EQ(l[44], line);
  // Eight tables of twenty lines each, then two empty lines.
  const char* titles[] = {"Pawn", "Knight", "Bishop", "Rook", "Queen", "King", "Connected Pawn", "Defended Pawn"};
  ASSERT_EQ(l.size(), 46u + 8 * 20 + 2);
  for (int t = 0; t < 8; t++) {
    const int first = 46 + 20 * t;
    EXPECT_EQ(l[first], titles[t]);
    EXPECT_EQ(l[first + 10], titles[t]);
    const int32_t* table = t < 6 ? EvalParams.pst[t] : t == 6 ? EvalParams.connected : EvalParams.defended;
    for (int row = 0; row < 8; row++) {
      const std::vector<int> op = Numbers(l[first + 1 + row]), en = Numbers(l[first + 11 + row]);
      ASSERT_EQ(op.size(), 8u);
      ASSERT_EQ(en.size(), 8u);
      for (int file = 0; file < 8; file++) {
        EXPECT_EQ(op[file], OpOf(table[(7 - row) * 8 + file])) << titles[t];
        EXPECT_EQ(en[file], EnOf(table[(7 - row) * 8 + file])) << titles[t];
      }
    }
  }
}

TEST_F(DisplayTest, BreakdownOfATracedEvaluation) {
  ASSERT_EQ(SetPosition(&CTD->pos, "4k3/P7/8/8/1b6/8/3N4/4K3 w - -"), kSetOk);
  std::memset(&PBlock.display, 0, sizeof PBlock.display);
  PBlock.display.draw_adj = 1.0;
  const int eval = Evaluate(CTD, White, 1, 0, 1);
  const std::vector<std::string> l = Lines(Capture([eval] { ShowEvalInfo(eval, eval + 7); }));
  ASSERT_EQ(l.size(), 25u);
  EXPECT_EQ(l[0], "");
  char head[80];
  std::snprintf(head, sizeof head, "eval= %d, qscore= %d, stage= %d, draw_adj= %0.2f", eval, eval + 7,
                PBlock.display.stage, PBlock.display.draw_adj);
  EXPECT_EQ(l[1], head);
  EXPECT_EQ(l[3], "pinned pieces on :  d2");
  EXPECT_EQ(l[4], "free pawns on :  a7");
  EXPECT_EQ(l[6], "mtl=         470      371       99   (NP :: B)");
  EXPECT_EQ(l[15], " - + - + k + - +        -    -    -    - " + l[15].substr(41));
  EXPECT_EQ(l[19], " - b - + - + - +        - " + l[19].substr(26));
  EXPECT_EQ(l[22], " + - + - K - + -        -    -    -    - " + l[22].substr(41));
  EXPECT_EQ(l[23], "white");
  EXPECT_EQ(l[24], "");
}
