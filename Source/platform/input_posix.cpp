#ifndef _WIN32
#include "platform/input.h"

#include <sys/ioctl.h>
#include <sys/select.h>
#include <unistd.h>

#include <cerrno>

#include "platform/pipelines.h"

namespace {

// Once input has ended it stays readable, and waiting on it would spin.
bool input_ended = false;
PipeLines pipe_lines;
char chunk[kMaxInputLine];  // one read
// The lines of a read, the end of a held one and the last, unended, one.
static_assert(sizeof pipe_lines.held + sizeof chunk + 1 <= kReadSize);

bool Readable() {
  fd_set set;
  FD_ZERO(&set);
  FD_SET(STDIN_FILENO, &set);
  timeval tv{0, 0};
  const int r = select(STDIN_FILENO + 1, &set, nullptr, nullptr, &tv);
  if (r < 0 && errno == EBADF) input_ended = true;  // started without standard input
  return r > 0;
}

bool InputWaiting(int uci_mode) {
  if (uci_mode) return Readable();
  int count = 0;
  if (ioctl(STDIN_FILENO, FIONREAD, &count) == 0 && count != 0) return true;
  // An input that has ended counts no bytes, yet reads (its end) at once.
  return Readable();
}

}  // namespace

bool InputEnded() { return input_ended; }

void WaitForInput(int us) {
  timeval tv{us / 1000000, us % 1000000};
  if (input_ended) {
    select(0, nullptr, nullptr, nullptr, &tv);
    return;
  }
  fd_set set;
  FD_ZERO(&set);
  FD_SET(STDIN_FILENO, &set);
  select(STDIN_FILENO + 1, &set, nullptr, nullptr, &tv);
}

// Takes everything that waits in one read, so a burst of lines costs one
// system call, not one per byte. The end is read again each time, as a
// reopened input can bring more.
int ReadWaitingInput(int uci_mode, char* out) {
  if (!InputWaiting(uci_mode)) return 0;
  ssize_t n = read(STDIN_FILENO, chunk, sizeof chunk);
  if (n < 0) {
    if (errno == EINTR || errno == EAGAIN) return 0;
    n = 0;  // a failed read that no retry mends ends the input
  }
  input_ended = n == 0;
  int written = SplitPipeBytes(pipe_lines, chunk, int(n), out);
  if (input_ended) written += EndPipeLines(pipe_lines, out + written);
  return written;
}
#endif
