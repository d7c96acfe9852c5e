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

// The log's name, in the working directory.
extern const char kLogName[];

// Empties "kerv.log" at start-up (after the switches, so that a tool's input
// can be checked against it first) and closes it at shutdown. A folder of
// that name is left alone, a log another run holds is not written, and a log
// that cannot be created is said when Log is on; each in one line.
void OpenLog();
void CloseLog();

// Copies the next blank-separated word of text (at most 127 characters) into
// a static buffer and returns it. Leading blanks are skipped; the caller keeps
// its own position.
const char* GetWord(const char* text);
