// Line and number reading for the text files of the tools and the console.
#pragma once
#include <cstdio>

// Reads the next line of f that fits in size - 1 characters, without its line
// end, so that a writer adds exactly one whatever the line's length. A longer
// line is read to its end and skipped, and counted in *skipped, so that its
// tail is never taken for a line of its own. False at end of file.
bool ReadTextLine(FILE* f, char* buf, int size, int* skipped);

// The decimal integer that is the whole of text (an optional sign, then
// digits) when it lies in lo..hi; false for any other text, so that a value
// out of range is never cut or wrapped into range.
bool ReadInteger(const char* text, int lo, int hi, int* value);

// The decimal integer that is the whole of text (an optional sign, then
// digits), held at the nearer end of the 64-bit range when it lies beyond;
// false for any other text, so that a word is never read as 0.
bool ReadWholeNumber(const char* text, long long* value);

// The finite decimal number that is the whole of text (digits, sign, point
// and exponent only: no blanks, "nan", "inf" or hexadecimal); false for any
// other text.
bool ReadDecimal(const char* text, double* value);
