// The start-up steps that come before the command-line switches, shared by
// the program, the benchmarks and the tests that need a ready engine.
#pragma once

// Allocates the game record (when there is none), fills the board tables and
// the bitbase, sets the start values and the compiled defaults. False when
// the game record cannot be allocated.
bool StartUpDefaults();

// The steps after the switches: the table of the Hash size, the switches
// made defaults, the pool of Threads workers and the derived weights. False
// when the table or the pool cannot be set up.
bool StartUpEngine();
