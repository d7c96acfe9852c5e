// The single writer of output lines, the log file and the word splitter.
#pragma once
#include <cstdio>

// Writes one line (text plus newline) to standard output in a single write,
// flushes, and copies it to the log while Log is on.
void ShowMessage(const char* text);

// Prepares "kerv.log" at start-up and closes it at shutdown.
void OpenLog();
void CloseLog();

// Copies the next blank-separated word of text (at most 127 characters) into
// a static buffer and returns it.
const char* GetWord(const char* text);
