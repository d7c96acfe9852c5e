// Platform seam of the front end: short waits and non-blocking reads of
// standard input. One implementation per platform.
#pragma once

// Sleeps about ms milliseconds.
void SleepMs(int ms);

// Sleeps about us microseconds, but returns as soon as standard input has
// something to read (where the platform can tell; elsewhere it only sleeps).
void WaitForInput(int us);

// Reads from standard input only when something waits there, so it never
// blocks on an idle input; every complete line read goes to QueueInputLine.
// uci_mode picks the test for waiting input (a pipe-friendly one in UCI mode,
// a terminal-friendly one in console mode).
void ReadWaitingInput(int uci_mode);
