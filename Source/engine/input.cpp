#include "engine/input.h"

#include <cstdio>
#include <cstring>

#include "engine/console.h"
#include "engine/output.h"
#include "engine/params.h"
#include "engine/uci.h"
#include "platform/input.h"

namespace {

// Lines are kept whole, each ended by '\n', which no line can contain once
// its line end is removed.
char queue[kInputQueueSize];
int queue_len = 0;

void ShowDroppedLine() {
  ShowFormatted("%sinput line longer than %d characters ignored", InfoPrefix(),
                kMaxInputLine);
}

// Moves what waits on standard input into the queue. A full read can add a
// whole buffer of lines; while the queue cannot take that, the input waits
// in the pipe instead of being dropped.
void ReadIntoQueue() {
  static char lines[kReadSize];  // too big for small stacks
  if (InputQueueRoom() <= kReadSize) return;
  const int n = ReadWaitingInput(PBlock.protocol != 0, lines);
  for (int start = 0, i = 0; i < n; i++) {
    if (lines[i] != '\n') continue;
    QueueInputLine(lines + start, i - start);
    start = i + 1;
  }
}

}  // namespace

int QueueInputLine(const char* text, int len) {
  if (len <= 0) return 1;
  if (len > kMaxInputLine) {
    text = &kDroppedLine;
    len = 1;
  }
  if (queue_len + len + 1 > kInputQueueSize) return 0;
  // Any run of blanks and tabs parts words, and the interpreters part at blanks.
  for (int i = 0; i < len; i++) queue[queue_len + i] = text[i] == '\t' ? ' ' : text[i];
  queue[queue_len + len] = '\n';
  queue_len += len + 1;
  return 1;
}

int InputQueueRoom() { return kInputQueueSize - queue_len; }

int TakeInputLine(char* out, int size) {
  const char* end = static_cast<const char*>(std::memchr(queue, '\n', queue_len));
  if (!end || size < 1) return 0;
  int len = static_cast<int>(end - queue);
  int copied = len < size - 1 ? len : size - 1;
  std::memcpy(out, queue, copied);
  out[copied] = 0;
  queue_len -= len + 1;
  std::memmove(queue, end + 1, queue_len);
  return 1;
}

bool InputExhausted() { return queue_len == 0 && InputEnded(); }

bool UserInput() {
  // Static, as lines this long are too big for small stacks. A command that
  // polls the input while it runs (the console's tune) reuses it, so what
  // it needs of its own line must be copied before (the console's words are).
  static char line[kInputLineSize];
  ReadIntoQueue();
  if (!TakeInputLine(line, sizeof line)) return false;
  if (line[0] == kDroppedLine)  // no other line is queued empty
    ShowDroppedLine();
  else if (PBlock.protocol == 1 || std::strcmp(line, "uci") == 0)
    ProcessUCI(line);
  else if (PBlock.protocol == 0)
    ProcessConsole(line);
  return true;
}

bool WaitInputLine(char* out, int size) {
  for (;;) {
    ReadIntoQueue();
    if (TakeInputLine(out, size)) {
      if (out[0] != kDroppedLine) return true;
      ShowDroppedLine();
      continue;
    }
    if (InputEnded()) return false;
    WaitForInput(kWaitForever);
  }
}
