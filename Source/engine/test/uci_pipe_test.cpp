// The engine as a controller sees it: lines in, lines out, through pipes.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "tempdir.h"
#include "uci_harness.h"

using namespace harness;

namespace {

std::string TempDir() {
  char tmpl[] = "/tmp/kerv_uci_XXXXXX";
  const char* d = mkdtemp(tmpl);
  return d ? d : "/tmp";
}

// An engine in its own directory, so parallel tests do not share a log.
struct Session {
  Engine e;
  std::string dir = TempDir();
  // The engine answers only after its start-up speed calibration.
  explicit Session(const std::vector<std::string>& args = {}, const ChildSetting& child = {}) {
    Start(e, args, dir, child);
    EXPECT_TRUE(WaitFor(e, "info string et=", 10.0)) << Tail(e);
  }
  ~Session() {
    if (e.pid > 0) Quit(e);
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }
  // Sends line, then "isready", and returns every line before "readyok".
  std::vector<std::string> Ask(const std::string& line) {
    Send(e, line);
    Send(e, "isready");
    std::vector<std::string> lines;
    EXPECT_TRUE(WaitFor(e, "readyok", 10.0, nullptr, &lines)) << line << "\n" << Tail(e);
    if (!lines.empty()) lines.pop_back();
    return lines;
  }
  // Lines of "uci" from "id name" through "uciok".
  std::vector<std::string> Options() {
    Send(e, "uci");
    std::vector<std::string> lines;
    EXPECT_TRUE(WaitFor(e, "uciok", 10.0, nullptr, &lines));
    while (!lines.empty() && lines.front().rfind("id name", 0) != 0) lines.erase(lines.begin());
    return lines;
  }
};

struct SearchResult {
  std::vector<std::string> lines;
  std::string best, ponder, info;  // info: the line before "bestmove"
  double seconds = 0;
  bool ok = false;
};

// Sends go (nothing when empty) and reads through the next "bestmove".
SearchResult Go(Engine& e, const std::string& go, double timeout = 30.0) {
  SearchResult r;
  const double t0 = Now();
  if (!go.empty()) Send(e, go);
  std::string line;
  r.ok = WaitFor(e, "bestmove", timeout, &line, &r.lines);
  r.seconds = Now() - t0;
  r.best = Field(line + " ", "bestmove");
  r.ponder = Field(line + " ", "ponder");
  r.info = r.lines.size() > 1 ? r.lines[r.lines.size() - 2] : "";
  return r;
}

// The main loop answers within one 5 ms pass; a second leaves room for a busy
// machine and still catches an answer that waits for a search to end.
constexpr double kPrompt = 1.0;

// Sends "stop" to a search whose answer waits for it, and reads the answer.
SearchResult Stop(Engine& e) {
  SearchResult r = Go(e, "stop");
  EXPECT_LT(r.seconds, kPrompt) << "stop answered late";
  return r;
}

// Checks bestmove and ponder against a board set up like the engine's.
void ExpectLegal(const SearchResult& r, Board& b) {
  ASSERT_TRUE(r.ok);
  ASSERT_TRUE(b.Legal(r.best)) << "illegal bestmove " << r.best;
  if (!r.ponder.empty()) {
    Board after;
    after.td->pos = b.td->pos;
    after.td->pos.owner = after.td;
    ASSERT_TRUE(after.Play(r.best));
    EXPECT_TRUE(after.Legal(r.ponder)) << "illegal ponder " << r.ponder << " after " << r.best;
  }
}

// A legal game on b that never runs out of moves.
std::string RandomGame(Board& b, int plies) {
  std::mt19937 rng(7);
  b.Set(fen_opn);
  std::string game = "position startpos moves";
  for (int ply = 0; ply < plies; ply++) {
    Move list[256];
    const int n = LegalMoves(b.pos(), list);
    // From a random start, the first move that leaves the other side a reply.
    for (unsigned i = rng(); MakeMove(b.pos(), list[i % n]), b.MoveCount() == 0; i++) UnmakeMove(b.pos());
    char text[8];
    game += std::string(" ") + MoveToStr(b.td->last_move, text);
    b.td->game_ply = 0;  // the test board keeps no history
  }
  return game;
}

const std::vector<std::string> kOptionLines = {
    "id name Kerv 3.75",
    "id author Tavo Merrick",
    "option name Hash type spin default 64 min 0 max 8192",
    "option name Threads type spin default 1 min 1 max 80",
    "option name Clear_Hash type button",
    "option name OwnBook type check default false",
    "option name OwnBook_File type string default ",
    "option name OwnBook_Depth type spin default 28 min 0 max 60",
    "option name OwnBook_Variety type spin default 25 min 0 max 100",
    "option name SyzygyPath type string default ",
    "option name SyzygyProbeDepth5 type spin default 0 min -5 max 100",
    "option name SyzygyProbeDepth6 type spin default 2 min -5 max 100",
    "option name Log type check default false",
    "option name Ponder type check default true",
    "option name Contempt type spin default 0 min -150 max 150",
    "option name MultiPV type spin default 1 min 1 max 255",
    "option name MoveOverhead type spin default 50 min 0 max 5000",
    "option name UCI_LimitStrength type check default false",
    "option name UCI_Elo type spin default 3000 min 1500 max 3000",
    "uciok",
};

const std::vector<std::string> kExtraLines = {
    "option name NMP_depth type spin default 3 min 2 max 100",
    "option name SEP_depth type spin default 3 min 1 max 9",
    "option name SEP_margin type spin default 75 min 0 max 256",
    "option name FP_depth type spin default 3 min 1 max 9",
    "option name FP_margin type spin default 125 min 0 max 256",
    "option name LMP_depth type spin default 5 min 1 max 9",
    "option name LMP_count type spin default 3 min 0 max 10",
    "option name LMR_depth type spin default 3 min 3 max 100",
    "option name LMR_strength type spin default 100 min 0 max 200",
    "option name Mtl_Pawn type string default 90,110",
    "option name Mtl_Knight type string default 380,360",
    "option name Mtl_Bishop type string default 390,370",
    "option name Mtl_Rook type string default 530,630",
    "option name Mtl_Queen type string default 1180,1180",
    "option name Passed_Pawn type string default 90,135",
    "option name King_Safety type string default 100,0",
    "option name Piece_Square_Tables type string default 100,100",
    "option name Mobility type string default 100,100",
    "option name Pawn_Structure type string default 100,100",
    "option name Threats type string default 100,100",
};

std::vector<std::string> Expected(bool extra) {
  std::vector<std::string> v = kOptionLines;
  if (extra) v.insert(v.end() - 1, kExtraLines.begin(), kExtraLines.end());
  return v;
}

}  // namespace

