// Runs the engine binary behind two pipes: lines in, lines out with a
// deadline, so a test that goes wrong fails instead of hanging.
#pragma once
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

struct EnginePipe {
  pid_t pid = -1;
  int to = -1, from = -1;
  std::string pending;

  static double Now() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
  }

  bool Start(const std::vector<std::string>& args, const std::string& dir = "") {
    int in[2], out[2];
    if (pipe(in) || pipe(out)) return false;
    pid = fork();
    if (pid < 0) return false;
    if (pid == 0) {
      dup2(in[0], 0);
      dup2(out[1], 1);
      close(in[1]);
      close(out[0]);
      if (!dir.empty() && chdir(dir.c_str()) != 0) _exit(126);
      std::vector<char*> argv{const_cast<char*>(KERV_BINARY)};
      for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      execv(KERV_BINARY, argv.data());
      _exit(127);
    }
    close(in[0]);
    close(out[1]);
    to = in[1];
    from = out[0];
    signal(SIGPIPE, SIG_IGN);
    return true;
  }

  void Send(const std::string& line) {
    const std::string bytes = line + "\n";
    size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = write(to, bytes.data() + done, bytes.size() - done);
      if (n <= 0) return;
      done += size_t(n);
    }
  }

  // The next line within timeout seconds; false on time-out or end of output.
  bool ReadLine(std::string* line, double timeout) {
    const double deadline = Now() + timeout;
    for (;;) {
      const size_t nl = pending.find('\n');
      if (nl != std::string::npos) {
        *line = pending.substr(0, nl);
        pending.erase(0, nl + 1);
        return true;
      }
      const double left = deadline - Now();
      if (left <= 0) return false;
      pollfd p{from, POLLIN, 0};
      if (poll(&p, 1, int(left * 1000) + 1) <= 0) continue;
      char buf[8192];
      const ssize_t n = read(from, buf, sizeof buf);
      if (n <= 0) return false;
      pending.append(buf, size_t(n));
    }
  }

  // Reads up to and including the first line that starts with prefix; the
  // lines read go to lines when given.
  bool WaitFor(const std::string& prefix, double timeout, std::string* found = nullptr,
               std::vector<std::string>* lines = nullptr) {
    const double deadline = Now() + timeout;
    std::string line;
    while (ReadLine(&line, deadline - Now())) {
      if (lines) lines->push_back(line);
      if (line.compare(0, prefix.size(), prefix) == 0) {
        if (found) *found = line;
        return true;
      }
    }
    return false;
  }

  // Sends "quit" and waits for the exit status (-1 when it had to be killed).
  int Quit(double timeout = 10.0) {
    Send("quit");
    const double deadline = Now() + timeout;
    int status = 0;
    while (Now() < deadline) {
      if (waitpid(pid, &status, WNOHANG) == pid) {
        Close();
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      }
      usleep(5000);
    }
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    Close();
    return -1;
  }

  void Close() {
    if (to >= 0) close(to);
    if (from >= 0) close(from);
    to = from = -1;
    pid = -1;
  }

  ~EnginePipe() {
    if (pid > 0) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
    }
    Close();
  }
};
