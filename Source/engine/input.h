// The input queue and the poll that hands one line per call to the
// interpreter of the current protocol mode.
#pragma once
#include "platform/input.h"

// Room for a few lines of the longest kind.
constexpr int kInputQueueSize = 4 * kInputLineSize;

// Reads what waits on standard input, then hands at most one queued line to
// ProcessUCI or ProcessConsole; false when no line was queued. Never blocks
// on an idle input. A line too long to keep is answered with one line
// instead.
bool UserInput();

// Takes the next line for a dialogue that waits for its answer (the board
// editor), blocking until one comes; false once the input has ended. A line
// too long to keep is answered with one line and passed over.
bool WaitInputLine(char* out, int size);

// True once standard input has ended and every line it brought has been
// handed on.
bool InputExhausted();

// Appends one line of len characters (no line end) to the queue, its tabs
// turned into blanks; empty lines are dropped, and a line longer than
// kMaxInputLine is queued as kDroppedLine. Returns 0 when the queue has no
// room for it.
int QueueInputLine(const char* text, int len);

// Free bytes in the queue; readers leave input in the pipe while it is short.
int InputQueueRoom();

// Moves the front line into out (size bytes, NUL-terminated); 0 when the
// queue holds no line.
int TakeInputLine(char* out, int size);