// The same lines on every start, UCI_Elo's range included.
TEST(UciPipe, OptionListIsExact) {
  for (int start = 0; start < 2; start++) {
    Session s;
    const auto lines = s.Options();
    EXPECT_EQ(lines, Expected(false));
    EXPECT_EQ(lines.size(), 2u + 17u + 1u);
    // A setoption never changes the printed defaults.
    s.Ask("setoption name Hash value 16");
    EXPECT_EQ(s.Options(), lines);
  }
  {
    Session s({"-uci_extra"});
    const auto lines = s.Options();
    EXPECT_EQ(lines, Expected(true));
    EXPECT_EQ(lines.size(), 2u + 37u + 1u);
  }
  {
    // Switches are the defaults that "uci" reports.
    Session s({"-hash", "16", "-threads", "2", "-log", "-nps", "100000"});
    const auto lines = s.Options();
    EXPECT_EQ(lines[2], "option name Hash type spin default 16 min 0 max 8192");
    EXPECT_EQ(lines[3], "option name Threads type spin default 2 min 1 max 80");
    EXPECT_EQ(lines[12], "option name Log type check default true");
    EXPECT_EQ(lines[18], "option name UCI_Elo type spin default 2614 min 1500 max 3000");
  }
}

TEST(UciPipe, SetoptionEchoesAndClamps) {
  Session s({"-uci_extra"});
  const std::vector<std::pair<std::string, std::vector<std::string>>> cases = {
      // Both before "isready", which would take the largest table's pages.
      {"setoption name Hash value 100000\nsetoption name Hash value 8",
       {"info string Hash set to 8192", "info string Hash set to 8"}},
      {"setoption name Threads value 0", {"info string Threads set to 1"}},
      {"setoption name Threads value 3", {"info string Threads set to 3"}},
      {"setoption name Threads value 3", {"info string Threads set to 3"}},
      {"setoption name Threads value 999", {"info string Threads set to 80"}},
      {"setoption name Threads value 1", {"info string Threads set to 1"}},
      {"setoption name Clear_Hash", {"info string Hash table cleared"}},
      {"setoption name Clear_Hash value x", {"info string Hash table cleared"}},
      {"setoption name Ponder value True", {"info string Ponder set to 1"}},
      {"setoption name Ponder value true", {"info string Ponder set to 1"}},
      {"setoption name OwnBook value untrue", {"info string OwnBook set to 1"}},
      {"setoption name OwnBook value false", {"info string OwnBook set to 0"}},
      {"setoption name UCI_LimitStrength value false", {"info string UCI_LimitStrength set to 0"}},
      {"setoption name Log value false", {"info string Log set to 0"}},
      {"setoption name Contempt value -50", {"info string Contempt set to -50"}},
      {"setoption name Contempt value -500", {"info string Contempt set to -150"}},
      {"setoption name Contempt value 151", {"info string Contempt set to 150"}},
      {"setoption name Contempt value 0", {"info string Contempt set to 0"}},
      {"setoption name MultiPV value 0", {"info string MultiPV set to 1"}},
      {"setoption name MultiPV value 256", {"info string MultiPV set to 255"}},
      {"setoption name MultiPV value 1", {"info string MultiPV set to 1"}},
      {"setoption name MoveOverhead value 99999", {"info string MoveOverhead set to 5000"}},
      {"setoption name MoveOverhead value x", {"info string MoveOverhead value 'x' is not a whole number, not changed"}},
      {"setoption name MoveOverhead value 50", {"info string MoveOverhead set to 50"}},
      {"setoption name OwnBook_Depth value 61", {"info string OwnBook_Depth set to 60"}},
      {"setoption name OwnBook_Variety value -1", {"info string OwnBook_Variety set to 0"}},
      {"setoption name SyzygyProbeDepth5 value -9", {"info string SyzygyProbeDepth5 set to -5"}},
      {"setoption name SyzygyProbeDepth6 value 200", {"info string SyzygyProbeDepth6 set to 100"}},
      {"setoption name OwnBook_File value books/a@b.bin", {"info string OwnBook_File set to 'books/a@b.bin'"}},
      {"setoption name NMP_depth value 1", {"info string NMP_depth set to 2"}},
      {"setoption name LMR_strength value 250", {"info string LMR_strength set to 200"}},
      {"setoption name Mtl_Queen value 1500", {"info string Mtl_Queen set to 1500,1180", ""}},
      {"setoption name Passed_Pawn value 300,-4", {"info string Passed_Pawn set to 230,0", ""}},
      {"setoption name NoSuchOption value 3", {"info string unknown option NoSuchOption"}},
      {"setoption name Hash", {"info string Hash value missing, not changed"}},
      {"setoption name MultiPV", {"info string MultiPV value missing, not changed"}},
      {"setoption name Ponder", {"info string Ponder value missing, not changed"}},
      {"setoption name", {}},
      {"setoption", {}},
      {"setoption name hash value 5", {"info string Hash set to 5"}},
      {"setoption name multipv value 3", {"info string MultiPV set to 3"}},
      {"setoption name PONDER value TRUE", {"info string Ponder set to 1"}},
      {"setoption name Foo", {"info string unknown option Foo"}},
      // Clamped to the range the option line names, then the speed that stands for it.
      {"setoption name UCI_Elo value 1000", {"info string UCI_Elo set to 1500", "info string target nps = 24"}},
      {"setoption name UCI_Elo value 9999", {"info string UCI_Elo set to 3000", "info string target nps = 1000000000"}},
  };
  for (const auto& [cmd, expected] : cases) EXPECT_EQ(s.Ask(cmd), expected) << cmd;


  // Empty means no tables: the working directory is not scanned.
  EXPECT_EQ(s.Ask("setoption name SyzygyPath value"), std::vector<std::string>{"info string SyzygyPath set to ''"});

  // Without -uci_extra the tuning options are unknown names.
  Session plain;
  EXPECT_EQ(plain.Ask("setoption name Mtl_Queen value 1500"),
            (std::vector<std::string>{"info string unknown option Mtl_Queen"}));
  EXPECT_EQ(plain.Ask("setoption name NMP_depth value 5"),
            (std::vector<std::string>{"info string unknown option NMP_depth"}));
}

