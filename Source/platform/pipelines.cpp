#include "platform/pipelines.h"

#include <cstring>

int EndPipeLines(PipeLines& lines, char* out) {
  int written = 0;
  if (lines.too_long) {
    out[written++] = kDroppedLine;
  } else if (lines.held_len) {
    std::memcpy(out, lines.held, size_t(lines.held_len));
    written = lines.held_len;
  }
  if (written) out[written++] = '\n';
  lines.held_len = 0;
  lines.text_ended = lines.too_long = false;
  return written;
}

int SplitPipeBytes(PipeLines& lines, const char* bytes, int n, char* out) {
  int written = 0;
  for (int i = 0; i < n; i++) {
    const char c = bytes[i];
    if (c == '\n')
      written += EndPipeLines(lines, out + written);
    else if (c == '\r' || c == 0)
      lines.text_ended = true;
    else if (lines.text_ended || lines.too_long)
      continue;
    else if (lines.held_len == kMaxInputLine)
      lines.too_long = true;
    else
      lines.held[lines.held_len++] = c;
  }
  return written;
}
