#include "tools/bench.h"

#include "engine/output.h"

int profile = 0;

// Placeholder until the benchmark lands.
void Bench() { ShowMessage("the benchmark is not available yet"); }
