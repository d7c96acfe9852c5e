// Pruning margins and reduction tables derived from the parameter record.
#pragma once
#include <cstdint>

// Deepest remaining depth at which the margin and count tables are read: the
// gating parameters are kept at or below it.
constexpr int kMaxGateDepth = 9;

extern int16_t FP_depth;
extern int16_t FP_margin[kMaxGateDepth + 1];
extern int16_t SEP_depth;
extern int16_t SEP_margin[kMaxGateDepth + 1];
extern int16_t NMP_depth;
extern int16_t LMP_depth;
extern int16_t LMP_count[kMaxGateDepth + 1];
extern int16_t LMR_depth;
// Reduction in plies by [remaining depth][moves searched].
extern uint8_t lmr_pv[32][32];
extern uint8_t lmr_nonpv[32][32];

// Recomputes every table above from Personality.
void SetSearchParams();
// Prints the tables to standard output only (nothing reaches the log).
void ShowSearchParams();
