// The single writer of output lines, the log file and the word splitter.
#pragma once
#include <cstdio>

// The log, open from start-up to shutdown; null when it could not be prepared.
extern FILE* fdlog;

// Writes one line (text plus newline) to standard output in a single write,
// flushes, and copies it to the log while Log is on. The text is never used
// as a format.
void ShowMessage(const char* text);

// The prefix of the engine's own free-text lines: "info string " in UCI
// mode, nothing at the console.
const char* InfoPrefix();

// ShowMessage of a printf-style line, cut at 511 characters.
void ShowFormatted(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Prepares "kerv.log" at start-up and closes it at shutdown.
void OpenLog();
void CloseLog();

// Copies the next blank-separated word of text (at most 127 characters) into
// a static buffer and returns it. Leading blanks are skipped; the caller keeps
// its own position.
const char* GetWord(const char* text);
