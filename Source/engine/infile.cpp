#include "engine/infile.h"

#include <string>

#include "engine/output.h"

namespace {

constexpr unsigned char kByteOrderMark[] = {0xEF, 0xBB, 0xBF};

// Reads past a byte-order mark; false when the first read fails, which is
// how a directory shows on the systems that open one.
bool SkipByteOrderMark(FILE* f) {
  int n = 0;
  int c = std::getc(f);
  while (c == kByteOrderMark[n] && ++n < int(sizeof kByteOrderMark)) c = std::getc(f);
  if (std::ferror(f)) return false;
  if (n == int(sizeof kByteOrderMark)) return true;
  if (n == 0) return c == EOF || std::ungetc(c, f) == c;
  // The start of a mark and then other text: read it all from the first byte.
  return std::fseek(f, 0, SEEK_SET) == 0;
}

}  // namespace

FILE* OpenTextInput(const char* name, InputFault* fault) {
  InputFault found = InputFault::None;
  FILE* f = std::fopen(name, "r");
  if (!f) {
    found = InputFault::Missing;
  } else if (!SkipByteOrderMark(f)) {
    std::fclose(f);
    f = nullptr;
    found = InputFault::Unreadable;
  }
  if (fault) *fault = found;
  return f;
}

FILE* OpenInput(const char* name) {
  InputFault fault;
  FILE* f = OpenTextInput(name, &fault);
  if (!f) ShowMessage(((fault == InputFault::Missing ? "can't open " : "can't read ") + std::string(name)).c_str());
  return f;
}
