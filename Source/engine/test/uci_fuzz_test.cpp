// Hostile input: random and mutated command lines must neither crash nor
// hang the engine, and it must still answer afterwards.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "uci_harness.h"

using namespace harness;

namespace {

constexpr int kShards = 8;
constexpr int kLinesPerShard = 1250;  // 10,000 lines in all

const std::vector<std::string> kCorpus = {
    "uci",
    "isready",
    "ucinewgame",
    "debug on",
    "_show",
    "stop",
    "ponderhit",
    "position startpos",
    "position startpos moves e2e4 e7e5 g1f3 b8c6 f1b5 a7a6",
    "position startpos moves e2e4 e7e5 e1e2 e8e7 e2e1 e7e8",
    "position fen r1bqkb1r/pp1ppppp/2n2n2/8/3NP3/2N5/PPP2PPP/R1BQKB1R b KQkq - 3 5 moves f6e4 c3e4",
    "position fen 8/P7/8/8/8/8/7p/k6K w - - moves a7a8q h2h1n",
    "position fen k7/8/1K6/8/8/8/8/7R b - -",
    "position fen 7k/5KQ1/8/8/8/8/8/8 b - -",
    "position fen 8/8/8/8/8/8/8/8 w - -",
    "position fen KKKKKKKK/kkkkkkkk/QQQQQQQQ/qqqqqqqq/8/8/PPPPPPPP/pppppppp w KQkq a9",
    "position fen rnbqkbnr/pppppppp/9/9/9/9/PPPPPPPP/RNBQKBNR x ZZZZ zz 99999999999 -5",
    "position fen 4k3/8/8/8/8/8/8/4K2R w KQkq e3 0 1 moves e1g1",
    "position fen 4k3/8/8/8/8/8/8/R3K2R b KQ - moves e8d8 e1c1",
    "go depth 1",
    "go depth 3",
    "go nodes 2000",
    "go movetime 20",
    "go wtime 500 btime 500 winc 10 binc 10",
    "go wtime 100 btime 100 movestogo 1",
    "go infinite",
    "go ponder wtime 300 btime 300",
    "go depth 99999999999999999999999 nodes -1",
    "go wtime -99999999999 btime 99999999999999999 winc -5 binc 9223372036854775808",
    "go movetime 0",
    "setoption name MultiPV value 3",
    "setoption name MultiPV value 1",
    "setoption name Contempt value -150",
    "setoption name Ponder value true",
    "setoption name Clear_Hash",
    "setoption name OwnBook value true",
    "setoption name OwnBook_File value /nonexistent/book@x.bin",
    "setoption name SyzygyPath value /nonexistent",
    "setoption name UCI_Elo value 1600",
    "setoption name UCI_LimitStrength value false",
    "setoption name Mtl_Queen value 1500,",
    "setoption name Log value true",
    "setoption name MoveOverhead value -3",
    "setoption name SyzygyProbeDepth5 value 99999999999999999999",
};

const std::vector<std::string> kNoise = {
    " ", "  ", "moves", "fen", "startpos", "value", "name", "depth", "wtime", "infinite", "ponder",
    "99999999999999999999", "-2147483649", "4294967296", "@", "\t", "\r", "e7e8q", "a1a1", "0000", "null",
};

// Option changes that would make the run slow or huge are kept small.
bool Unsafe(const std::string& line) {
  return line.find("Hash") != std::string::npos || line.find("Threads") != std::string::npos ||
         line.find("quit") != std::string::npos;
}

std::string Mutate(std::mt19937& rng, std::string line) {
  auto pick = [&](size_t n) { return size_t(rng() % (n ? n : 1)); };
  switch (rng() % 9) {
    case 0:  // truncated
      line.resize(pick(line.size() + 1));
      break;
    case 1:  // random bytes anywhere (but no line ends)
      for (int i = 0, n = 1 + int(rng() % 5); i < n && !line.empty(); i++) {
        char c = char(rng() % 256);
        if (c == '\n') c = 'x';
        line[pick(line.size())] = c;
      }
      break;
    case 2:  // noise words inserted
    {
      std::string word(" ");
      word += kNoise[pick(kNoise.size())];
      word += ' ';
      line.insert(pick(line.size() + 1), word);
    }
      break;
    case 3:  // a long line, sometimes past the reader's limit
      line += ' ';
      line.append(100 + pick(6000), "abcdefgh12345678 "[pick(17)]);
      break;
    case 4: {  // pure binary
      std::string b(1 + pick(300), ' ');
      for (char& c : b) {
        c = char(rng() % 256);
        if (c == '\n') c = 0;
      }
      line = b;
      break;
    }
    case 5:  // doubled and trailing blanks
    {
      std::string doubled;
      for (char c : line) {
        doubled += c;
        if (c == ' ') doubled += ' ';
      }
      line = doubled + "   ";
    }
      break;
    case 6: {  // a word swapped with a noise word
      size_t p = line.rfind(' ');
      if (p != std::string::npos) line.resize(p + 1);
      line.append(kNoise[pick(kNoise.size())]);
      break;
    }
    default:  // left as it is
      break;
  }
  return line;
}

std::string TempDir() {
  char tmpl[] = "/tmp/kerv_fuzz_XXXXXX";
  const char* d = mkdtemp(tmpl);
  return d ? d : "/tmp";
}

class UciFuzz : public ::testing::TestWithParam<int> {};

TEST_P(UciFuzz, SurvivesHostileLines) {
  std::mt19937 rng(12345u + unsigned(GetParam()));
  std::vector<std::string> lines;
  while (lines.size() < size_t(kLinesPerShard)) {
    std::string line = kCorpus[rng() % kCorpus.size()];
    if (rng() % 4) line = Mutate(rng, line);
    if (!Unsafe(line)) lines.push_back(line);
  }
  const std::string dir = TempDir();
  Engine e;
  ASSERT_TRUE(Start(e, {"-hash", "4"}, dir));
  const std::string marker = "setoption name OwnBook_File value fuzz-end-" + std::to_string(GetParam());
  // A writer of its own, so that neither side's pipe can fill and block.
  std::thread writer([&] {
    for (const std::string& l : lines) Send(e, l);
    Send(e, "stop");
    Send(e, marker);
    Send(e, "isready");
  });
  const double deadline = Now() + 90.0;
  std::string line;
  bool marker_seen = false, ready = false;
  while (!ready && ReadLine(e, &line, deadline - Now())) {
    if (line == "info string OwnBook_File set to 'fuzz-end-" + std::to_string(GetParam()) + "'") marker_seen = true;
    if (marker_seen && line == "readyok") ready = true;
  }
  writer.join();
  EXPECT_TRUE(ready) << "no readyok after the hostile lines\n" << Tail(e);
  EXPECT_EQ(Quit(e), 0);
  std::error_code ec;
  std::filesystem::remove_all(dir, ec);
}

INSTANTIATE_TEST_SUITE_P(Shards, UciFuzz, ::testing::Range(0, kShards));

}  // namespace