TEST(UciPipe, DebugEchoesEveryLaterLine) {
  Session s;
  EXPECT_EQ(s.Ask("debug off"), (std::vector<std::string>{}));
  EXPECT_EQ(s.Ask("debug"), (std::vector<std::string>{"info string CMD: isready"}));
  EXPECT_EQ(s.Ask("position startpos"), (std::vector<std::string>{"info string CMD: position startpos", "info string CMD: isready"}));
  EXPECT_EQ(s.Ask("debug off"), (std::vector<std::string>{"info string CMD: debug off"}));
  EXPECT_EQ(s.Ask("position startpos"), (std::vector<std::string>{}));
  EXPECT_EQ(s.Ask("debug on"), (std::vector<std::string>{"info string CMD: isready"}));
}

TEST(UciPipe, IsreadyAnswersAtOnceDuringASearch) {
  Session s;
  Board b;
  b.Set(fen_opn);
  Send(s.e, "position startpos");
  Send(s.e, "go infinite");
  ASSERT_TRUE(WaitFor(s.e, "info depth", 10.0));
  for (int i = 0; i < 3; i++) {
    const double t0 = Now();
    Send(s.e, "isready");
    std::vector<std::string> lines;
    ASSERT_TRUE(WaitFor(s.e, "readyok", 10.0, nullptr, &lines));
    EXPECT_LT(Now() - t0, kPrompt);
    for (const std::string& l : lines) EXPECT_NE(l.rfind("bestmove", 0), 0u) << l;
  }
  ExpectLegal(Stop(s.e), b);
}

TEST(UciPipe, FullGameWithClocks) {
  Session s;
  Send(s.e, "uci");
  ASSERT_TRUE(WaitFor(s.e, "uciok", 10.0));
  Send(s.e, "ucinewgame");
  Board b;
  b.Set(fen_opn);
  std::string moves;
  double clock[2] = {4.0, 4.0};
  const double inc = 0.05;
  for (int ply = 0; ply < 60 && b.MoveCount() > 0; ply++) {
    const int side = b.pos()->side;
    char go[160];
    std::snprintf(go, sizeof go, "go wtime %d btime %d winc %d binc %d", int(clock[0] * 1000), int(clock[1] * 1000),
                  int(inc * 1000), int(inc * 1000));
    Send(s.e, "position startpos" + (moves.empty() ? "" : " moves" + moves));
    const SearchResult r = Go(s.e, go, clock[side] + 2.0);
    ASSERT_TRUE(r.ok) << Tail(s.e);
    ExpectLegal(r, b);
    clock[side] -= r.seconds;
    ASSERT_GT(clock[side], 0.0) << "lost on time at ply " << ply;
    clock[side] += inc;
    ASSERT_TRUE(b.Play(r.best));
    moves += " " + r.best;
  }
}

TEST(UciPipe, DepthNodesAndMovetime) {
  {
    Session s;
    Board b;
    b.Set(fen_opn);
    const SearchResult r = Go(s.e, "go depth 5");
    ExpectLegal(r, b);
    ASSERT_GE(r.lines.size(), 2u);
    const std::string last = r.lines[r.lines.size() - 2];
    EXPECT_EQ(Field(last, "depth"), "5") << last;
    for (const std::string& l : r.lines) {
      int depth = 0;
      if (std::sscanf(l.c_str(), "info depth %d", &depth) == 1) {
        EXPECT_LE(depth, 5) << l;
      }
    }
  }
  {
    Session s;
    Board b;
    b.Set("r1bqkb1r/pp1ppppp/2n2n2/8/3NP3/2N5/PPP2PPP/R1BQKB1R b KQkq -");
    Send(s.e, "position fen r1bqkb1r/pp1ppppp/2n2n2/8/3NP3/2N5/PPP2PPP/R1BQKB1R b KQkq - 3 5");
    const SearchResult r = Go(s.e, "go nodes 30000");
    ExpectLegal(r, b);
    EXPECT_LT(r.seconds, 10.0);
  }
  {
    Session s;
    Board b;
    b.Set(fen_opn);
    Send(s.e, "position startpos");
    Drain(s.e, 0.2);
    const SearchResult r = Go(s.e, "go movetime 500");
    ExpectLegal(r, b);
    // The stop to the millisecond is the time check's test, on an injected
    // clock; here the limit must hold, with room for a busy machine.
    EXPECT_LT(r.seconds, 4 * 0.5) << "bestmove too late";
    EXPECT_GT(r.seconds, 0.3) << "bestmove too early";
  }
}

TEST(UciPipe, InfiniteWaitsForStop) {
  Session s;
  Board b;
  b.Set(fen_opn);
  Send(s.e, "go infinite");
  EXPECT_FALSE(WaitFor(s.e, "bestmove", 0.5));
  ExpectLegal(Stop(s.e), b);

  // A mate ends the search on its own, but the answer still waits for stop.
  b.Set("k7/8/1K6/8/8/8/8/7R w - -");
  Send(s.e, "position fen k7/8/1K6/8/8/8/8/7R w - -");
  Send(s.e, "go infinite");
  EXPECT_FALSE(WaitFor(s.e, "bestmove", 1.0));
  const SearchResult m = Stop(s.e);
  ExpectLegal(m, b);
  EXPECT_EQ(m.best, "h1h8");
  ASSERT_GE(m.lines.size(), 2u);
  EXPECT_NE(m.lines[m.lines.size() - 2].find(" score mate 1 "), std::string::npos) << m.lines[m.lines.size() - 2];
}

