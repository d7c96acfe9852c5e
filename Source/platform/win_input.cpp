#include "platform/input.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

#include "platform/pipelines.h"

namespace {

// Standard input is read by a thread of its own with plain blocking reads:
// that is the one way every kind of input (a console, a pipe, which cannot
// be waited on, a file, a device such as NUL) can be waited for with a time
// limit, and it never holds up the main thread. The reader hands its lines
// over and signals the wake event, on which the main thread waits.
bool set_up = false;
HANDLE input_handle;
DWORD read_size = kMaxInputLine;  // bytes asked for by one read
// Older consoles refuse a read of 64 KB; a long line comes in pieces.
constexpr DWORD kConsoleReadSize = 4096;
bool input_ended = false;  // main thread: the input ended and every line was taken

CRITICAL_SECTION handover_lock;
HANDLE taken_event;  // the main thread took lines: room for more
char handover[kReadSize];  // lines read and not yet taken
int handover_len = 0;
bool handover_ended = false;  // no lines come after these

// Reader thread only.
PipeLines pipe_lines;
char chunk[kMaxInputLine];  // one read, of read_size bytes
char lines[kReadSize];      // its lines
// The lines of a read, the end of a held one and the last, unended, one.
static_assert(sizeof pipe_lines.held + sizeof chunk + 1 <= kReadSize);

// Made on first use, by whichever thread wakes or waits first.
HANDLE WakeEvent() {
  static const HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  return event;
}

// The longest pause between two reads that found nothing: one tick of the
// system's default timer.
constexpr DWORD kLongestRetryMs = 16;

// Bytes read into chunk, waiting for them; -1 once the input has ended. A
// console read that begins with Ctrl+Z, a file at its end and the NUL device
// read nothing; a pipe whose writer has closed it fails with a broken pipe.
// What POSIX retries (an interrupted read, a pipe with nothing yet) is tried
// again. Only a pipe whose no-wait mode could not be changed (WaitingReads)
// has nothing again and again: the pause grows, so an idle input is not
// looked at a thousand times a second.
int ReadBytes() {
  for (DWORD pause = 1;; pause = std::min(2 * pause, kLongestRetryMs)) {
    DWORD n = 0;
    if (ReadFile(input_handle, chunk, read_size, &n, nullptr)) return n ? int(n) : -1;
    const DWORD error = GetLastError();
    // A message longer than the buffer comes in pieces.
    if (error == ERROR_MORE_DATA) return int(n);
    if (error != ERROR_OPERATION_ABORTED && error != ERROR_NO_DATA) return -1;
    Sleep(pause);
  }
}

// A pipe in no-wait mode answers a read at once, with nothing when nothing
// has come: it is set to wait for its bytes, in the read mode it had. Only
// this read end changes; the writer's end keeps its mode.
void WaitingReads(HANDLE pipe) {
  DWORD state = 0;
  if (!GetNamedPipeHandleState(pipe, &state, nullptr, nullptr, nullptr, nullptr, 0) || !(state & PIPE_NOWAIT))
    return;
  DWORD mode = (state & PIPE_READMODE_MESSAGE) | PIPE_WAIT;
  SetNamedPipeHandleState(pipe, &mode, nullptr, nullptr);
}

// Appends n bytes of lines to what waits for the main thread, once there is
// room for them, and wakes it.
void HandOver(const char* text, int n, bool ended) {
  EnterCriticalSection(&handover_lock);
  while (handover_len + n > kReadSize) {
    LeaveCriticalSection(&handover_lock);
    WaitForSingleObject(taken_event, INFINITE);
    EnterCriticalSection(&handover_lock);
  }
  std::memcpy(handover + handover_len, text, size_t(n));
  handover_len += n;
  handover_ended = ended;
  LeaveCriticalSection(&handover_lock);
  SetEvent(WakeEvent());
}

DWORD WINAPI ReadInput(void*) {
  for (bool ended = false; !ended;) {
    const int n = ReadBytes();
    ended = n < 0;
    int written = SplitPipeBytes(pipe_lines, chunk, ended ? 0 : n, lines);
    if (ended) written += EndPipeLines(pipe_lines, lines + written);
    if (written > 0 || ended) HandOver(lines, written, ended);
  }
  return 0;
}

void SetUpInput() {
  set_up = true;
  input_handle = GetStdHandle(STD_INPUT_HANDLE);
  // Started without standard input: it has ended before it began.
  if (input_handle == nullptr || input_handle == INVALID_HANDLE_VALUE) {
    input_ended = true;
    return;
  }
  DWORD mode;
  if (GetConsoleMode(input_handle, &mode)) {
    read_size = kConsoleReadSize;
    // Window and mouse events are of no use to a line reader. What was typed
    // during the start-up stays, to be read as the first lines.
    SetConsoleMode(input_handle, mode & ~DWORD(ENABLE_WINDOW_INPUT | ENABLE_MOUSE_INPUT));
  } else if (GetFileType(input_handle) == FILE_TYPE_PIPE) {
    WaitingReads(input_handle);
  }
  InitializeCriticalSection(&handover_lock);
  taken_event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  HANDLE reader = taken_event && WakeEvent() ? CreateThread(nullptr, 0, ReadInput, nullptr, 0, nullptr)
                                             : nullptr;
  // Input that cannot be read has ended, as on POSIX.
  if (!reader) {
    input_ended = true;
    return;
  }
  CloseHandle(reader);
}

}  // namespace

bool InputEnded() { return input_ended; }

void WakeInputWait() { SetEvent(WakeEvent()); }

void WaitForInput(int us) {
  if (!set_up) SetUpInput();
  const DWORD ms = us < 0 ? INFINITE : DWORD((us + 999) / 1000);
  // Without the event nothing could end the wait: it looks again soon.
  if (!WakeEvent()) {
    Sleep(std::min<DWORD>(ms, 1));
    return;
  }
  WaitForSingleObject(WakeEvent(), ms);
}

int ReadWaitingInput(int, char* out) {
  if (!set_up) SetUpInput();
  if (input_ended) return 0;
  EnterCriticalSection(&handover_lock);
  const int n = handover_len;
  std::memcpy(out, handover, size_t(n));
  handover_len = 0;
  input_ended = handover_ended;
  LeaveCriticalSection(&handover_lock);
  if (n > 0) SetEvent(taken_event);
  return n;
}
