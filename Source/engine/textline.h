// Line reading for the text files of the tools and the console.
#pragma once
#include <cstdio>

// Reads the next line of f that fits in size - 1 characters, line end kept.
// A longer line is read to its end and skipped, and counted in *skipped, so
// that its tail is never taken for a line of its own. False at end of file.
bool ReadTextLine(FILE* f, char* buf, int size, int* skipped);
