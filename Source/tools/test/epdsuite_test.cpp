// The suite runner against the same searches asked for over UCI.
#include "tools/epdsuite.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <regex>

#include "tools/epdline.h"

#include "run_tool.h"

namespace {

const std::string kSuite = (std::filesystem::path(__FILE__).parent_path() / "suite.epd").string();

// Position, bm and am of each counted line.
std::vector<std::array<std::string, 3>> ReadSuite() {
  std::vector<std::array<std::string, 3>> suite;
  EpdLine epd;
  for (const std::string& line : Lines(ReadFile(kSuite)))
    if (line.size() >= 9 && !std::strchr(" #;", line[0]) && ReadEpdLine(line, &epd))
      suite.push_back({epd.position, std::string(FirstOperand(epd, "bm")), std::string(FirstOperand(epd, "am"))});
  return suite;
}

// The position and the operands of bm, am, id, c0 and c6 ("-" when absent).
std::string Split(const std::string& line) {
  EpdLine epd;
  if (!ReadEpdLine(line, &epd)) return "no position";
  std::string out = epd.position;
  for (const char* opcode : {"bm", "am", "id", "c0", "c6"}) {
    const std::vector<std::string>* operands = FindOperands(epd, opcode);
    out += std::string(" |") + opcode + (operands ? ":" : " -");
    for (size_t i = 0; operands && i < operands->size(); i++) out += " [" + (*operands)[i] + "]";
  }
  return out;
}

}  // namespace

TEST(EpdSuite, SolvedCountAndMovesMatchTheSameSearchesOverUci) {
  const auto suite = ReadSuite();
  ASSERT_GE(suite.size(), 40u);
  for (const int depth : {4, 7}) {  // searched in this thread, then on the pool
    InTempDir tmp;
    const auto out = RunTool(tmp.dir, "-threads 1 -d " + std::to_string(depth) + " -anepd " + kSuite);
    ASSERT_GT(out.size(), 9u);
    EXPECT_EQ(out[0], "Analyzing " + kSuite + "...");
    std::vector<std::string> moves, uci_moves, unsolved;
    for (const std::string& l : out)
      if (l.rfind("move= ", 0) == 0) moves.push_back(l.substr(6, l.find(',') - 6));
    harness::Engine uci;
    ASSERT_TRUE(harness::Start(uci, {"-threads", "1"}, tmp.dir));
    GameBoard board;
    int solved = 0;
    for (const auto& [pos, bm_text, am_text] : suite) {
      if (!board.Set(pos)) continue;  // counted, never searched
      harness::Send(uci, "ucinewgame\nposition fen " + pos + "\ngo depth " + std::to_string(depth));
      std::string best;
      ASSERT_TRUE(harness::WaitFor(uci, "bestmove", 30, &best)) << harness::Tail(uci);
      uci_moves.push_back(harness::Field(best, "bestmove"));
      const std::string bm = board.Read(bm_text), am = board.Read(am_text);
      solved += !bm.empty() ? bm == uci_moves.back() : !am.empty() && am != uci_moves.back();
      if (bm.empty() && am.empty()) unsolved.push_back(pos);
    }
    EXPECT_EQ(harness::Quit(uci), 0);
    EXPECT_EQ(moves, uci_moves);
    const size_t n = out.size();
    EXPECT_EQ(out[n - 8], std::to_string(solved) + " / " + std::to_string(suite.size()) + " correct best moves");
    const std::regex summary(
        "total nodes= \\d+total time= \\d+\\.\\d\\d secondsavg depth= \\d+\\.\\d"
        "avg nodes= \\d+\\.0node_rate= \\d+avg bf= \\d+\\.\\d\\d");
    EXPECT_TRUE(std::regex_match(out[n - 7] + out[n - 6] + out[n - 5] + out[n - 4] + out[n - 3] + out[n - 2], summary));
    EXPECT_EQ(Lines(ReadFile(tmp.dir + "/unsolved.epd")), unsolved);
    EXPECT_EQ(unsolved.size(), 5u);
  }
}

TEST(EpdSuite, QuitStopsTheRunAfterThePositionInHand) {
  InTempDir tmp;
  const auto out = RunTool(tmp.dir, "-threads 1 -d 9 -anepd " + kSuite, "quit\n");
  std::smatch m;
  ASSERT_GE(out.size(), 8u);
  ASSERT_TRUE(std::regex_match(out[out.size() - 8], m, std::regex("\\d+ / (\\d+) correct best moves")));
  EXPECT_LE(std::stoi(m[1]), 2);
}

