// The suite runner against the same searches asked for over UCI.
#include "tools/epdsuite.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <regex>

#include "run_tool.h"

namespace {

const std::string kSuite = (std::filesystem::path(__FILE__).parent_path() / "suite.epd").string();

// Position, bm and am of each counted line.
std::vector<std::array<std::string, 3>> ReadSuite() {
  std::vector<std::array<std::string, 3>> suite;
  for (const std::string& line : Lines(ReadFile(kSuite))) {
    char pos[kEpdPositionSize], op[6][kEpdOperandSize];
    if (line.size() >= 9 && !std::strchr(" #;", line[0]) &&
        Parse_EPD(line.c_str(), pos, op[0], op[1], op[2], op[3], op[4], op[5]))
      suite.push_back({pos, op[0], op[1]});
  }
  return suite;
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

TEST(EpdSuite, ParseEpdKeepsTheFirstWordOfTheLastOperandWithinBounds) {
  const std::string id(600, 'x');
  const std::string line = "k7/8/8/8/8/8/8/K7 b - - bm Kb1 Kb2; am Ka2; bm Kb2; c6 -40; id " + id + ";\r\n";
  char pos[kEpdPositionSize], op[6][kEpdOperandSize];
  ASSERT_EQ(Parse_EPD(line.c_str(), pos, op[0], op[1], op[2], op[3], op[4], op[5]), 1);
  EXPECT_EQ((std::vector<std::string>{pos, op[0], op[1], op[2], op[3], op[4], op[5]}),
            (std::vector<std::string>{"k7/8/8/8/8/8/8/K7 b - -", "Kb2", "Ka2", id.substr(0, kEpdOperandSize - 1), "",
                                      "", "-40"}));
  EXPECT_EQ(Parse_EPD("k7/8/8/8/8/8/8/K7 w - - bm", pos, op[0], op[1], op[2], op[3], op[4], op[5]), 1);
  EXPECT_STREQ(op[0], "");
  EXPECT_STREQ(op[5], "");
  EXPECT_EQ(Parse_EPD("k7/8/8/8/8/8/8/K7 w -", pos, op[0], op[1], op[2], op[3], op[4], op[5]), 0);
}

// Suites written by other programs: tabs between the words, bm and am lists
// of several moves, the en-passant suffix after a move and a capture without
// its "x"; a move that names two is refused in one line.
TEST(EpdSuite, TabsMoveListsAndEnPassantReadAsOtherSuitesWriteThem) {
  char pos[kEpdPositionSize], op[6][kEpdOperandSize];
  ASSERT_EQ(Parse_EPD("k7/8/8/8/8/8/8/K7\tb\t-\t-\tbm\tKb7  Kb8;\tam Ka7;bm;c6\t-4;", pos, op[0], op[1], op[2],
                      op[3], op[4], op[5]),
            1);
  EXPECT_EQ((std::vector<std::string>{pos, op[0], op[1], op[5]}),
            (std::vector<std::string>{"k7/8/8/8/8/8/8/K7 b - -", "", "Ka7", "-4"}));
  const std::string mate = "6k1/5ppp/8/8/8/8/5PPP/R5K1 w - - ";
  InTempDir tmp;
  WriteFile(tmp.dir + "/s.epd", "6k1/5ppp/8/8/8/8/5PPP/R5K1\tw\t-\t-\tbm\tRa8#;\n" + mate + "bm Kf1 Ra8# Rb1;\n" +
                                    mate + "am Kf1 Rb1;\n" + mate + "am Kf1 Ra8#;\n" + mate + "bm Kf1 Rb1;\n" +
                                    "7k/8/8/3pP3/8/8/8/K7 w - d6 bm exd6 e.p.;\n\t" + mate + "bm Ra8#;\n" +
                                    "4k3/8/3p4/4p3/8/5N2/8/4K3 w - - am Ne5;\n4k3/8/8/8/8/5N2/8/1N2K3 w - - bm Nd2;\n");
  const auto out = RunTool(tmp.dir, "-quiet -d 3 -anepd s.epd");
  ASSERT_GE(out.size(), 3u);
  EXPECT_EQ(out[1], "position 8: ambiguous move 'Nd2'");
  EXPECT_EQ(out[2], "5 / 8 correct best moves");
  EXPECT_EQ(ReadFile(tmp.dir + "/unsolved.epd"), "4k3/8/8/8/8/5N2/8/1N2K3 w - -\n");
}
