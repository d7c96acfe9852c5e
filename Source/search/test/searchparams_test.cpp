#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>
#include "engine/params.h"
#include "search/searchparams.h"

namespace {

void SetSearchDefaults(int lmp_count = 3, int lmr_strength = 100) {
  Personality.SEP_depth = 3;
  Personality.SEP_margin = 75;
  Personality.NMP_depth = 3;
  Personality.FP_depth = 3;
  Personality.FP_margin = 125;
  Personality.LMP_depth = 5;
  Personality.LMP_count = int16_t(lmp_count);
  Personality.LMR_depth = 3;
  Personality.LMR_strength = int16_t(lmr_strength);
  SetSearchParams();
}

// The row as printed: "%2d  " and 32 values "%d ".
std::string Row(int d, const std::vector<int>& first, int rest) {
  char head[8];
  std::snprintf(head, sizeof head, "%2d  ", d);
  std::string s = head;
  for (int m = 0; m < 32; m++) s += std::to_string(m < int(first.size()) ? first[m] : rest) + " ";
  return s;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

}  // namespace

TEST(SearchParams, DefaultTablesAndTheirDisplay) {
  SetSearchDefaults();
  const int16_t fp[10] = {50, 175, 300, 425, 550, 675, 800, 925, 1050, 1175};
  const int16_t sep[10] = {0, 75, 150, 225, 300, 375, 450, 525, 600, 675};
  const int16_t lmp[10] = {4, 4, 6, 9, 12, 15, 99, 99, 99, 99};
  for (int k = 0; k <= kMaxGateDepth; k++) {
    EXPECT_EQ(FP_margin[k], fp[k]) << k;
    EXPECT_EQ(SEP_margin[k], sep[k]) << k;
    EXPECT_EQ(LMP_count[k], lmp[k]) << k;
  }

  testing::internal::CaptureStdout();
  ShowSearchParams();
  const std::vector<std::string> out = Lines(testing::internal::GetCapturedStdout());
  ASSERT_EQ(out.size(), 9u + 31u + 2u + 31u);
  const char* head[] = {"FP_depth= 3", "FP_margin= 175, 300, 425", "SEP_depth= 3",
                        "SEP_margin= 75, 150, 225", "NMP_depth= 3", "LMP_depth= 5",
                        "LMP_count= 4, 6, 9", "LMR_depth= 3", "LMR table:"};
  for (int i = 0; i < 9; i++) EXPECT_EQ(out[i], head[i]);
  const int pv = 9, nonpv = 9 + 31 + 2;
  EXPECT_EQ(out[pv + 0], Row(1, {}, 0));
  EXPECT_EQ(out[pv + 7], Row(8, {0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}, 2));
  EXPECT_EQ(out[pv + 30], Row(31, {0, 0, 0, 1, 1, 1}, 2));
  EXPECT_EQ(out[pv + 31], "");
  EXPECT_EQ(out[pv + 32], "");
  EXPECT_EQ(out[nonpv + 1], Row(2, {}, 0));
  EXPECT_EQ(out[nonpv + 2], Row(3, {0}, 1));
  EXPECT_EQ(out[nonpv + 7], Row(8, {0, 1, 1, 1, 2, 2, 2, 2, 2, 2, 2}, 3));
  EXPECT_EQ(lmr_nonpv[16][15], 3);
  EXPECT_EQ(lmr_nonpv[16][16], 4);
}

TEST(SearchParams, EdgeParameters) {
  SetSearchDefaults(1);
  const int16_t one[10] = {4, 4, 4, 4, 4, 5, 99, 99, 99, 99};
  for (int k = 0; k <= kMaxGateDepth; k++) EXPECT_EQ(LMP_count[k], one[k]) << k;
  SetSearchDefaults(0);
  for (int k = 0; k <= 5; k++) EXPECT_EQ(LMP_count[k], 4) << k;

  SetSearchDefaults(3, 0);
  for (int d = 0; d < 32; d++)
    for (int m = 0; m < 32; m++) {
      EXPECT_EQ(lmr_pv[d][m], 0);
      EXPECT_EQ(lmr_nonpv[d][m], d >= 3 && m >= 1 ? 1 : 0);
    }

  SetSearchDefaults(3, 200);
  EXPECT_EQ(lmr_pv[8][4], 1);
  EXPECT_EQ(lmr_pv[8][6], 2);
  SetSearchDefaults(3, -50);  // clamped to 0, never a wrapped reduction
  EXPECT_EQ(lmr_pv[31][31], 0);
  EXPECT_EQ(lmr_nonpv[31][31], 1);
}

TEST(SearchParams, GatesStayInsideTheTables) {
  SetSearchDefaults();
  Personality.FP_depth = 12;
  Personality.SEP_depth = 100;
  Personality.LMP_depth = 9;
  Personality.NMP_depth = 40;
  SetSearchParams();
  EXPECT_EQ(FP_depth, kMaxGateDepth);
  EXPECT_EQ(SEP_depth, kMaxGateDepth);
  EXPECT_EQ(LMP_depth, 9);
  EXPECT_EQ(NMP_depth, 40);
  EXPECT_EQ(FP_margin[FP_depth], 50 + 9 * 125);
  EXPECT_EQ(LMP_count[LMP_depth], 99);
}
