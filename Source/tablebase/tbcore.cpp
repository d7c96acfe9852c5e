#include "tablebase/tbcore.h"

// Placeholder until the tablebase prober lands: registers no table.
void init_tablebases(const char*) {}
