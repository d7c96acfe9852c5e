// Reads one whole line of a stdio stream, cut as pipe reads are cut.
#pragma once
#include <cstdio>

// Reads the next line of in into out (kReadSize bytes): its text, up to the
// first carriage return or NUL, followed by '\n'. A text longer than
// kMaxInputLine is read to its line end and comes back as kDroppedLine.
// Returns the bytes written, or -1 when the stream gave nothing (its end or
// an error).
int ReadStreamLine(std::FILE* in, char* out);
