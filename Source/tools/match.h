// Self-play matches between two parameter sets.
#pragma once

// -match: a parameter file against the defaults.
void Tune_3();
// -tune4: tuning by random perturbation over mini-matches.
void Tune_4();
