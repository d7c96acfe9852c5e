// Drives a Windows console program through pipes that Windows itself makes,
// as a chess GUI does; an emulator hands a host pipe on as a handle of
// another kind, so the engine's reading of a Windows pipe is only exercised
// this way.
//
// Usage: win-pipe-session.exe [-nowait] "program and arguments" line...
// Each line is written to the program's input; the line "wait:TEXT" instead
// waits until the program has printed a line starting with TEXT, and
// "sleep:MS" pauses for MS milliseconds. -nowait hands the program its input
// pipe in no-wait mode, as some controllers do. Everything
// the program prints is copied to standard output. The exit status is the
// program's, or 1 when it ended before a wait was met.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

// Copies the program's output lines until one starts with text (nullptr: to
// the end). Returns false when the output ends first.
static bool CopyUntil(HANDLE out, std::string& pending, const char* text) {
  for (;;) {
    size_t end;
    while ((end = pending.find('\n')) != std::string::npos) {
      std::string line = pending.substr(0, end);
      pending.erase(0, end + 1);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      std::printf("%s\n", line.c_str());
      if (text && line.rfind(text, 0) == 0) return true;
    }
    char buf[4096];
    DWORD n = 0;
    if (!ReadFile(out, buf, sizeof buf, &n, nullptr) || n == 0) return !text;
    pending.append(buf, n);
  }
}

int main(int argc, char** argv) {
  const bool no_wait = argc > 1 && std::strcmp(argv[1], "-nowait") == 0;
  if (no_wait) {
    argv++;
    argc--;
  }
  if (argc < 2) {
    std::fprintf(stderr, "usage: win-pipe-session.exe [-nowait] \"program args\" line...\n");
    return 2;
  }
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE in_read, in_write, out_read, out_write;
  if (!CreatePipe(&in_read, &in_write, &inherit, 0) || !CreatePipe(&out_read, &out_write, &inherit, 0))
    return 2;
  SetHandleInformation(in_write, HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(out_read, HANDLE_FLAG_INHERIT, 0);
  DWORD no_wait_mode = PIPE_READMODE_BYTE | PIPE_NOWAIT;
  if (no_wait && !SetNamedPipeHandleState(in_read, &no_wait_mode, nullptr, nullptr)) return 2;
  STARTUPINFOA start{};
  start.cb = sizeof start;
  start.dwFlags = STARTF_USESTDHANDLES;
  start.hStdInput = in_read;
  start.hStdOutput = out_write;
  start.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION child;
  if (!CreateProcessA(nullptr, argv[1], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &start, &child)) {
    std::fprintf(stderr, "cannot start %s\n", argv[1]);
    return 2;
  }
  CloseHandle(in_read);
  CloseHandle(out_write);

  std::string pending;
  for (int i = 2; i < argc; i++) {
    if (std::strncmp(argv[i], "wait:", 5) == 0) {
      if (!CopyUntil(out_read, pending, argv[i] + 5)) return 1;
      continue;
    }
    if (std::strncmp(argv[i], "sleep:", 6) == 0) {
      Sleep(DWORD(std::atoi(argv[i] + 6)));
      continue;
    }
    const std::string line = std::string(argv[i]) + "\n";
    DWORD written;
    WriteFile(in_write, line.data(), DWORD(line.size()), &written, nullptr);
  }
  CloseHandle(in_write);
  CopyUntil(out_read, pending, nullptr);
  WaitForSingleObject(child.hProcess, INFINITE);
  DWORD status = 1;
  GetExitCodeProcess(child.hProcess, &status);
  return int(status);
}
