#include "platform/input.h"

#include <windows.h>
#include <conio.h>

#include <cstdio>
#include <cstring>

#include "engine/input.h"

namespace {

bool first_call = true;
HANDLE input_handle;
bool is_pipe = false;
// A line a pipe read delivered without its end waits here for the rest.
char partial[kInputLineSize];
int partial_len = 0;

void SetUpInput() {
  first_call = false;
  input_handle = GetStdHandle(STD_INPUT_HANDLE);
  DWORD mode;
  is_pipe = !GetConsoleMode(input_handle, &mode);
  if (!is_pipe) {
    // Window and mouse events would make _kbhit report input no read returns.
    SetConsoleMode(input_handle, mode & ~(ENABLE_WINDOW_INPUT | ENABLE_MOUSE_INPUT));
    FlushConsoleInputBuffer(input_handle);
  }
}

void ReadPipe() {
  DWORD available = 0;
  if (!PeekNamedPipe(input_handle, nullptr, 0, nullptr, &available, nullptr) || available == 0)
    return;
  char chunk[kInputLineSize];
  DWORD n = 0;
  if (!ReadFile(input_handle, chunk, kMaxInputLine + 1, &n, nullptr)) return;
  for (DWORD i = 0; i < n; i++) {
    char c = chunk[i];
    if (c == '\n' || c == '\r' || c == 0) {
      QueueInputLine(partial, partial_len);
      partial_len = 0;
      continue;
    }
    partial[partial_len++] = c;
    // An over-long line goes on in pieces, as a console read would deliver it.
    if (partial_len == kMaxInputLine) {
      QueueInputLine(partial, partial_len);
      partial_len = 0;
    }
  }
}

void ReadConsole() {
  if (!_kbhit()) return;
  char buf[kInputLineSize];
  if (!std::fgets(buf, kMaxInputLine + 1, stdin)) return;
  QueueInputLine(buf, static_cast<int>(std::strcspn(buf, "\r\n")));
}

}  // namespace

void SleepMs(int ms) { SleepEx(ms, TRUE); }

// A quarter of a millisecond is below the timer's period; one period it is.
void WaitForInput(int) { SleepMs(1); }

void ReadWaitingInput(int) {
  if (first_call) SetUpInput();
  if (is_pipe)
    ReadPipe();
  else
    ReadConsole();
}
