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

void SetSearchParams() {
  // The console sets these fields unclamped; a gate above the tables would
  // index past them.
  FP_depth = std::min<int16_t>(Personality.FP_depth, kMaxGateDepth);
  SEP_depth = std::min<int16_t>(Personality.SEP_depth, kMaxGateDepth);
  LMP_depth = std::min<int16_t>(Personality.LMP_depth, kMaxGateDepth);
  NMP_depth = Personality.NMP_depth;
  LMR_depth = Personality.LMR_depth;

  for (int k = 0; k <= kMaxGateDepth; k++) {
    FP_margin[k] = int16_t(50 + k * Personality.FP_margin);
    SEP_margin[k] = int16_t(k * Personality.SEP_margin);
    LMP_count[k] = k == 0 ? 4 : k <= 5 ? int16_t(std::max(k * Personality.LMP_count, 4)) : 99;
  }

  // A negative strength would wrap into the unsigned tables.
  const int strength = std::max<int>(Personality.LMR_strength, 0);
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
