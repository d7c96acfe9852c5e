#include "tablebase/tbprobe.h"

// No tables can be loaded yet: every probe answers "no answer".
int TB_Probe_WDL(const Position*, int) { return -1; }

int TB_Probe_DTZ(const Position*, Move*) { return -1; }
