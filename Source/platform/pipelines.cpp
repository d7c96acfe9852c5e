#include "platform/pipelines.h"

#include <cstring>

static int EmitHeld(PipeLines& lines, char* out) {
  const char* cr = static_cast<const char*>(std::memchr(lines.held, '\r', size_t(lines.held_len)));
  const int len = cr ? int(cr - lines.held) : lines.held_len;
  lines.held_len = 0;
  if (len == 0) return 0;
  std::memcpy(out, lines.held, size_t(len));
  out[len] = '\n';
  return len + 1;
}

int SplitPipeBytes(PipeLines& lines, const char* bytes, int n, char* out) {
  int written = 0;
  for (int i = 0; i < n; i++) {
    const char c = bytes[i];
    if (c == '\n' || c == 0) {
      written += EmitHeld(lines, out + written);
      continue;
    }
    lines.held[lines.held_len++] = c;
    if (lines.held_len == kMaxInputLine) written += EmitHeld(lines, out + written);
  }
  return written;
}
