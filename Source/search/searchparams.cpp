#include "search/searchparams.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include "engine/params.h"

int16_t FP_depth;
int16_t FP_margin[kMaxGateDepth + 1];
int16_t SEP_depth;
int16_t SEP_margin[kMaxGateDepth + 1];
int16_t NMP_depth;
int16_t LMP_depth;
int16_t LMP_count[kMaxGateDepth + 1];
int16_t LMR_depth;
uint8_t lmr_pv[32][32];
uint8_t lmr_nonpv[32][32];

namespace {

// A field as its range holds it: a record copied whole (a parameter set, a
// test) has not passed a setter.
int Held(int index) { return Bounded(index, Personality.f[index]); }

constexpr int kFpMargin = PARAM_INDEX(FP_margin), kSepMargin = PARAM_INDEX(SEP_margin);
constexpr int kLmpCount = PARAM_INDEX(LMP_count);
static_assert(RangeOf(PARAM_INDEX(FP_depth)).hi <= kMaxGateDepth && RangeOf(PARAM_INDEX(SEP_depth)).hi <= kMaxGateDepth &&
              RangeOf(PARAM_INDEX(LMP_depth)).hi <= kMaxGateDepth);
static_assert(RangeOf(kFpMargin).lo >= 0 && 50 + kMaxGateDepth * RangeOf(kFpMargin).hi <= INT16_MAX &&
              RangeOf(kSepMargin).lo >= 0 && kMaxGateDepth * RangeOf(kSepMargin).hi <= INT16_MAX &&
              RangeOf(kLmpCount).lo >= 0 && 5 * RangeOf(kLmpCount).hi <= INT16_MAX);
// In-check nodes below the horizon go through the move loop; the reduction
// tables have no row for them.
static_assert(RangeOf(PARAM_INDEX(LMR_depth)).lo >= 1);
static_assert(RangeOf(PARAM_INDEX(LMR_strength)).lo >= 0);

}  // namespace

void SetSearchParams() {
  FP_depth = int16_t(Held(PARAM_INDEX(FP_depth)));
  SEP_depth = int16_t(Held(PARAM_INDEX(SEP_depth)));
  LMP_depth = int16_t(Held(PARAM_INDEX(LMP_depth)));
  NMP_depth = int16_t(Held(PARAM_INDEX(NMP_depth)));
  LMR_depth = int16_t(Held(PARAM_INDEX(LMR_depth)));

  const int fp = Held(kFpMargin), sep = Held(kSepMargin), lmp = Held(kLmpCount);
  for (int k = 0; k <= kMaxGateDepth; k++) {
    FP_margin[k] = int16_t(50 + k * fp);
    SEP_margin[k] = int16_t(k * sep);
    LMP_count[k] = k == 0 ? 4 : k <= 5 ? int16_t(std::max(k * lmp, 4)) : 99;
  }

  const int strength = Held(PARAM_INDEX(LMR_strength));
  for (int d = 0; d < 32; d++) {
    for (int m = 0; m < 32; m++) {
      if (d < 3 || m == 0) {
        lmr_pv[d][m] = lmr_nonpv[d][m] = 0;
        continue;
      }
      double x = 0.4 * std::log(double(d)) * std::log(0.75 * m) - 0.5;
      x = std::max(std::min(x, double(d - 3)), 0.0);
      const double y = x * strength * 0.01;
      lmr_pv[d][m] = uint8_t(std::min(std::lround(y), 2L));
      lmr_nonpv[d][m] = uint8_t(std::min(std::lround(y + 1.25), 4L));
    }
  }
}

static void PrintRows(const uint8_t table[32][32]) {
  for (int d = 1; d < 32; d++) {
    char line[160];
    int n = std::snprintf(line, sizeof line, "%2d  ", d);
    for (int m = 0; m < 32; m++) n += std::snprintf(line + n, sizeof line - n, "%d ", table[d][m]);
    std::printf("%s\n", line);
  }
}

void ShowSearchParams() {
  std::printf("FP_depth= %d\n", FP_depth);
  std::printf("FP_margin= %d, %d, %d\n", FP_margin[1], FP_margin[2], FP_margin[3]);
  std::printf("SEP_depth= %d\n", SEP_depth);
  std::printf("SEP_margin= %d, %d, %d\n", SEP_margin[1], SEP_margin[2], SEP_margin[3]);
  std::printf("NMP_depth= %d\n", NMP_depth);
  std::printf("LMP_depth= %d\n", LMP_depth);
  std::printf("LMP_count= %d, %d, %d\n", LMP_count[1], LMP_count[2], LMP_count[3]);
  std::printf("LMR_depth= %d\n", LMR_depth);
  std::printf("LMR table:\n");
  PrintRows(lmr_pv);
  std::printf("\n\n");
  PrintRows(lmr_nonpv);
  std::fflush(stdout);
}