TEST(UciPipe, MateScoresCountMoves) {
  Session s;
  Board b;
  b.Set("k7/8/1K6/8/8/8/8/7R b - -");
  Send(s.e, "position fen k7/8/1K6/8/8/8/8/7R b - -");
  const SearchResult r = Go(s.e, "go depth 6");
  ExpectLegal(r, b);
  EXPECT_EQ(r.best, "a8b8");
  ASSERT_GE(r.lines.size(), 2u);
  EXPECT_NE(r.lines[r.lines.size() - 2].find("score mate -1 "), std::string::npos) << r.lines[r.lines.size() - 2];
}


TEST(UciPipe, MultiPvLinesCarryTheirSlot) {
  Session s;
  s.Ask("setoption name MultiPV value 3");
  Board b;
  b.Set(fen_opn);
  const SearchResult r = Go(s.e, "go depth 6");
  ExpectLegal(r, b);
  int seen[4] = {0, 0, 0, 0};
  for (const std::string& l : r.lines) {
    if (l.rfind("info ", 0) != 0 || l.find(" pv ") == std::string::npos) continue;
    ASSERT_EQ(l.rfind("info multipv ", 0), 0u) << l;
    const int k = std::stoi(Field(l, "multipv"));
    ASSERT_TRUE(k >= 1 && k <= 3) << l;
    seen[k]++;
    // Every line's first move is legal at the root.
    EXPECT_TRUE(b.Legal(Field(l, "pv"))) << l;
  }
  EXPECT_GT(seen[1], 0);
  EXPECT_GT(seen[2], 0);
  EXPECT_GT(seen[3], 0);
}

// However a stop cuts a MultiPV search short, the last line shown for each
// number is a finished line, their first moves are distinct, the first is
// the bestmove, and no number falls back below a depth it has shown.
TEST(UciPipe, MultiPvSetsStayWholeWhenStopped) {
  Session s;  // one thread: a node limit stops at the same place every run
  const char* fens[] = {"r1bqkb1r/pp3ppp/2nppn2/8/3NP3/2N5/PPP1BPPP/R1BQK2R w KQkq - 0 7",
                        "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1"};
  for (int multipv : {3, 4}) {
    s.Ask("setoption name MultiPV value " + std::to_string(multipv));
    for (const char* fen : fens)
      for (int nodes = 5000; nodes < 300000; nodes = nodes * 4 / 3 + 977) {
        Send(s.e, std::string("position fen ") + fen);
        const SearchResult r = Go(s.e, "go nodes " + std::to_string(nodes));
        ASSERT_TRUE(r.ok) << Tail(s.e);
        std::vector<int> deepest(multipv + 1, 0);
        std::vector<std::string> last(multipv + 1);
        for (const std::string& l : r.lines) {
          if (l.find(" multipv ") == std::string::npos) continue;
          const int k = std::stoi(Field(l, "multipv")), depth = std::stoi(Field(l, "depth"));
          EXPECT_GE(depth, deepest[k]) << l;
          deepest[k] = std::max(deepest[k], depth);
          last[k] = Field(l, "pv");
        }
        EXPECT_EQ(last[1], r.best) << fen << " nodes " << nodes;
        for (int k = 1; k <= multipv; k++)
          for (int j = 1; j < k; j++) EXPECT_NE(last[j], last[k]) << fen << " nodes " << nodes << "\n" << Tail(s.e);
      }
  }
}

// Where a later slot outscores an earlier one, the lines held last are ranked.
TEST(UciPipe, MultiPvLinesEndRanked) {
  Session s;
  s.Ask("setoption name MultiPV value 3");
  std::ifstream in(KERV_TESTDATA_DIR "/multipv/slots-disagree.fen");
  ASSERT_TRUE(in);
  for (std::string fen; std::getline(in, fen);) {
    const SearchResult r = Go(s.e, "position fen " + fen + "\ngo depth 10", 60.0);
    std::string last[4];
    for (const std::string& l : r.lines)
      if (l.rfind("info multipv ", 0) == 0) last[std::stoi(Field(l, "multipv"))] = l;
    EXPECT_EQ(Field(last[1], "pv"), r.best) << fen;
    for (int k = 2; k <= 3; k++) EXPECT_GE(std::stoi(Field(last[k - 1], "cp")), std::stoi(Field(last[k], "cp"))) << fen;
  }
}

// A root move that fails against its window is shown with the bound it got,
// its move alone; a score shown as found is never taken back at its depth.
TEST(UciPipe, WindowBoundsAreNamed) {
  Session s;
  const char* fens[] = {"r1b1kb1r/pppp1ppp/5n2/4p1q1/2BnP3/2N5/PPPP1PPP/R1BQK1NR w KQkq - 0 6",
                        "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
                        "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1"};
  int bounds = 0;
  for (const char* fen : fens) {
    Send(s.e, std::string("position fen ") + fen);
    const SearchResult r = Go(s.e, "go depth 13", 60.0);
    ASSERT_TRUE(r.ok) << Tail(s.e);
    EXPECT_EQ(r.info.find("bound"), std::string::npos) << r.info;
    std::set<std::string> found;  // depth and move of the lines shown as found
    for (size_t i = 0; i + 2 < r.lines.size(); i++) {  // the final line repeats the best
      const std::string& l = r.lines[i];
      if (l.find(" pv ") == std::string::npos) continue;
      const std::string key = Field(l, "depth") + " " + Field(l, "pv");
      if (l.find(" upperbound ") != std::string::npos || l.find(" lowerbound ") != std::string::npos) {
        bounds++;
        EXPECT_EQ(l.find(' ', l.find(" pv ") + 4), std::string::npos) << l;
      } else {
        EXPECT_TRUE(found.insert(key).second) << l;
      }
    }
  }
  EXPECT_GT(bounds, 0);
}

