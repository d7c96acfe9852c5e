// The self-play tools: a parameter file against the defaults, and tuning by
// random perturbation.
#pragma once

// The parameter file -match plays against the defaults.
constexpr char kMatchParamFile[] = "test1.rc";

// -match: plays "test1.rc" over the defaults against the defaults, the games
// to the file named by PBlock's game file argument.
int Tune_3();
// -tune4: mini-matches between perturbed and unperturbed weights, each
// followed by a step of every selected weight toward the winner; the games go
// to "self.pgn".
int Tune_4();
// Both return the exit status: 1 after one line when "test1.rc" cannot be
// read, is the games file itself or names a SyzygyPath too long for its
// field (no game is played then),
// or when the games file cannot be created or written (the match stops
// there), else 0.
