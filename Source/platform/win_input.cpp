#include "platform/input.h"

#include <windows.h>
#include <conio.h>

#include <cstdio>
#include <cstring>

#include "platform/pipelines.h"
#include "platform/sleep.h"

namespace {

bool first_call = true;
HANDLE input_handle;
bool is_pipe = false;
PipeLines pipe_lines;

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

// Bytes read into chunk (kInputLineSize bytes) when input waits, else 0.
int ReadPipeBytes(char* chunk) {
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
  return ReadFile(input_handle, chunk, kMaxInputLine + 1, &n, nullptr) ? int(n) : 0;
}

int ReadConsoleLine(char* out) {
  if (!_kbhit()) return 0;
  if (!std::fgets(out, kMaxInputLine + 1, stdin)) return 0;
  const int len = static_cast<int>(std::strcspn(out, "\r\n"));
  out[len] = '\n';
  return len + 1;
}

}  // namespace

// A quarter of a millisecond is below the timer's period; one period it is.
void WaitForInput(int) { SleepMs(1); }

int ReadWaitingInput(int, char* out) {
  if (first_call) SetUpInput();
  if (!is_pipe) return ReadConsoleLine(out);
  char chunk[kInputLineSize];
  return SplitPipeBytes(pipe_lines, chunk, ReadPipeBytes(chunk), out);
}