TEST(UciPipe, PonderhitAndStop) {
  Session s;
  Board b;
  b.Set(fen_opn);
  b.Play("e2e4");
  Send(s.e, "position startpos moves e2e4");
  Send(s.e, "go ponder wtime 3000 btime 3000");
  EXPECT_FALSE(WaitFor(s.e, "bestmove", 0.5));
  const SearchResult hit = Go(s.e, "ponderhit", 5.0);
  ExpectLegal(hit, b);

  Send(s.e, "go ponder wtime 3000 btime 3000");
  EXPECT_FALSE(WaitFor(s.e, "bestmove", 0.4));
  ExpectLegal(Stop(s.e), b);
}

// A controller may start a new search while the old one ponders, without
// "stop": the engine ends the old search with its own answer, then answers.
TEST(UciPipe, GoOrNewGameWhilePondering) {
  Session s;
  Board b;
  b.Set(fen_opn);
  Send(s.e, "go ponder wtime 10000 btime 10000");
  ASSERT_TRUE(WaitFor(s.e, "info depth", 10.0));
  ExpectLegal(Go(s.e, "go depth 3"), b);
  SearchResult r = Go(s.e, "");
  ExpectLegal(r, b);
  ASSERT_GE(r.lines.size(), 2u);
  EXPECT_EQ(Field(r.lines[r.lines.size() - 2], "depth"), "3") << "the answer is not the new search's";
  EXPECT_TRUE(Drain(s.e, 0.3).empty());

  // The pondering search ends with its move before the new game starts.
  Send(s.e, "go ponder wtime 10000 btime 10000");
  ASSERT_TRUE(WaitFor(s.e, "info depth", 10.0));
  const std::vector<std::string> ended = s.Ask("ucinewgame");
  ASSERT_FALSE(ended.empty());
  EXPECT_EQ(ended.back().rfind("bestmove ", 0), 0u) << ended.back();
  for (const std::string& l : ended) EXPECT_TRUE(l.rfind("info ", 0) == 0 || l == ended.back()) << l;
  b.Play("d2d4");
  Send(s.e, "position startpos moves d2d4");
  r = Go(s.e, "go depth 3");
  ExpectLegal(r, b);
}

TEST(UciPipe, OnlyLegalMovesAreEverPlayedOrAnnounced) {
  Session s;
  Board b;
  b.Set(fen_opn);
  b.Play("e2e4");
  b.Play("e7e5");
  EXPECT_EQ(s.Ask("position startpos moves e2e4 e7e5 e1e3 g1f3"),
            (std::vector<std::string>{"info string illegal move e1e3"}));
  ExpectLegal(Go(s.e, "go depth 4"), b);

  // Stop before the search has a move, depth 0 and a depth limit of -1: a
  // legal move all the same.
  Board start;
  start.Set(fen_opn);
  Send(s.e, "position startpos");
  Send(s.e, "go depth 30");
  ExpectLegal(Stop(s.e), start);
  ExpectLegal(Go(s.e, "go depth 0"), start);
  ExpectLegal(Go(s.e, "go depth -1"), start);

  // No legal move: the protocol's "(none)".
  Send(s.e, "position fen 7k/5KQ1/8/8/8/8/8/8 b - -");
  EXPECT_EQ(Go(s.e, "go depth 3").best, "(none)");
  Send(s.e, "position fen 7k/5K2/6Q1/8/8/8/8/8 b - -");
  EXPECT_EQ(Go(s.e, "go depth 3").best, "(none)");

  // Past the fifty-move limit the game goes on, and so does the search.
  std::string cmd = "position startpos moves";
  const char* cycle[4] = {" g1f3", " g8f6", " f3g1", " f6g8"};
  for (int i = 0; i < 104; i++) cmd += cycle[i % 4];
  Send(s.e, cmd);
  ExpectLegal(Go(s.e, "go depth 4"), start);

  // A promotion letter in either case.
  b.Set("Q7/8/8/8/8/8/8/k6K b - -");
  Send(s.e, "position fen 8/P7/8/8/8/8/8/k6K w - - moves a7a8Q");
  ExpectLegal(Go(s.e, "go depth 3"), b);
}

// Every limit of a go holds at once: the clock bounds the move whatever depth, node count or move
// time comes beside it, the one that comes first ends the search, and ponder and infinite wait.
TEST(UciClient, EveryLimitOfAGoHoldsAtOnce) {
  Session s;
  Board b;
  b.Set(fen_opn);
  for (const std::string go : {"1000 depth 18", "1000 nodes 20000000", "1000 movetime 5000", "100 depth 30"}) {
    const SearchResult r = Go(s.e, "go btime 1000 wtime " + go, 10.0);
    ExpectLegal(r, b);
    EXPECT_LT(r.seconds, 1.0) << go;  // within the clock: the engine plans a few hundredths of it
  }
  EXPECT_LT(std::stoll(Field(Go(s.e, "go wtime 60000 btime 60000 nodes 3000").info, "nodes")), 6000);
  for (const std::string word : {"ponderhit", "stop"}) {
    Send(s.e, (word == "stop" ? "go infinite" : "go ponder") + std::string(" wtime 1000 btime 1000 depth 3"));
    EXPECT_FALSE(WaitFor(s.e, "bestmove", 0.5)) << word;
    ExpectLegal(Go(s.e, word, 10.0), b);
  }
}

