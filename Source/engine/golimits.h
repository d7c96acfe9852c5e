// The limits one search runs under. A "go" builds them afresh from the
// defaults, so no limit of an earlier command lingers.
#pragma once
#include <cstdint>

#include "search/searchdata.h"

struct GoLimits {
  uint8_t time_control;  // as in the search record: 0 clocks, 1 fixed, else moves per control
  int8_t max_depth;
  uint64_t node_limit;  // 0 for none
  double fixed_time;    // seconds, for fixed limits
  double increment;     // seconds, of the side to move
  int16_t moves_to_go;
  double time_cap;      // seconds, the most a search by the clocks may take
};

// The longest time a console level or -t gives, about eleven days: a longer
// one is a slip of the keys, and its figures would fill the screen.
constexpr double kMaxLimitSeconds = 1e6;

// The clocks alone: no depth, node or time limit of its own.
constexpr GoLimits kClockLimits = {0, 66, 0, 5.0, 0.0, 0, kNoTimeLimit};

// What a "go" starts from: the clock limits, unless the switches -d, -n or
// -t chose fixed limits.
extern GoLimits DefaultGoLimits;

// Copies the limits into the shared search record.
void StoreGoLimits(const GoLimits& limits);
