#include "engine/input.h"

#include <cstdio>
#include <cstring>

#include "engine/console.h"
#include "engine/params.h"
#include "engine/uci.h"
#include "platform/input.h"

namespace {

// Lines are kept whole, each ended by '\n', which no line can contain once
// its line end is removed. Room for a dozen full-length lines.
constexpr int kQueueSize = 64 * 1024;
char queue[kQueueSize];
int queue_len = 0;

}  // namespace

int QueueInputLine(const char* text, int len) {
  if (len <= 0) return 1;
  if (len > kMaxInputLine) len = kMaxInputLine;
  if (queue_len + len + 1 > kQueueSize) return 0;
  std::memcpy(queue + queue_len, text, len);
  queue[queue_len + len] = '\n';
  queue_len += len + 1;
  return 1;
}

int InputQueueRoom() { return kQueueSize - queue_len; }

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

void UserInput() {
  // A full read can add a whole buffer of lines; while the queue cannot take
  // that, the input waits in the pipe instead of being dropped.
  if (InputQueueRoom() > kReadSize) {
    char lines[kReadSize];
    const int n = ReadWaitingInput(PBlock.protocol != 0, lines);
    for (int start = 0, i = 0; i < n; i++) {
      if (lines[i] != '\n') continue;
      QueueInputLine(lines + start, i - start);
      start = i + 1;
    }
  }
  char line[kInputLineSize];
  if (!TakeInputLine(line, sizeof line)) return;
  if (PBlock.protocol == 1 || std::strcmp(line, "uci") == 0)
    ProcessUCI(line);
  else if (PBlock.protocol == 0 && line[0])
    ProcessConsole(line);
}
