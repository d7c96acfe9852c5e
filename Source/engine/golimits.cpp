#include "engine/golimits.h"

GoLimits DefaultGoLimits = kClockLimits;

void StoreGoLimits(const GoLimits& limits) {
  SearchData.time_control = limits.time_control;
  SearchData.max_depth = limits.max_depth;
  SearchData.node_limit = limits.node_limit;
  SearchData.fixed_time = limits.fixed_time;
  SearchData.increment = limits.increment;
  SearchData.moves_to_go = limits.moves_to_go;
  SearchData.time_cap = limits.time_cap;
}
