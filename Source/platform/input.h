// Platform seam of the front end: non-blocking reads of standard input.
// One implementation per platform.
#pragma once

constexpr int kInputLineSize = 5000;               // a line and its NUL
constexpr int kMaxInputLine = kInputLineSize - 2;  // longer lines arrive in pieces
// What one read can hand back: a line held over from earlier reads and a
// whole buffer of new ones.
constexpr int kReadSize = 3 * kInputLineSize;

// Sleeps about us microseconds, but returns as soon as standard input has
// something to read (where the platform can tell; elsewhere it only sleeps).
void WaitForInput(int us);

// Reads from standard input only when something waits there, so it never
// blocks on an idle input. Writes the complete lines read into out (kReadSize
// bytes), each without its line end and followed by '\n', and returns the
// number of bytes written. uci_mode picks the test for waiting input (a
// pipe-friendly one in UCI mode, a terminal-friendly one in console mode).
int ReadWaitingInput(int uci_mode, char* out);
