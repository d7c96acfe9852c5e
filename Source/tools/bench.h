// The fixed benchmark (-bench, -pbench).
#pragma once

// Set by -pbench: search in the calling thread only, for profiling.
extern int profile;

void Bench();
