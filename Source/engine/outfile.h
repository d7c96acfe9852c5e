// The files the tools and the console write: a file that cannot be created or
// written is reported in one line naming it, never taken for success.
#pragma once
#include <cstdio>

// Creates (or truncates) the file for writing; null, after the line
// "can't open <name>", when that fails.
FILE* OpenOutput(const char* name);

// Closes f; false, after the line "can't write <name>", when a write to it
// or the close failed (a full disk may show only when the buffer goes out).
bool CloseOutput(FILE* f, const char* name);
