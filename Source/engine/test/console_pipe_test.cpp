// The console language through the real program: perft over the perft
// suite, the evaluation breakdown, searches, and commands that meet a
// running search.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "tempdir.h"
#include "uci_harness.h"

using namespace harness;

namespace {

constexpr char kStartEpd[] = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -";

// A console session that never outlives its test: the program waits for
// input for ever once its pipe is empty.
struct Console : Engine {
  ~Console() {
    if (pid > 0 && waitpid(pid, nullptr, WNOHANG) == 0) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
    }
  }
};

// Starts the program in console mode and checks that it answers a command.
bool StartConsole(Engine* e, const std::string& dir = "") {
  EXPECT_TRUE(Start(*e, {"-c", "-hash", "16"}, dir));
  EXPECT_TRUE(WaitFor(*e, "white", 10.0));  // the start board
  Send(*e, "set noise 9999");
  Send(*e, "perft 1");
  std::string line;
  while (ReadLine(*e, &line, 10.0)) {
    if (line.rfind("visited 20 nodes", 0) == 0) return true;
  }
  ADD_FAILURE() << "no answer to perft 1";
  return false;
}

#define START_CONSOLE(e) ASSERT_TRUE(StartConsole(&e))

// The lines of one evaluation breakdown, from its "eval= " line to the side.
std::vector<std::string> Breakdown(Engine* e, const std::string& fen) {
  Send(*e, "fen " + fen);
  Send(*e, "ev");
  std::vector<std::string> lines;
  WaitFor(*e, "eval= ", 10.0, nullptr, &lines);
  std::vector<std::string> out{lines.empty() ? "" : lines.back()};
  std::string line;
  while (ReadLine(*e, &line, 10.0)) {
    out.push_back(line);
    if (line == "white" || line == "black") break;
  }
  return out;
}

// The report of a console search: its statistics, or the line saying that it
// was stopped before it chose a move.
bool IsReport(const std::string& line) { return !line.rfind("move= ", 0) || !line.rfind("no move: ", 0); }

// The output of the lines, after which no search runs and no move shows a
// stand-in score.
std::vector<std::string> Quiet(Engine& e, const std::string& lines) {
  Send(e, lines + "\nset ponder 0");
  std::vector<std::string> seen;
  EXPECT_TRUE(WaitFor(e, "ponder set to 0", 30.0, nullptr, &seen)) << lines << Tail(e);
  for (const std::string& l : Drain(e, 0.3)) EXPECT_FALSE(IsReport(l) || !l.rfind("Ply= ", 0)) << lines << l;
  for (const std::string& l : seen) EXPECT_EQ(l.find("score= -10000"), std::string::npos) << lines << l;
  return seen;
}

bool Has(const std::vector<std::string>& lines, const std::string& text) {
  for (const std::string& l : lines)
    if (l == text) return true;
  return false;
}

}  // namespace

TEST(ConsolePipe, PerftCountsEveryLineOfTheSuite) {
  std::ifstream in(KERV_TESTDATA_DIR "/perft/perft-suite.txt");
  ASSERT_TRUE(in.good());
  Console e;
  START_CONSOLE(e);
  int checked = 0;
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    std::string fen, depth, nodes;
    std::getline(fields, fen, ';');
    std::getline(fields, depth, ';');
    std::getline(fields, nodes, ';');
    Send(e, "fen " + fen);
    Send(e, "perft\t" + depth);  // a tab parts words as a blank does
    std::string found;
    std::vector<std::string> seen;
    ASSERT_TRUE(WaitFor(e, "visited ", 120.0, &found, &seen)) << fen;
    for (const std::string& s : seen) EXPECT_EQ(s.rfind("Illegal EPD", 0), std::string::npos) << fen;
    EXPECT_EQ(found.rfind("visited " + nodes + " nodes in ", 0), 0u) << fen << "\n" << found;
    checked++;
  }
  EXPECT_GT(checked, 50);
  EXPECT_EQ(Quit(e), 0);
}

