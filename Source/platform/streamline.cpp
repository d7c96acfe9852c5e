#include "platform/streamline.h"

#include <cstring>

#include "platform/input.h"

static void SkipToLineEnd(std::FILE* in) {
  int c;
  do c = std::getc(in);
  while (c != EOF && c != '\n');
}

int ReadStreamLine(std::FILE* in, char* out) {
  // Room for the longest text, a carriage return, the line feed and the NUL.
  // fgets writes its NUL into the last byte only when it fills the buffer.
  constexpr int kRoom = kMaxInputLine + 3;
  static_assert(kRoom <= kReadSize);
  out[kRoom - 1] = 1;
  if (!std::fgets(out, kRoom, in)) return -1;
  if (out[kRoom - 1] == 0 && out[kRoom - 2] != '\n') SkipToLineEnd(in);
  const int len = int(std::strcspn(out, "\r\n"));
  if (len > kMaxInputLine) {
    out[0] = kDroppedLine;
    out[1] = '\n';
    return 2;
  }
  out[len] = '\n';
  return len + 1;
}
