#ifndef _WIN32
#include "platform/input.h"

#include <sys/ioctl.h>
#include <sys/select.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "platform/streamline.h"

// Once input has ended it stays readable, and waiting on it would spin.
static bool input_ended = false;

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

static bool Readable() {
  fd_set set;
  FD_ZERO(&set);
  FD_SET(STDIN_FILENO, &set);
  timeval tv{0, 0};
  const int r = select(STDIN_FILENO + 1, &set, nullptr, nullptr, &tv);
  if (r < 0 && errno == EBADF) input_ended = true;  // started without standard input
  return r > 0;
}

static bool InputWaiting(int uci_mode) {
  if (uci_mode) return Readable();
  int count = 0;
  if (ioctl(STDIN_FILENO, FIONREAD, &count) == 0 && count != 0) return true;
  // An input that has ended counts no bytes, yet reads (its end) at once.
  return Readable();
}

// Standard input is unbuffered (start-up makes it so), so one fgets takes one
// line and leaves the next in the pipe, where the next poll still sees it.
int ReadWaitingInput(int uci_mode, char* out) {
  if (input_ended || !InputWaiting(uci_mode)) return 0;
  const int n = ReadStreamLine(stdin, out);
  if (n >= 0) return n;
  // The end of input, or a failed read that no retry mends.
  input_ended = std::feof(stdin) || (errno != EINTR && errno != EAGAIN);
  std::clearerr(stdin);
  return 0;
}
#endif