TEST(ConsolePipe, EvShowsTheBreakdownAndRestoresTheSettings) {
  Console e;
  START_CONSOLE(e);
  std::vector<std::string> b = Breakdown(&e, kStartEpd);
  ASSERT_EQ(b.size(), 21u);
  EXPECT_NE(b[0].find(", stage= 0, draw_adj= 1.00"), std::string::npos) << b[0];
  EXPECT_EQ(b[1], "");
  EXPECT_EQ(b[2], "           white    black     diff");
  // 8 x 90 + 2 x 380 + 2 x 390 + 2 x 530 + 1180 + the bishop pair 32.
  EXPECT_EQ(b[3], "mtl=        4532     4532        0   ( :: )");
  int w, bl, diff;
  ASSERT_EQ(std::sscanf(b[4].c_str(), "pos= %d %d %d", &w, &bl, &diff), 3);
  EXPECT_EQ(diff, 16);  // the tempo of the side to move
  for (int i = 5; i <= 11; i++) {
    ASSERT_EQ(std::sscanf(b[i].c_str(), "%*s %d %d %d", &w, &bl, &diff), 3) << b[i];
    EXPECT_EQ(w, bl) << b[i];
    EXPECT_EQ(diff, 0) << b[i];
  }
  EXPECT_EQ(b[12].substr(0, 21), " r n b q k b n r     ");
  EXPECT_EQ(b[13].substr(0, 21), " o o o o o o o o     ");
  EXPECT_EQ(b[14], " - + - + - + - +        -    -    -    -    -    -    -    -");
  EXPECT_EQ(b[17].substr(0, 16), " + - + - + - + -");
  EXPECT_EQ(b[19].substr(0, 16), " R N B Q K B N R");
  EXPECT_EQ(b[20], "white");

  // White up its pieces against pawns, at stage 12: (4832 + 4532) / 2 and
  // (880 + 720) / 2.
  b = Breakdown(&e, "4k3/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQ -");
  EXPECT_NE(b[0].find(", stage= 12, "), std::string::npos) << b[0];
  EXPECT_TRUE(Has(b, "mtl=        4682      800     3882   (QRRBBNN :: )"));

  // A pinned knight and a free passer: N + P at stage 22 is 470 both ways,
  // the bishop (370 x 22 + 390 x 2) / 24.
  b = Breakdown(&e, "4k3/P7/8/8/1b6/8/3N4/4K3 w - -");
  EXPECT_NE(b[0].find(", stage= 22, "), std::string::npos) << b[0];
  EXPECT_TRUE(Has(b, "pinned pieces on :  d2"));
  EXPECT_TRUE(Has(b, "free pawns on :  a7"));
  EXPECT_TRUE(Has(b, "mtl=         470      371       99   (NP :: B)"));
  EXPECT_TRUE(Has(b, " P - + - + - + -      209    -    -    -    -    -    -    -"));

  // A knight attacked by a pawn, Black to move.
  b = Breakdown(&e, "4k3/8/8/3n4/4P3/8/8/4K3 b - -");
  EXPECT_TRUE(Has(b, "hung pieces on:   d5"));
  EXPECT_TRUE(Has(b, "mtl=         109      360     -251   (P :: N)"));
  EXPECT_EQ(b.back(), "black");

  // The maximum depth and the trace flag are as they were: a later search
  // stops at depth 3, and "bd" shows the plain board.
  Send(e, "fen " + std::string(kStartEpd));
  Send(e, "set depth 3");
  Send(e, "ev");
  Send(e, "set noise 0");
  Send(e, "mv");
  std::vector<std::string> rows;
  ASSERT_TRUE(WaitFor(e, "move= ", 20.0, nullptr, &rows));
  std::string last_row;
  for (const std::string& r : rows)
    if (r.rfind("00] ", 0) == 0) last_row = r;
  EXPECT_EQ(last_row.substr(0, 6), "00] 03") << last_row;
  Send(e, "set noise 9999");
  Send(e, "bd");
  std::string board;
  ASSERT_TRUE(WaitFor(e, "rnbq", 10.0, &board));
  EXPECT_EQ(board, kStartEpd);
  EXPECT_EQ(Quit(e), 0);
}

