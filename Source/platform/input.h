// Platform seam of the front end: non-blocking reads of standard input.
// One implementation per platform.
#pragma once

// A position with a long game in moves runs past ten kilobytes.
constexpr int kMaxInputLine = 64 * 1024;           // characters of one line
constexpr int kInputLineSize = kMaxInputLine + 1;  // a line and its NUL
// A longer line is never handed on in pieces, which would run its tail as a
// command: it comes back as this one character, so it can be reported in turn.
// No line holds it, for a NUL ends a line.
constexpr char kDroppedLine = '\0';
// What one read can hand back: a line held over from earlier reads and a
// whole buffer of new ones.
constexpr int kReadSize = 2 * kInputLineSize;

// Waits until standard input has something to read, WakeInputWait is
// called, or about us microseconds have passed; a negative us has no time
// limit. Once the input has ended only a wake-up or the time ends it.
void WaitForInput(int us);
constexpr int kWaitForever = -1;

// Ends the current or the next WaitForInput at once; from any thread.
void WakeInputWait();

// Reads from standard input only when something waits there, so it never
// blocks on an idle input. Writes the complete lines read into out (kReadSize
// bytes), each without its line end and followed by '\n', and returns the
// number of bytes written. uci_mode picks the test for waiting input (a
// pipe-friendly one in UCI mode, a terminal-friendly one in console mode).
int ReadWaitingInput(int uci_mode, char* out);

// True once standard input has ended (or failed for good): every line it
// held has been handed back, and no read will bring more.
bool InputEnded();
