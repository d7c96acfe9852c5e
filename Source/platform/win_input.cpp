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
PipeLines pipe_lines;
char chunk[kMaxInputLine];  // one pipe read
// The lines of a read and the end of a held one.
static_assert(sizeof pipe_lines.held + sizeof chunk <= kReadSize);

void SetUpInput() {
  first_call = false;
  input_handle = GetStdHandle(STD_INPUT_HANDLE);
  DWORD mode;
  is_pipe = !GetConsoleMode(input_handle, &mode);
  if (!is_pipe) {
    // Window and mouse events would make _kbhit report input no read returns.
    SetConsoleMode(input_handle, mode & ~DWORD(ENABLE_WINDOW_INPUT | ENABLE_MOUSE_INPUT));
    FlushConsoleInputBuffer(input_handle);
  }
}

// Bytes read into chunk when input waits, else 0.
int ReadPipeBytes() {
  DWORD available = 0;
  if (PeekNamedPipe(input_handle, nullptr, 0, nullptr, &available, nullptr)) {
    if (available == 0) return 0;
  } else {
    // A redirected file cannot be peeked, yet a read of it never waits. Nor
    // can a pipe that an emulator hands on from its host: reading it may
    // wait, but it is the only way its input is ever seen.
    const DWORD error = GetLastError();
    if (GetFileType(input_handle) != FILE_TYPE_DISK && error != ERROR_NOT_SUPPORTED) return 0;
  }
  DWORD n = 0;
  return ReadFile(input_handle, chunk, sizeof chunk, &n, nullptr) ? int(n) : 0;
}

int ReadPipeLines(char* out) { return SplitPipeBytes(pipe_lines, chunk, ReadPipeBytes(), out); }

int ReadConsoleLine(char* out) {
  if (!_kbhit()) return 0;
  const int n = ReadStreamLine(stdin, out);
  return n < 0 ? 0 : n;
}

}  // namespace

// A quarter of a millisecond is below the timer's period; one period it is.
void WaitForInput(int) { SleepMs(1); }

int ReadWaitingInput(int, char* out) {
  if (first_call) SetUpInput();
  return is_pipe ? ReadPipeLines(out) : ReadConsoleLine(out);
}
