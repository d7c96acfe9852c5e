#include "platform/input.h"

#include <windows.h>
#include <conio.h>

#include <cstdio>

#include "platform/pipelines.h"
#include "platform/sleep.h"
#include "platform/streamline.h"

namespace {

bool first_call = true;
HANDLE input_handle;
bool is_pipe = false;
bool input_ended = false;
PipeLines pipe_lines;
char chunk[kMaxInputLine];  // one pipe read
// The lines of a read, the end of a held one and the last, unended, one.
static_assert(sizeof pipe_lines.held + sizeof chunk + 1 <= kReadSize);

void SetUpInput() {
  first_call = false;
  input_handle = GetStdHandle(STD_INPUT_HANDLE);
  // Started without standard input: it has ended before it began.
  if (input_handle == nullptr || input_handle == INVALID_HANDLE_VALUE) {
    input_ended = true;
    return;
  }
  DWORD mode;
  is_pipe = !GetConsoleMode(input_handle, &mode);
  if (!is_pipe) {
    // Window and mouse events would make _kbhit report input no read returns.
    SetConsoleMode(input_handle, mode & ~DWORD(ENABLE_WINDOW_INPUT | ENABLE_MOUSE_INPUT));
    FlushConsoleInputBuffer(input_handle);
  }
}

// Bytes read into chunk when input waits, else 0. A pipe whose writer has
// closed it fails with a broken pipe once its bytes are read; a file at its
// end reads nothing.
int ReadPipeBytes() {
  DWORD available = 0;
  if (PeekNamedPipe(input_handle, nullptr, 0, nullptr, &available, nullptr)) {
    if (available == 0) return 0;
  } else {
    // A redirected file cannot be peeked, yet a read of it never waits. Nor
    // can a pipe that an emulator hands on from its host: reading it may
    // wait, but it is the only way its input is ever seen.
    const DWORD error = GetLastError();
    if (error == ERROR_BROKEN_PIPE || error == ERROR_INVALID_HANDLE) {
      input_ended = true;
      return 0;
    }
    if (GetFileType(input_handle) != FILE_TYPE_DISK && error != ERROR_NOT_SUPPORTED) return 0;
  }
  DWORD n = 0;
  if (ReadFile(input_handle, chunk, sizeof chunk, &n, nullptr)) {
    if (n == 0) input_ended = true;
    return int(n);
  }
  // A message longer than the buffer comes in pieces. Any other failure is
  // one that no retry mends (a broken pipe, a closed or unusable handle):
  // the input has ended, as on POSIX.
  if (GetLastError() == ERROR_MORE_DATA) return int(n);
  input_ended = true;
  return 0;
}

int ReadPipeLines(char* out) {
  int written = SplitPipeBytes(pipe_lines, chunk, ReadPipeBytes(), out);
  if (input_ended) written += EndPipeLines(pipe_lines, out + written);
  return written;
}

int ReadConsoleLine(char* out) {
  if (!_kbhit()) return 0;
  const int n = ReadStreamLine(stdin, out);
  if (n >= 0) return n;
  input_ended = std::feof(stdin);  // Ctrl+Z, the console's end of input
  std::clearerr(stdin);
  return 0;
}

}  // namespace

bool InputEnded() { return input_ended; }

// A quarter of a millisecond is below the timer's period; one period it is.
void WaitForInput(int) { SleepMs(1); }

int ReadWaitingInput(int, char* out) {
  if (first_call) SetUpInput();
  if (input_ended) return 0;
  return is_pipe ? ReadPipeLines(out) : ReadConsoleLine(out);
}
