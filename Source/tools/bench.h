// The fixed benchmark: ten middlegame positions searched to a fixed depth.
#pragma once

// Set by -pbench: search in the calling thread only, for profiling.
extern int profile;

// Searches the positions (in the calling thread when profile is set, else on
// the pool), shows the time of each and the totals, then sets the quit flag.
void Bench();
