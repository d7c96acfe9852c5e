// Cuts the bytes of pipe reads into lines. A pipe read ends anywhere, so the
// start of a line can wait for its end in the next read.
#pragma once
#include "platform/input.h"

struct PipeLines {
  char held[kMaxInputLine];  // the text of a line whose end has not come
  int held_len;
  bool text_ended;  // a carriage return or NUL ended the text; the rest is ignored
  bool too_long;    // the text outgrew held; the line is dropped at its end
};

// Adds n bytes. A line ends at a line feed; its text ends at its first
// carriage return or NUL, as a C string read from it would. Writes each line ended into out, followed by '\n'
// (empty ones are left out, one too long is kDroppedLine), and returns the
// bytes written: at most held_len + n.
int SplitPipeBytes(PipeLines& lines, const char* bytes, int n, char* out);

// At the end of input the held line needs no line end: writes it as
// SplitPipeBytes would, at most held_len + 1 bytes.
int EndPipeLines(PipeLines& lines, char* out);