// A value of a go that means no search is said in one line and the go searches under its other
// limits; an infinite go keeps its own depth and node count, then waits for stop.
TEST(UciClient, RefusedGoValuesAreSaidAndInfiniteKeepsItsLimits) {
  Session s;
  Board b;
  b.Set(fen_opn);
  const std::pair<std::string, std::string> cases[] = {
      {"go depth 0", "depth value '0'"},     {"go depth -1", "depth value '-1'"},
      {"go depth abc", "depth value 'abc'"}, {"go nodes 0", "nodes value '0'"},
      {"go movetime -5", "movetime value '-5'"}, {"go wtime x btime 900", "wtime value 'x'"}};
  for (const auto& [go, value] : cases) {
    const SearchResult r = Go(s.e, go);
    ExpectLegal(r, b);
    const auto said = [&](const std::string& l) { return l.rfind("info string go " + value + " is not ", 0) == 0; };
    EXPECT_EQ(std::count_if(r.lines.begin(), r.lines.end(), said), 1) << go;
    EXPECT_NE(Field(r.info, "depth"), "") << go << ": no search behind " << r.best;
  }
  for (const std::string limit : {"depth 3", "nodes 3000"}) {
    Send(s.e, "go infinite " + limit);
    EXPECT_FALSE(WaitFor(s.e, "bestmove", 1.0)) << limit;
    const std::string info = Stop(s.e).info;
    EXPECT_TRUE(limit == "depth 3" ? Field(info, "depth") == "3" : std::stoll(Field(info, "nodes")) < 30000) << info;
  }
}

// A Hash set with no "isready" after it costs the next go nothing, nor a fresh engine's table its
// first go right after "uciok": the pages are taken behind the search; nor do a Hash or Threads set
// again meanwhile, or a new game.
TEST(UciClient, NewTableCostsNoMovesTime) {
  Session fresh({"-hash", "2048"});
  fresh.Options();
  EXPECT_LT(Go(fresh.e, "go movetime 50", 10.0).seconds, 1.0);
  Session s({"-hash", "16"});
  for (const std::string before : {"", "setoption name Hash value 1024\nsetoption name Threads value 4\nucinewgame"})
    EXPECT_LT(Go(s.e, before + "\nsetoption name Hash value 2048\nposition startpos\ngo wtime 1000 btime 1000", 10.0)
                  .seconds, 1.0) << before;  // within the clock
}

// A refused position is one info line, and every go after it, a ponder at its stop, answers no
// move of another position until a position is taken; any run of blanks parts a FEN's fields.
TEST(UciClient, RefusedPositionsAndBlanksInAFen) {
  Session s;
  for (const std::string fen : {"8/8/8/8/8/3k4/8/3QK3 w - - 0 1", "8/8/8/8/8/8/8/8 w - -", ""}) {
    const std::string said = fen.empty() ? "position fen without a position" : "Illegal EPD - " + fen;
    EXPECT_EQ(s.Ask("position fen " + fen + " moves e2e4"), std::vector<std::string>{"info string " + said});
    EXPECT_EQ(Go(s.e, "go depth 3").best, "(none)") << fen;
  }
  Send(s.e, "go ponder wtime 1000 btime 1000");
  EXPECT_FALSE(WaitFor(s.e, "bestmove", 0.3));
  EXPECT_EQ(Stop(s.e).best, "(none)");
  const std::string fields[] = {"rnbqk2r/ppp1pppp/8/8/3pP3/8/PPPP1PPP/RNBQKBNR", "b", "KQkq", "e3", "0 1"};
  Board b;
  b.Set(fields[0] + " b KQkq e3");
  for (const char* move : {"d4e3", "g1f3", "e8g8"}) ASSERT_TRUE(b.Play(move));  // side, en passant, castling
  for (int wide = 0; wide <= 4; wide++) {  // three blanks before one field, then before every one
    std::string fen;
    for (int i = 0; i < 5; i++) fen += (i == wide || wide == 4 ? "   " : " ") + fields[i];
    EXPECT_EQ(s.Ask("position  fen" + fen + "  moves  d4e3 g1f3   e8g8"), std::vector<std::string>{}) << fen;
    ExpectLegal(Go(s.e, "go depth 3"), b);
  }
}

// The end of input quits as "quit" does, once every search asked for is answered.
TEST(InputEnd, EndsTheRunOnceEverySearchIsAnswered) {
  // Switches, lines sent, the lines shown before the exit, the line awaited before the input ends.
  const struct {
    std::vector<std::string> args, lines, shown;
    std::string running;
  } cases[] = {
      {{}, {"quit"}, {}, ""},
      {{}, {}, {}, "info string et="},  // the main loop meets the end
      {{}, {"isready"}, {"readyok"}, ""},
      {{}, {"position startpos moves e2e4", "go depth 10"}, {"info depth 10 ", "bestmove"}, ""},
      {{}, {"go infinite"}, {"bestmove"}, "info depth 5"},
      {{}, {"position startpos moves e2e4", "go ponder wtime 600000 btime 600000"}, {"bestmove"}, "info depth 5"},
      {{"-c"}, {"an"}, {"move= ", "Hash fill= "}, "00] 06"},
      {{"-c"}, {"an", "mv"}, {"move= ", "move= "}, "00] 06"},  // mv under the analysis's time: ended at once
  };
  for (const auto& c : cases) {
    Engine e;
    ASSERT_TRUE(Start(e, c.args));
    for (const std::string& line : c.lines) Send(e, line);
    ASSERT_TRUE(c.running.empty() || WaitFor(e, c.running, 30.0)) << Tail(e);
    EXPECT_EQ(EndInput(e, 10.0), 0) << c.running << Tail(e);
    for (const std::string& line : c.shown) EXPECT_TRUE(WaitFor(e, line, 1.0)) << line << "\n" << Tail(e);
    close(e.from_engine);
  }
}

