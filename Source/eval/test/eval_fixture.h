// Shared set-up of the evaluation tests: tables and the compiled defaults.
#pragma once
#include "board/bitboard.h"
#include "engine/params.h"
#include "eval/weights.h"

inline void SetEvalDefaults() {
  SetDefaultPersonality();
  Personality = DefaultPersonality;
  PBlock.pst_mode = 1;
  SetEvalParams();
}
