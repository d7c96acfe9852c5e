// Drives the real engine binary through pipes: start it, send lines, read
// its lines with a deadline, and check the moves it names against the board.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "board/attacks.h"
#include "board/bitboard.h"
#include "board/fen.h"
#include "board/legal.h"
#include "board/makemove.h"
#include "board/movetext.h"
#include "engine/params.h"
#include "engine/uci.h"
#include "search/keys.h"
#include "search/records.h"

namespace harness {

inline double Now() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

struct Engine {
  pid_t pid = -1;
  int to_engine = -1;
  int from_engine = -1;
  std::string pending;  // bytes read past the last whole line
  std::vector<std::string> log;  // every line read, for failure messages
};

// What the engine's process gets beyond its switches: environment entries
// ("NAME=value") and a limit of its address space in bytes (0: none).
struct ChildSetting {
  std::vector<std::string> env;
  size_t address_space = 0;
};

// Starts the binary with the given switches in dir (empty: the current one).
inline bool Start(Engine& e, const std::vector<std::string>& args, const std::string& dir = "",
                  const ChildSetting& child = {}) {
  int in[2], out[2];
  if (pipe(in) || pipe(out)) return false;
  e.pid = fork();
  if (e.pid < 0) return false;
  if (e.pid == 0) {
    dup2(in[0], 0);
    dup2(out[1], 1);
    close(in[1]);
    close(out[0]);
    if (!dir.empty() && chdir(dir.c_str()) != 0) _exit(126);
    for (const std::string& entry : child.env) putenv(const_cast<char*>(entry.c_str()));
    const rlimit limit = {child.address_space, child.address_space};
    if (child.address_space && setrlimit(RLIMIT_AS, &limit) != 0) _exit(125);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(KERV_BINARY));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(KERV_BINARY, argv.data());
    _exit(127);
  }
  close(in[0]);
  close(out[1]);
  e.to_engine = in[1];
  e.from_engine = out[0];
  signal(SIGPIPE, SIG_IGN);
  return true;
}

inline void SendRaw(Engine& e, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = write(e.to_engine, bytes.data() + done, bytes.size() - done);
    if (n <= 0) return;
    done += size_t(n);
  }
}

inline void Send(Engine& e, const std::string& line) { SendRaw(e, line + "\n"); }

// Next whole line within timeout seconds; false on time-out or end of output.
inline bool ReadLine(Engine& e, std::string* line, double timeout) {
  const double deadline = Now() + timeout;
  for (;;) {
    size_t nl = e.pending.find('\n');
    if (nl != std::string::npos) {
      *line = e.pending.substr(0, nl);
      e.pending.erase(0, nl + 1);
      e.log.push_back(*line);
      return true;
    }
    double left = deadline - Now();
    if (left <= 0) return false;
    pollfd p{e.from_engine, POLLIN, 0};
    if (poll(&p, 1, int(left * 1000) + 1) <= 0) continue;
    char buf[4096];
    ssize_t n = read(e.from_engine, buf, sizeof buf);
    if (n <= 0) return false;
    e.pending.append(buf, size_t(n));
  }
}

// Reads until a line starting with prefix; the lines before it (and it) go to
// lines when given.
inline bool WaitFor(Engine& e, const std::string& prefix, double timeout, std::string* found = nullptr,
                    std::vector<std::string>* lines = nullptr) {
  const double deadline = Now() + timeout;
  std::string line;
  while (ReadLine(e, &line, deadline - Now())) {
    if (lines) lines->push_back(line);
    if (line.compare(0, prefix.size(), prefix) == 0) {
      if (found) *found = line;
      return true;
    }
  }
  return false;
}

// Every line that arrives within seconds.
inline std::vector<std::string> Drain(Engine& e, double seconds) {
  std::vector<std::string> lines;
  std::string line;
  const double deadline = Now() + seconds;
  while (ReadLine(e, &line, deadline - Now())) lines.push_back(line);
  return lines;
}

// Closes the engine's input and waits for its exit, its output left to read;
// returns the exit status, or -1 when the engine had to be killed.
inline int EndInput(Engine& e, double timeout = 10.0) {
  close(e.to_engine);
  const double deadline = Now() + timeout;
  int status = 0;
  while (Now() < deadline) {
    pid_t r = waitpid(e.pid, &status, WNOHANG);
    if (r == e.pid) return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    usleep(2000);
  }
  kill(e.pid, SIGKILL);
  waitpid(e.pid, &status, 0);
  return -1;
}

// Sends "quit" and waits for the exit, as EndInput.
inline int Quit(Engine& e, double timeout = 10.0) {
  Send(e, "quit");
  const int status = EndInput(e, timeout);
  close(e.from_engine);
  e.pid = -1;  // gone: nothing left to quit
  return status;
}

// The address space the engine has mapped, in bytes; 0 when it cannot be read.
inline size_t MappedBytes(const Engine& e) {
  std::ifstream status("/proc/" + std::to_string(e.pid) + "/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmSize:", 0) == 0) return std::stoull(line.substr(7)) * 1024;
  return 0;
}

inline std::string Tail(const Engine& e, size_t n = 20) {
  std::string s;
  for (size_t i = e.log.size() > n ? e.log.size() - n : 0; i < e.log.size(); i++) s += e.log[i] + "\n";
  return s;
}

// The word after key in line, or "".
inline std::string Field(const std::string& line, const std::string& key) {
  const std::string padded = " " + line + " ";
  size_t p = padded.find(" " + key + " ");
  if (p == std::string::npos) return "";
  p += key.size() + 2;
  return padded.substr(p, padded.find(' ', p) - p);
}

// A board of the test's own, to check the engine's moves.
struct Board {
  ThreadRecord* td;
  Board() {
    static bool ready = false;
    if (!ready) {
      InitBitboards();
      InitHashKeys();
      PBlock.protocol = 1;  // moves as the protocol writes them
      ready = true;
    }
    td = NewThreadRecord(254);
  }
  ~Board() { delete td; }
  Position* pos() { return &td->pos; }
  bool Set(const std::string& fen) { return SetPosition(pos(), fen.c_str()) != kSetRejected; }
  // Plays text if it is a legal move; false otherwise.
  bool Play(const std::string& text) {
    Move m = FindLegalMove(pos(), text.c_str());
    if (!m) return false;
    MakeMove(pos(), m);
    td->search_ply = 1;
    return true;
  }
  bool Legal(const std::string& text) { return FindLegalMove(pos(), text.c_str()) != 0; }
  int MoveCount() {
    Move moves[256];
    return LegalMoves(pos(), moves);
  }
};

}  // namespace harness