// Lines are taken whole up to 65,536 characters, dropped whole with one line beyond; tabs part words.
TEST(InputLines, TakenWholeUpToTheLimitAndDroppedWholeBeyond) {
  // 700 plies, the fifty-move count kept short by pawn pairs; the last a check few moves answer.
  const std::string pawns = "a2a3a7a6a3a4a6a5b2b3b7b6c2c4c7c6d2d4d7d5e2e3e7e6g2g3g7g6h2h3h7h6f2f4f7f5h3h4h6h5";
  const std::string knights = "g1f3g8f6f3g1f6g8";
  Board b;
  b.Set(fen_opn);
  std::string line = "position startpos moves";
  for (int i = 0; i < 700; i++) {
    const int k = i % 70;
    const std::string move = i == 699 ? "f8b4" : k < 2 ? pawns.substr(i / 70 * 8 + k * 4, 4) : knights.substr((k - 2) % 4 * 4, 4);
    ASSERT_TRUE(b.Play(move)) << move;
    line += std::string(2 + 2 * (i % 10), ' ').replace(1, 1, "\t") + move;
  }
  Session s;
  line.resize(65536, ' ');  // the limit itself, with a carriage return
  EXPECT_EQ(s.Ask(line + "\r"), std::vector<std::string>{});  // no move refused
  ExpectLegal(Go(s.e, "go\tdepth\t3"), b);
  // Pieces of a longer line would run as commands, some of them "isready".
  std::string words;
  while (words.size() < 100000) words += "isready ";
  const std::string dropped = "info string input line longer than 65536 characters ignored";
  EXPECT_EQ(s.Ask(words + "\n" + words.substr(0, 65537)), (std::vector<std::string>{dropped, dropped}));
  b.Set("rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR w KQkq e6");
  Send(s.e, "position\tstartpos moves e2e4\te7e5 \t");
  ExpectLegal(Go(s.e, "go \t depth 2"), b);
  EXPECT_EQ(s.Ask(" \t\t "), std::vector<std::string>{});
  // A NUL ends a line's text: what follows it up to the line end is no command.
  SendRaw(s.e, std::string("isready\0isready\nuci\n", 20));
  std::vector<std::string> lines;
  ASSERT_TRUE(WaitFor(s.e, "uciok", 10.0, nullptr, &lines));
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "readyok"), 1);
  EXPECT_EQ(Quit(s.e), 0);
}

TEST(UciGui, LongGamesAnswerForTheirLastPosition) {
  Session s({"-log"});
  for (int plies : {729, 730, 731, 2000}) {
    Board b;
    Send(s.e, RandomGame(b, plies));
    const SearchResult r = Go(s.e, "go depth 3");
    ExpectLegal(r, b);
    // A game past 999 plies is named in an info line, never in a bare one.
    EXPECT_EQ(std::count(r.lines.begin(), r.lines.end(), "info string what?"), plies > 999);
    EXPECT_EQ(std::count(r.lines.begin(), r.lines.end(), "what?"), 0);
  }
  // Time management and the table age count the whole game.
  EXPECT_NE(ReadFile(s.dir + "/kerv.log").find("info string ply= 2000,"), std::string::npos);
}

// Commands that arrive mid-search end it with its own move.
TEST(UciGui, CommandsDuringASearchEndItWithItsOwnMove) {
  Session s;
  Board start, after;
  start.Set(fen_opn);
  after.Set("rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3");
  for (const char* go : {"go movetime 3000", "go infinite", "go depth 60", "go ponder wtime 9000 btime 9000"}) {
    Send(s.e, "position startpos\n" + std::string(go));
    ASSERT_TRUE(WaitFor(s.e, "info depth", 10.0)) << go;
    Send(s.e, "position startpos moves e2e4");
    ExpectLegal(Go(s.e, "go depth 3"), start);
    ExpectLegal(Go(s.e, ""), after);
  }
  Send(s.e, "go infinite\nsetoption name Contempt value 0");
  ExpectLegal(Go(s.e, "ucinewgame"), after);
  EXPECT_TRUE(WaitFor(s.e, "info string Contempt set to 0", 5.0));
  EXPECT_FALSE(WaitFor(s.e, "bestmove", 0.5)) << "one answer per go";
}

TEST(UciGui, LimitsHoldForOneGoOnly) {
  Session s({"-d", "3"});
  EXPECT_EQ(Field(Go(s.e, "go").info, "depth"), "3") << "the switch is the default";
  EXPECT_EQ(Field(Go(s.e, "go depth 2").info, "depth"), "2");
  EXPECT_EQ(Field(Go(s.e, "go wtime 20000 btime 20000").info, "depth"), "3");
  Session plain;
  Go(plain.e, "go depth 2");
  EXPECT_GT(std::stoi(Field(Go(plain.e, "go wtime 20000 btime 20000").info, "depth")), 3);
  Go(plain.e, "go nodes 500");
  EXPECT_GT(std::stoll(Field(Go(plain.e, "go movetime 1000").info, "nodes")), 5000);
}

// A go with no limit it reads plays by the clocks whatever fixed limit came
// before, and names the parameters it ignores.
TEST(UciGui, GoWithoutALimitPlaysByTheClockAndNamesWhatItIgnores) {
  Session s;
  Board b;
  b.Set(fen_opn);
  auto said = [](const SearchResult& r, const std::string& line) {
    return std::count(r.lines.begin(), r.lines.end(), line);
  };
  for (const std::string fixed : {"go depth 5", "go nodes 1000", "go movetime 50", "go infinite"}) {
    const bool infinite = fixed == "go infinite";
    Send(s.e, fixed);
    if (infinite) {
      ASSERT_TRUE(WaitFor(s.e, "info depth 5", 30.0)) << Tail(s.e);
    }
    ExpectLegal(Go(s.e, infinite ? "stop" : ""), b);
    const SearchResult r = Go(s.e, "go mate 2", 10.0);
    ExpectLegal(r, b);
    EXPECT_EQ(said(r, "info string go ignores mate"), 1) << fixed;
  }
  EXPECT_EQ(said(Go(s.e, "go depth 3 searchmoves e2e4 d2d4"), "info string go ignores searchmoves"), 1);
  EXPECT_EQ(said(Go(s.e, "go mate 3 searchmoves e2e4"), "info string go ignores searchmoves and mate"), 1);
  EXPECT_EQ(said(Go(s.e, "go depth 3 nodes 90000"), "info string go ignores mate"), 0);
}

