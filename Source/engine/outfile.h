// The files the tools and the console write: a file that cannot be created or
// written is reported in one line naming it, never taken for success, and no
// output is written over the input it is made from.
#pragma once
#include <cstdio>
#include <initializer_list>

// Creates (or truncates) the file for writing; null, after the line
// "can't open <name>", when that fails.
FILE* OpenOutput(const char* name);

// Closes f; false, after the line "can't write <name>", when a write to it
// or the close failed (a full disk may show only when the buffer goes out).
bool CloseOutput(FILE* f, const char* name);

// True, after the line "<input> is also the output <output>, nothing done",
// when one of the outputs is the input file itself, under its own name, a
// link or another spelling of its path: a tool asks before it writes anything.
bool OutputIsInput(const char* input, std::initializer_list<const char*> outputs);
