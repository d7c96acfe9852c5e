// An engine at rest takes no processor time, and a search limited by time
// ends on time whatever its input does.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tempdir.h"
#include "uci_harness.h"

using namespace harness;

namespace {

// Processor seconds the engine has used: its main thread's only, or all of
// its threads'.
double ProcessorSeconds(pid_t pid, bool main_thread) {
  const std::string stat = "/proc/" + std::to_string(pid) + (main_thread ? "/task/" + std::to_string(pid) : "");
  std::ifstream in(stat + "/stat");
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::istringstream fields(text.substr(text.rfind(')') + 2));
  std::string field;
  double ticks = 0;
  // After the name: utime and stime are the 12th and 13th fields.
  for (int i = 1; i <= 13 && fields >> field; i++)
    if (i >= 12) ticks += std::stod(field);
  return ticks / double(sysconf(_SC_CLK_TCK));
}

// Times the engine's main thread, or all of its threads, went to sleep: a
// timed wait wakes many times a second, a wait for input or a search never.
long Sleeps(pid_t pid, bool main_thread) {
  long count = 0;
  for (const auto& task : std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/task")) {
    if (main_thread && task.path().filename() != std::to_string(pid)) continue;
    std::ifstream in(task.path() / "status");
    for (std::string line; std::getline(in, line);)
      if (line.rfind("voluntary_ctxt_switches:", 0) == 0) count += std::stol(line.substr(24));
  }
  return count;
}

struct Started {
  Engine e;
  std::string dir = MakeTempDir();
  explicit Started(const std::vector<std::string>& args) { Start(e, args, dir); }
  ~Started() {
    if (e.pid > 0) Quit(e);
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }
};

}  // namespace

// Nothing asked, a search answered, a result held for "stop", a ponder past
// its fixed time, an infinite search, a go that started no search (a refused
// position, a book move): the engine (or, while it searches, its main
// thread) waits without taking processor time, and still answers at once.
TEST(AtRest, NothingSpinsWhileNothingIsAsked) {
  const struct {
    std::vector<std::string> args, lines;
    std::string awaited;
    bool main_thread;  // the search runs on: only the main thread is at rest
    std::string answer_to;  // the line that then ends the wait
  } cases[] = {
      {{"-threads", "32"}, {"uci", "isready"}, "readyok", false, ""},
      {{"-threads", "8"}, {"position startpos", "go depth 5"}, "bestmove", false, ""},
      {{"-c"}, {"an 1"}, "Hash fill=", false, ""},
      // Bare kings: the search ends at its deepest at once, its result held.
      {{"-threads", "8"}, {"position fen 8/8/8/4k3/8/8/8/4K3 w - -", "go infinite"}, "info depth 66", false, "stop"},
      {{}, {"position startpos moves e2e4", "go ponder movetime 200"}, "info depth", true, "ponderhit"},
      // No clock to watch: the info lines, held back for a second, keep their own.
      {{"-noise", "1"}, {"position startpos", "go infinite"}, "info depth", true, "stop"},
      {{}, {"position fen 8/8/8/8 w - -", "go infinite"}, "info string Illegal", false, "stop"},
      {{}, {"position fen 8/8/8/8 w - -", "go ponder"}, "info string Illegal", false, "ponderhit"},
      {{}, {"setoption name OwnBook value true", "setoption name OwnBook_File value " KERV_TESTDATA_DIR "/book/book.bin",
            "position startpos", "go ponder"}, "info string book move", false, "stop"},
  };
  constexpr double kSeconds = 2.0, kAtRest = 0.1;
  constexpr long kFewSleeps = 50;
  for (const auto& c : cases) {
    Started s(c.args);
    for (const std::string& line : c.lines) Send(s.e, line);
    ASSERT_TRUE(WaitFor(s.e, c.awaited, 30.0)) << Tail(s.e);
    Drain(s.e, 0.5);  // past the ponder's fixed time (a search waits for the start-up's work)
    const double before = ProcessorSeconds(s.e.pid, c.main_thread);
    const long slept = Sleeps(s.e.pid, c.main_thread);
    Drain(s.e, kSeconds);
    EXPECT_LT(ProcessorSeconds(s.e.pid, c.main_thread) - before, kAtRest) << c.awaited << " " << c.answer_to;
    EXPECT_LT(Sleeps(s.e.pid, c.main_thread) - slept, kFewSleeps) << c.awaited << " " << c.answer_to;
    if (c.answer_to.empty()) continue;
    Send(s.e, c.answer_to);
    EXPECT_TRUE(WaitFor(s.e, "bestmove", 5.0)) << Tail(s.e);
  }
}

// Lines that keep coming do not hold up the clock: the search ends on time,
// and every line is answered.
TEST(OnTime, TimedSearchEndsWhileInputStreams) {
  constexpr int kBurst = 64;
  // Ten times the move time: twice as many spinning processes as processors
  // took half of that at worst; a clock held up by the input, seconds.
  constexpr double kLate = 2.0;
  for (const char* go : {"go movetime 200", "go wtime 3000 btime 3000"}) {
    Started s({});
    Send(s.e, "isready");
    ASSERT_TRUE(WaitFor(s.e, "readyok", 30.0)) << Tail(s.e);
    std::atomic<bool> answered{false}, streaming{true};
    std::atomic<int> sent{0};
    Send(s.e, "position startpos");
    Send(s.e, go);
    const double t0 = Now();
    std::string burst;
    for (int i = 0; i < kBurst; i++) burst += "isready\n";
    std::thread stream([&] {
      while (!answered && Now() - t0 < 15.0) {
        SendRaw(s.e, burst);
        sent += kBurst;
      }
      streaming = false;
    });
    int ready = 0;
    double seconds = 0.0;
    std::string line;
    // Read on until the stream has stopped: an engine whose output is not
    // read stops reading its input, and the stream's write would wait for ever.
    while ((!answered || streaming) && ReadLine(s.e, &line, 20.0)) {
      if (line == "readyok") ready++;
      if (line.rfind("bestmove", 0) == 0) {
        answered = true;
        seconds = Now() - t0;
      }
    }
    if (!answered) seconds = Now() - t0;
    stream.join();
    EXPECT_TRUE(answered) << go;
    EXPECT_LT(seconds, kLate) << go;
    while (ready < sent && ReadLine(s.e, &line, 10.0)) ready += line == "readyok";
    EXPECT_EQ(ready, sent.load()) << go;
  }
}
