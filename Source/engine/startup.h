// The start-up steps that come before the command-line switches, shared by
// the program, the benchmarks and the tests that need a ready engine.
#pragma once

// Allocates the game record (when there is none), fills the board tables and
// the bitbase, sets the start values and the compiled defaults. False when
// the game record cannot be allocated.
bool StartUpDefaults();
