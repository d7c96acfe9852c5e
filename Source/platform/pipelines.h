// Cuts the bytes of pipe reads into lines. A pipe read ends anywhere, so the
// start of a line can wait for its end in the next read.
#pragma once
#include "platform/input.h"

struct PipeLines {
  char held[kInputLineSize];  // the start of a line whose end has not come
  int held_len;
};

// Adds n bytes. A line ends at a line feed or a NUL; its text ends at its
// first carriage return; a line longer than kMaxInputLine goes on in pieces.
// Writes each non-empty line ended into out, followed by '\n', and returns
// the bytes written: at most held_len + n + n / kMaxInputLine + 1.
int SplitPipeBytes(PipeLines& lines, const char* bytes, int n, char* out);
