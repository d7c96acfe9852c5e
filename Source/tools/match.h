// The self-play tools: a parameter file against the defaults, and tuning by
// random perturbation.
#pragma once

// -match: plays "test1.rc" over the defaults against the defaults, the games
// to the file named by PBlock's game file argument.
void Tune_3();
// -tune4: mini-matches between perturbed and unperturbed weights, each
// followed by a step of every selected weight toward the winner; the games go
// to "self.pgn".
void Tune_4();