// The last operation of an opcode counts, read whole; quoted text is one
// operand and never an operation, whatever it holds.
TEST(EpdSuite, OperationsAreReadWholeAndQuotedTextIsNoOpcode) {
  const std::string id(600, 'x'), k = "k7/8/8/8/8/8/8/K7 ";
  const std::string moves = "Na3 Nc3 Nf3 Nh3 a3 a4 b3 b4 c3 c4 d3 d4 f3 f4 g3 g4 h3 h4 e3 a3 e4";  // 66 characters
  const std::pair<std::string, std::string> rows[] = {
      {k + "b - - bm Kb1 Kb2; am Ka2; bm Kb2; c6 -40; id " + id + ";\r\n",
       k + "b - - |bm: [Kb2] |am: [Ka2] |id: [" + id + "] |c0 - |c6: [-40]"},
      {k + "w - - bm", k + "w - - |bm: |am - |id - |c0 - |c6 -"},
      {k + "w -", "no position"},
      {"k7/8/8/8/8/8/8/K7\tb\t-\t-\tbm\tKb7  Kb8;\tam Ka7;bm;c6\t-4;", k + "b - - |bm: |am: [Ka7] |id - |c0 - |c6: [-4]"},
      {k + "w KQkq - am h4; c0 \"the text says bm h3 only\"; id \"q\";",
       k + "w KQkq - |bm - |am: [h4] |id: [q] |c0: [the text says bm h3 only] |c6 -"},
      {k + "w - - 0 1 \"loose; am Ka2\" bm Kb2; c0 \"a; bm Ka1\";", k + "w - - |bm: [Kb2] |am - |id - |c0: [a; bm Ka1] |c6 -"},
      {k + "w - - c0 \"open; bm Ka2", k + "w - - |bm - |am - |id - |c0: [open; bm Ka2] |c6 -"},
      {k + "w - - bm " + moves + ";", k + "w - - |bm: [" + std::regex_replace(moves, std::regex(" "), "] [") +
                                        "] |am - |id - |c0 - |c6 -"},
  };
  for (const auto& [line, split] : rows) EXPECT_EQ(Split(line), split) << line;
}

// Suites written by other programs: tabs between the words, bm and am lists
// of several moves, the en-passant suffix after a move and a capture without
// its "x"; a move that names two is refused in one line.
TEST(EpdSuite, TabsMoveListsAndEnPassantReadAsOtherSuitesWriteThem) {
  const std::string start = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - ";
  const std::string mate = "6k1/5ppp/8/8/8/8/5PPP/R5K1 w - - ";
  InTempDir tmp;
  WriteFile(tmp.dir + "/s.epd", "6k1/5ppp/8/8/8/8/5PPP/R5K1\tw\t-\t-\tbm\tRa8#;\n" + mate + "bm Kf1 Ra8# Rb1;\n" +
                                    mate + "am Kf1 Rb1;\n" + mate + "am Kf1 Ra8#;\n" + mate + "bm Kf1 Rb1;\n" +
                                    "7k/8/8/3pP3/8/8/8/K7 w - d6 bm exd6 e.p.;\n\t" + mate + "bm Ra8#;\n" +
                                    "4k3/8/3p4/4p3/8/5N2/8/4K3 w - - am Ne5;\n4k3/8/8/8/8/5N2/8/1N2K3 w - - bm Nd2;\n" +
                                    start + "am h4; c0 \"the text says bm h3 only\"; id \"q\";\n" + start +
                                    "bm Na3 Nc3 Nf3 Nh3 a3 a4 b3 b4 c3 c4 d3 d4 f3 f4 g3 g4 h3 h4 e3 a3 e4;\n");
  const auto out = RunTool(tmp.dir, "-quiet -d 3 -anepd s.epd");
  ASSERT_GE(out.size(), 3u);
  EXPECT_EQ(out[1], "position 8: ambiguous move 'Nd2'");
  EXPECT_EQ(out[2], "7 / 10 correct best moves");
  EXPECT_EQ(ReadFile(tmp.dir + "/unsolved.epd"), "4k3/8/8/8/8/5N2/8/1N2K3 w - -\n");
}
