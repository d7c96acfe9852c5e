#ifndef _WIN32
#include "platform/input.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/select.h>
#include <unistd.h>

#include <array>
#include <cerrno>

#include "platform/pipelines.h"

namespace {

// Once input has ended it stays readable, and waiting on it would spin.
bool input_ended = false;
constexpr int kWakeLessWaitUs = 1000;
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

// The pipe through which other threads end the main thread's wait: its read
// end is watched beside standard input. Both ends never block.
const int* WakePipe() {
  static const std::array<int, 2> ends = [] {
    std::array<int, 2> fd{-1, -1};
    if (pipe(fd.data()) == 0)
      for (int end : fd) {
        fcntl(end, F_SETFL, fcntl(end, F_GETFL) | O_NONBLOCK);
        fcntl(end, F_SETFD, FD_CLOEXEC);
      }
    return fd;
  }();
  return ends.data();
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

void WakeInputWait() {
  const char byte = 1;
  const int wake = WakePipe()[1];
  // A full pipe holds wake-ups enough.
  if (wake >= 0 && write(wake, &byte, 1) < 0) return;
}

void WaitForInput(int us) {
  const int wake = WakePipe()[0];
  // Without the pipe nothing else could end the wait: it looks again soon.
  if (wake < 0 && (us < 0 || us > kWakeLessWaitUs)) us = kWakeLessWaitUs;
  // A negative descriptor is left out of the wait.
  pollfd watched[2] = {{input_ended ? -1 : STDIN_FILENO, POLLIN, 0}, {wake, POLLIN, 0}};
  const timespec limit{us / 1000000, us % 1000000 * 1000L};
  if (ppoll(watched, 2, us < 0 ? nullptr : &limit, nullptr) <= 0) return;
  if (watched[0].revents & POLLNVAL) input_ended = true;  // started without standard input
  if (!(watched[1].revents & POLLIN)) return;
  char drained[64];
  while (read(wake, drained, sizeof drained) > 0) {
  }
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