TEST(ConsolePipe, SearchesPlaySelfAndReturnToUci) {
  Console e;
  START_CONSOLE(e);
  Send(e, "go 5");
  std::string found;
  ASSERT_TRUE(WaitFor(e, "move= ", 30.0, &found));
  ASSERT_TRUE(WaitFor(e, "Hash fill= ", 5.0));
  const std::string best = found.substr(6, 4);
  Send(e, "bd");
  ASSERT_TRUE(WaitFor(e, "rnbq", 10.0, &found));
  EXPECT_EQ(found, kStartEpd);  // analysis plays no move
  // The table keeps the positions below the root: after the best move it
  // holds a line to show.
  Send(e, best);
  Send(e, "pv");
  ASSERT_TRUE(WaitFor(e, "PV: ", 10.0, &found));
  EXPECT_GT(found.size(), 8u) << found;
  ASSERT_TRUE(WaitFor(e, "rnbq", 10.0, &found));
  Send(e, "bd");
  std::string after;
  ASSERT_TRUE(WaitFor(e, "rnbq", 10.0, &after));
  EXPECT_NE(found, after);  // the board at the end of the line, then the game as it was

  // Self-play from a mate in one: White mates, Black finds no move.
  Send(e, "set level 1 0.2 0");
  Send(e, "fen 7k/5Q2/6K1/8/8/8/8/8 w - -");
  Send(e, "self");
  ASSERT_TRUE(WaitFor(e, "move= ", 20.0, &found));
  const std::string mate = found.substr(6, 4);
  EXPECT_TRUE(mate == "f7g7" || mate == "f7f8") << found;
  ASSERT_TRUE(WaitFor(e, "move= ", 20.0, &found));
  EXPECT_EQ(found.substr(0, 11), "move= null,");

  Send(e, "uci");
  ASSERT_TRUE(WaitFor(e, "id name ", 10.0));
  ASSERT_TRUE(WaitFor(e, "uciok", 10.0));
  Send(e, "isready");
  ASSERT_TRUE(WaitFor(e, "readyok", 10.0));
  Send(e, "position startpos moves " + best);
  Send(e, "go depth 3");
  ASSERT_TRUE(WaitFor(e, "bestmove ", 20.0));
  EXPECT_EQ(Quit(e), 0);
}

// Two moves in a second: each side's clock gets the second again after its
// second and fourth moves, and only then is it higher than a move before.
TEST(ConsolePipe, ALevelOfMovesInATimeRepeats) {
  Console e;
  START_CONSOLE(e);
  Send(e, "set noise 1000\nset level 2 1 0\nself");
  std::vector<double> clock;  // by ply, from 1.00 for both
  for (std::string line; clock.size() < 10 && WaitFor(e, "Ply= ", 30.0, &line);)
    clock.push_back(std::stod(line.substr(line.find("Clock= ") + 7)));
  ASSERT_EQ(clock.size(), 10u) << Tail(e);
  for (size_t ply = 2; ply < 10; ply++) EXPECT_EQ(clock[ply] > clock[ply - 2], ply % 4 < 2) << "ply " << ply;
  EXPECT_EQ(Quit(e), 0);
}

