#include "tools/console_tune.h"

#include "engine/output.h"

// Placeholder until the tuners land.
void TuneConsoleParam(const char*) { ShowMessage("the console tuner is not available yet"); }
