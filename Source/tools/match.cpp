#include "tools/match.h"

#include "engine/output.h"

// Placeholders until self-play matches land.
void Tune_3() { ShowMessage("match play is not available yet"); }
void Tune_4() { ShowMessage("the self-play tuner is not available yet"); }
