// The input queue and the poll that hands one line per call to the
// interpreter of the current protocol mode.
#pragma once
#include "platform/input.h"

// Reads at most what waits on standard input, then hands at most one queued
// line to ProcessUCI or ProcessConsole. Never blocks on an idle input.
void UserInput();

// Appends one line of len characters (no line end) to the queue; empty lines
// are dropped. Returns 0 when the queue has no room for it.
int QueueInputLine(const char* text, int len);

// Free bytes in the queue; readers leave input in the pipe while it is short.
int InputQueueRoom();

// Moves the front line into out (size bytes, NUL-terminated); 0 when the
// queue holds no line.
int TakeInputLine(char* out, int size);