TEST(UciGui, FiftyMoveCounterDrawsButMatesStillCount) {
  Session s;
  const std::string rook = "position fen 8/8/8/4k3/8/8/8/R3K3 w - - ";
  Send(s.e, rook + "99 150");
  EXPECT_NE(Go(s.e, "go depth 8").info.find(" score cp 0 "), std::string::npos);
  Send(s.e, rook + "0 150");
  EXPECT_GT(std::stoi(Field(Go(s.e, "go depth 8").info, "cp")), 300);
  Send(s.e, "position fen k7/8/1K6/8/8/8/8/7R w - - 120 90");
  const SearchResult mate = Go(s.e, "go depth 4");
  EXPECT_EQ(mate.best, "h1h8");
  EXPECT_NE(mate.info.find(" score mate 1 "), std::string::npos);
  // Castling counts as a reversible move, in the game and in the search.
  for (const char* drawn : {"position fen 4k3/8/8/8/8/8/8/R3K2R w KQ - 98 1 moves e1c1 e8f7",
                            "position fen 4k3/8/8/8/8/8/8/R3K2R w KQ - 99 1",
                            "position fen r3k3/8/8/8/8/8/8/4K3 b q - 99 1"}) {
    Send(s.e, drawn);
    EXPECT_NE(Go(s.e, "go depth 8").info.find(" score cp 0 "), std::string::npos) << drawn;
  }
}

#ifndef KERV_SANITIZED  // a sanitizer's address space is its own
// A Hash beyond "ulimit -v 3000000", set before "isready" or "go": the largest size that fits is
// kept and named in one line, both searches are answered, and the second tries nothing again.
TEST(HashSize, SizeThatCannotBeHadLeavesTheLargestThatFits) {
  const std::regex said("info string Hash of 8192 MB could not be allocated, using ([0-9]+) MB");
  rlimit saved;
  ASSERT_EQ(getrlimit(RLIMIT_AS, &saved), 0);
  const rlimit limit = {rlim_t(3000000) * 1024, saved.rlim_max};
  for (const char* before_go : {"isready", "position startpos"}) {
    Engine e;
    ASSERT_EQ(setrlimit(RLIMIT_AS, &limit), 0);
    const bool started = Start(e, {});
    ASSERT_EQ(setrlimit(RLIMIT_AS, &saved), 0);
    ASSERT_TRUE(started);
    Send(e, "setoption name Hash value 8192\n" + std::string(before_go));
    int kept = 0, told = 0;
    for (int go = 0; go < 2; go++) {
      const SearchResult r = Go(e, "go depth 5", 60.0);
      ASSERT_TRUE(r.ok) << Tail(e);
      EXPECT_NE(r.best, "null");
      std::smatch m;
      for (const std::string& line : r.lines)
        if (std::regex_match(line, m, said)) told++, kept = std::stoi(m[1]);
    }
    EXPECT_EQ(told, 1) << Tail(e, 40);
    EXPECT_TRUE(kept >= 64 && kept < 4096 && (kept & (kept - 1)) == 0) << kept;
    EXPECT_EQ(Quit(e, 30.0), 0);
  }
}

// Threads beyond the room left, by the switch and then by setoption: the most that can be started
// are kept and named in one line (the switch's count also as the option's default), and the commands
// after it are answered. The room is what a one-thread engine maps and the records of half the
// threads asked for (one allocator arena in any case): some fit, never all, whatever the stack size.
TEST(HashSize, ThreadsThatCannotBeHadLeaveTheMostThatCan) {
  ChildSetting child{{"MALLOC_ARENA_MAX=1"}, 0};
  {
    Session one({"-hash", "256", "-threads", "1"}, child);
    one.Ask("isready");  // the table's pages taken
    child.address_space = MappedBytes(one.e) + 40 * sizeof(ThreadRecord);
  }
  const std::regex said("info string Threads of 80 could not be started, using ([1-9][0-9]*)");
  Session s({"-hash", "256", "-threads", "80"}, child);
  std::smatch m;
  ASSERT_TRUE(!s.e.log.empty() && std::regex_match(s.e.log.at(0), m, said)) << Tail(s.e);
  const std::vector<std::string> options = s.Options(), lines = s.Ask("setoption name Threads value 80");
  const std::string option = "option name Threads type spin default " + m[1].str() + " min 1 max 80";
  EXPECT_EQ(std::count(options.begin(), options.end(), option), 1);
  EXPECT_TRUE(lines.size() == 2 && std::regex_match(lines[1], m, said)) << Tail(s.e);
  Board b;
  b.Set(fen_opn);
  ExpectLegal(Go(s.e, "position startpos\ngo depth 6", 60.0), b);
}

// A worker maps its stack and record and little more: under "ulimit -v" the room goes to threads.
TEST(HashSize, EachThreadMapsLittleMore) {
  long mapped[2];
  for (int k : {0, 1}) {
    Session s({"-hash", "16", "-threads", k ? "9" : "1"});
    s.Ask("isready");
    mapped[k] = long(MappedBytes(s.e));
  }
  EXPECT_LT((mapped[1] - mapped[0]) / 8, 4L << 20) << mapped[0] << " " << mapped[1];
}

#endif

// A large table's pages are taken in the background: neither "uci" nor "quit" waits for them.
TEST(HashSize, LargeTableHoldsUpNeitherUciNorQuit) {
  const double t0 = Now();
  Session s({"-hash", "8192"});
  s.Options();  // through "uciok"
  EXPECT_LT(Now() - t0, 5.0);
  EXPECT_EQ(Quit(s.e, 30.0), 0);
}

// Hash lowered while one thread still takes the start-up table's 8 GB: the old table is given up
// where its taking got to, not taken whole first, and the new one answers.
TEST(HashSize, LoweredWhileTheStartUpTableIsTakenIsAnswered) {
  Session s({"-hash", "8192", "-threads", "1"});
  s.Ask("setoption name Hash value 16");
  std::ifstream status("/proc/" + std::to_string(s.e.pid) + "/status");
  const std::string text((std::istreambuf_iterator<char>(status)), {});
  EXPECT_LT(std::stol(text.substr(text.find("VmHWM:") + 6)), 4L << 20) << "kB held";
  Board b;
  b.Set(fen_opn);
  ExpectLegal(Go(s.e, "position startpos\ngo depth 6"), b);
}
