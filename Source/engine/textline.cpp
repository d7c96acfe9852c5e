#include "engine/textline.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <utility>

// fread rather than fgets: a NUL byte must not hide the rest of its line.
bool ReadWholeLine(TextFile* in) {
  in->line.clear();
  bool read = false;
  for (;;) {
    if (in->at == in->end) {
      in->at = 0;
      in->end = std::fread(in->block.data(), 1, in->block.size(), in->f);
      if (!in->end) break;
    }
    const char* from = in->block.data() + in->at;
    // The line feed of a carriage return and line feed pair, maybe in the next block.
    if (std::exchange(in->after_cr, false) && *from == '\n') {
      in->at++;
      continue;
    }
    const char* to = from + (in->end - in->at);
    const char* end = std::find_if(from, to, [](char c) { return c == '\n' || c == '\r'; });
    in->line.append(from, end);
    in->at += size_t(end - from);
    read = true;
    if (end != to) {
      in->after_cr = *end == '\r';
      in->at++;
      break;
    }
  }
  return read;
}

// Character by character, so that a NUL inside a line cannot hide its end.
bool ReadTextLine(FILE* f, char* buf, int size, int* skipped) {
  for (;;) {
    int c = std::getc(f);
    if (c == EOF) return false;
    int n = 0;
    while (c != EOF && c != '\n' && n < size - 1) {
      buf[n++] = char(c);
      c = std::getc(f);
    }
    buf[n] = 0;
    if (c == EOF || c == '\n') return true;
    // The buffer is full and the line goes on: skip it to its end.
    while (c != EOF && c != '\n') c = std::getc(f);
    ++*skipped;
  }
}

bool ReadInteger(const char* text, int lo, int hi, int* value) {
  // strtoll would also take leading blanks and an empty text.
  const char* digits = text + (*text == '-' || *text == '+');
  if (!std::isdigit(static_cast<unsigned char>(*digits))) return false;
  char* end;
  errno = 0;
  const long long v = std::strtoll(text, &end, 10);
  if (*end || errno == ERANGE || v < lo || v > hi) return false;
  *value = int(v);
  return true;
}

bool ReadWholeNumber(const char* text, long long* value) {
  const char* digits = text + (*text == '-' || *text == '+');
  if (!std::isdigit(static_cast<unsigned char>(*digits))) return false;
  char* end;
  const long long v = std::strtoll(text, &end, 10);  // saturates beyond the range
  if (*end) return false;
  *value = v;
  return true;
}

bool ReadDecimal(const char* text, double* value) {
  if (!*text || text[std::strspn(text, "0123456789+-.eE")]) return false;
  char* end;
  const double v = std::strtod(text, &end);
  if (*end || end == text || !std::isfinite(v)) return false;
  *value = v;
  return true;
}
