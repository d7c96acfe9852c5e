// Line and number reading for the text files of the tools and the console.
#pragma once
#include <cstdio>
#include <string>
#include <vector>

// A text file read a block at a time, for lines of any length.
struct TextFile {
  FILE* f = nullptr;
  std::string line;  // the last line read
  std::vector<char> block = std::vector<char>(1 << 16);
  size_t at = 0, end = 0;
  bool after_cr = false;  // the last line ended at a carriage return
};

// Reads the next line whole, without its line end: a line feed, a carriage
// return or both, whichever system wrote the file. False at end of file.
bool ReadWholeLine(TextFile* in);

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