// Commands that use the workers' records or change the game wait for a
// running search to end first.
TEST(ConsolePipe, CommandsDuringAnalysisWaitForTheSearch) {
  Console e;
  START_CONSOLE(e);
  Send(e, "an");
  Send(e, "perft 4");
  std::string found;
  ASSERT_TRUE(WaitFor(e, "visited ", 30.0, &found));
  EXPECT_EQ(found.rfind("visited 197281 nodes in ", 0), 0u) << found;
  Send(e, "an");
  Send(e, "ev");
  ASSERT_TRUE(WaitFor(e, "eval= ", 30.0, &found));
  EXPECT_NE(found.find(", stage= 0, draw_adj= 1.00"), std::string::npos) << found;
  Send(e, "an");
  Send(e, "e2e4");
  ASSERT_TRUE(WaitFor(e, "1. move e2e4", 30.0));
  Send(e, "an");
  Send(e, "undo");
  Send(e, "an");
  Send(e, "new");
  // "." ends the analysis, whose result lines still come.
  const std::vector<std::string> seen = Quiet(e, "an\n.");
  EXPECT_EQ(std::count_if(seen.begin(), seen.end(), IsReport), 1);
  Send(e, "an");
  Send(e, "set hash 2");
  Send(e, "perft 3");
  ASSERT_TRUE(WaitFor(e, "visited ", 30.0, &found));
  EXPECT_EQ(found.rfind("visited 8902 nodes in ", 0), 0u) << found;
  Send(e, "go 4");
  ASSERT_TRUE(WaitFor(e, "move= ", 30.0));
  EXPECT_EQ(Quit(e), 0);
}

// A command that changes the position ends the old one's search, no move played or shown and no
// search ("Ply= ") started; "." ends a self-play, the search it stops reported and its move not played.
TEST(ConsolePipe, NoMoveOfAnEndedSearchIsPlayedOrShownElsewhere) {
  const std::string after_e4 = "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3";
  Console e;
  START_CONSOLE(e);
  for (const std::string c : {"self new", "self undo", "an new", "an undo", "self ."}) {
    const bool stop = c.back() == '.';
    Send(e, "set noise 0\nset level 1 60 0\nnew\ne4\n" + c.substr(0, c.find(' ')));
    ASSERT_TRUE(WaitFor(e, "Ply= ", 30.0)) << Tail(e);
    Send(e, c.substr(c.find(' ') + 1) + "\nbd\nset level 1 60 0");
    std::vector<std::string> lines;
    ASSERT_TRUE(WaitFor(e, "set level to ", 30.0, nullptr, &lines)) << Tail(e);
    const auto played = [](const std::string& l) { return IsReport(l) || !l.rfind("Ply= ", 0); };
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(), played), stop) << c << Tail(e, 40);  // "."'s report
    EXPECT_EQ(std::count(lines.begin(), lines.end(), stop ? after_e4 : kStartEpd), stop ? 1 : 2) << c;
  }
  EXPECT_EQ(Quit(e), 0);
}

// "set" and "an" end a running analysis first, which still reports before the echo. The
// ThreadSanitizer suite runs this on its build, where a report changes the exit status.
TEST(ConsoleRace, SettingsAndAnalysisEndTheRunningSearch) {
  Engine e;
  ASSERT_TRUE(Start(e, {"-c", "-threads", "3", "-hash", "16"}));
  Send(e, "an");
  EXPECT_TRUE(WaitFor(e, "00] 02 ", 60.0)) << Tail(e);
  for (const char* line : {"set multipv 3", "set LMR_depth 4", "set hash 0", "set hash 1", "an"}) Send(e, line);
  EXPECT_TRUE(WaitFor(e, "move= ", 60.0)) << Tail(e);
  EXPECT_TRUE(WaitFor(e, "LMR_depth set to 4", 60.0)) << Tail(e);
  EXPECT_TRUE(WaitFor(e, "00] ", 60.0)) << Tail(e);
  Send(e, ".");
  EXPECT_TRUE(WaitFor(e, "move= ", 60.0)) << Tail(e);
  EXPECT_EQ(Quit(e, 60.0), 0);  // ends the program when a check failed
}

// A move is played only when a search of that position chose it: a command
// that ends a self-play search before depth 1 plays and shows no stand-in,
// "." ends self-play whenever it comes (also between two fast searches), and
// the level and depth the user set come back after an analysis, also in the
// clocks that a failed load during it resets.
TEST(ConsolePipe, OnlyASearchThatChoseAMovePlaysIt) {
  InTempDir dir;  // for "save"
  Console e;
  ASSERT_TRUE(StartConsole(&e, dir.dir));
  for (const std::string cmd : {"ev", "set depth 3", "pv", "trace 0", "perft 2", "save", "go"})
    Quiet(e, "new\nset noise 0\nset level 1 60 0\nself\n" + cmd + "\n.\nset depth 66");
  Send(e, "new\nan");
  ASSERT_TRUE(WaitFor(e, "00] 0", 30.0));
  const std::vector<std::string> seen = Quiet(e, "self\n.\nbd");
  EXPECT_EQ(std::count(seen.begin(), seen.end(), kStartEpd), 1);  // nothing played
  Send(e, "set noise 9999\nset depth 3\nself");
  ASSERT_TRUE(WaitFor(e, "move= ", 30.0));
  Quiet(e, ".");
  Send(e, "set depth 4\nset noise 0\nset level 1 0.5 0\nan");
  ASSERT_TRUE(WaitFor(e, "00] 0", 30.0));
  Send(e, ".\nmv");
  std::string ply;
  ASSERT_TRUE(WaitFor(e, "Ply= ", 30.0, &ply));
  EXPECT_NE(ply.find("Clock= 0.50s"), std::string::npos) << ply;
  std::vector<std::string> rows;
  ASSERT_TRUE(WaitFor(e, "move= ", 30.0, nullptr, &rows));
  EXPECT_EQ(rows[rows.size() - 3].substr(0, 6), "00] 04") << Tail(e);
  // The clocks a failed load resets are the level's, not the analysis's.
  Send(e, "set level 0 30 0\nan");
  ASSERT_TRUE(WaitFor(e, "00] 0", 30.0));
  Send(e, "load nosuch.pgn 1\n.\nmv");
  ASSERT_TRUE(WaitFor(e, "Ply= ", 30.0, &ply));
  EXPECT_NE(ply.find("Clock= 30.00s"), std::string::npos) << ply;
  EXPECT_EQ(Quit(e), 0);
}

// A tune and a perft take only "." and "quit" while they run; the end of input ends a perft.
TEST(ConsolePipe, LongCommandsAnswerInputAndEndOnDotQuitOrTheEnd) {
  InTempDir dir;
  std::string set;
  for (int i = 0; i < 1000; i++) set += "6k1/8/8/p6p/P6P/8/8/2N3K1 w - - c9 \"1/2-1/2\";\n";
  WriteFile("set.epd", set);
  Console e;
  ASSERT_TRUE(StartConsole(&e, dir.dir));
  std::vector<std::string> lines;
  Send(e, "tune knight_value_en set.epd\nan\nset depth 3");
  ASSERT_TRUE(WaitFor(e, "done!", 60.0, nullptr, &lines)) << Tail(e);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "tune is running: 'set depth 3' not done ('.' or 'quit' ends it)"), 1);
  Send(e, "tune knight_value_en set.epd\n.");
  lines.clear();
  ASSERT_TRUE(WaitFor(e, "done!", 60.0, nullptr, &lines)) << Tail(e);
  EXPECT_LT(lines.size(), 8u) << Tail(e);  // "." is seen within the first measurement, which is dropped
  Send(e, "new\nperft 5\nperft 1");  // a line typed ahead waits for the count
  ASSERT_TRUE(WaitFor(e, "visited 4865609 nodes", 60.0)) << Tail(e);
  ASSERT_TRUE(WaitFor(e, "visited 20 nodes", 30.0)) << Tail(e);
  Send(e, "perft 9");
  Drain(e, 1.0);  // the count has begun: what comes now is for it
  Send(e, "bd\n.");
  ASSERT_TRUE(WaitFor(e, "perft is running: 'bd' not done ('.' or 'quit' ends it)", 30.0)) << Tail(e);
  ASSERT_TRUE(WaitFor(e, "perft 9 ended after ", 30.0)) << Tail(e);
  Send(e, "perft 9");
  Drain(e, 1.0);
  EXPECT_EQ(EndInput(e, 30.0), 0);
  EXPECT_TRUE(WaitFor(e, "perft 9 ended after ", 5.0)) << Tail(e);
}
