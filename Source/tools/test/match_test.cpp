#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "board/bitboard.h"
#include "board/fen.h"
#include "board/legal.h"
#include "board/makemove.h"
#include "engine/console_pgn.h"
#include "engine/startup.h"
#include "engine/test/tempdir.h"
#include "search/records.h"

namespace {

using Clock = std::chrono::steady_clock;

struct PgnGame {
  std::map<std::string, std::string> tags;
  int moves = 0;
};

// Reads games as a strict PGN reader does: quoted tag values, a blank line,
// move text ending in the result that the Result tag names, every move legal
// when replayed (so a promotion must name its piece).
std::vector<PgnGame> ReadStrictPgn(const std::string& text) {
  static const std::regex tag(R"re(\[(\w+) "([^"]*)"\])re");
  static const std::regex comment(R"(\{[^{}]*\})");
  std::vector<PgnGame> games;
  PgnGame g;
  bool in_moves = false;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    std::smatch m;
    if (!in_moves) {
      if (std::regex_match(line, m, tag)) {
        g.tags[m[1]] = m[2];
      } else if (line.empty() && !g.tags.empty()) {
        in_moves = true;
        SetPosition(&CTD->pos, fen_opn);
      } else {
        EXPECT_EQ(line, "") << "game " << games.size() + 1;
      }
      continue;
    }
    std::istringstream words(std::regex_replace(line, comment, " "));
    for (std::string w; words >> w;) {
      if (w == "1-0" || w == "0-1" || w == "1/2-1/2" || w == "*") {
        EXPECT_EQ(w, g.tags["Result"]) << "game " << games.size() + 1;
        games.push_back(g);
        g = PgnGame{};
        in_moves = false;
        break;
      }
      const Move move = FindLegalMove(&CTD->pos, w.c_str());
      if (!move) {
        ADD_FAILURE() << "game " << games.size() + 1 << ": " << w << " is no legal move";
        return games;
      }
      MakeMove(&CTD->pos, move);
      g.moves++;
    }
  }
  EXPECT_FALSE(in_moves) << "the last game has no result";
  return games;
}

bool WaitForText(const std::string& path, const std::string& text, int seconds) {
  const auto end = Clock::now() + std::chrono::seconds(seconds);
  while (ReadFile(path).find(text) == std::string::npos) {
    if (Clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

int CountText(const std::string& text, const std::string& what) {
  int n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) n++;
  return n;
}

class MatchTool : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_TRUE(StartUpDefaults()); }
  InTempDir dir;

  // The program in the temporary directory, output to out.txt, its standard
  // input the returned pipe.
  FILE* Start(const std::string& args) {
    const std::string cmd = "exec '" KERV_BINARY "' " + args + " > out.txt 2> err.txt";
    return popen(cmd.c_str(), "w");
  }
  // Sends "quit" once text shows in out.txt, which it does after the given
  // number of games, and waits for the end; returns the games that pgn held
  // by then.
  int QuitOnceShown(FILE* in, const std::string& text, int games, const std::string& pgn) {
    const auto started = Clock::now();
    EXPECT_TRUE(WaitForText("out.txt", text, 60)) << ReadFile("out.txt");
    // A game's time as this run measured it: a busy machine slows the games
    // and the bound alike.
    const Clock::duration game = (Clock::now() - started) / games;
    const int written = CountText(ReadFile(pgn), "[Event ");
    std::fputs("quit\n", in);
    std::fflush(in);
    const auto quit_at = Clock::now();
    EXPECT_EQ(WEXITSTATUS(pclose(in)), 0);
    EXPECT_LT(Clock::now() - quit_at, std::max<Clock::duration>(5 * game, std::chrono::seconds(5)));
    return written;
  }
  int Run(const std::string& args, const std::string& input) {
    FILE* in = Start(args);
    std::fputs(input.c_str(), in);
    return pclose(in);
  }
};

TEST_F(MatchTool, GamesReadBackAndAgreeWithTheProgressLineAndQuitEndsWithinAGame) {
  WriteFile("test1.rc", "# one weight changed\nking_safety = 50\n");
  const int written = QuitOnceShown(Start("-d 2 -match games.pgn"), "  19 games,", 19, "games.pgn");

  const std::string out = ReadFile("out.txt");
  EXPECT_EQ(out.rfind("loaded parameters from test1.rc\nStarting match...\n", 0), 0u) << out;
  const std::vector<PgnGame> games = ReadStrictPgn(ReadFile("games.pgn"));
  ASSERT_GE(games.size(), 19u);
  EXPECT_LE(int(games.size()), written + 1);

  int score[3] = {0, 0, 0};  // wins, losses, draws of Player1 in the first 19 games
  for (int i = 0; i < 19; i++) {
    const std::string& r = games[i].tags.at("Result");
    const bool white = games[i].tags.at("White") == "Player1";
    score[r == "1/2-1/2" ? 2 : (r == "1-0") == white ? 0 : 1]++;
  }
  int shown[3] = {-1, -1, -1};
  std::sscanf(out.c_str() + out.find("  19 games,"), "%*d games, %d %d %d", &shown[0], &shown[1], &shown[2]);
  EXPECT_EQ(std::vector<int>(shown, shown + 3), std::vector<int>(score, score + 3));

  // The console's own reader plays every game to its end.
  for (size_t i = 0; i < games.size(); i++) {
    ::testing::internal::CaptureStdout();
    LoadGame("games.pgn", std::to_string(i + 1).c_str());
    const std::string shown_load = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(CTD->game_ply, games[i].moves) << "game " << i + 1 << "\n" << shown_load;
  }
}

TEST_F(MatchTool, SelfPlayTunerShowsItsRoundsAndQuitEndsItWithinAGame) {
  const int written = QuitOnceShown(Start("-d 1 -tune4"), "ngames= 20\n", 20, "self.pgn");

  const std::string out = ReadFile("out.txt");
  const std::string first = out.substr(0, out.find("ngames= 20\n"));
  EXPECT_EQ(first.rfind("Starting match...\nngames= 0\n * knight_value_op          :  380.0  ", 0), 0u) << out;
  EXPECT_EQ(CountText(first, "\n * "), 17) << first;
  EXPECT_NE(first.find("\n * hung_piece_op            :  -32.0  "), std::string::npos) << first;
  const std::vector<PgnGame> games = ReadStrictPgn(ReadFile("self.pgn"));
  EXPECT_GE(games.size(), 20u);
  EXPECT_LE(int(games.size()), written + 1);
}

// Every weight of test1.rc at 32767, at -32768 and beyond any integer is held
// to its range, one line each, and played (under the sanitizers in their build).
TEST_F(MatchTool, ExtremeWeightsAreHeldToTheirRangesAndPlayed) {
  const std::string keys = "pawn_value knight_value bishop_value rook_value queen_value bishop_pair knight_mobility "
                           "bishop_mobility rook_mobility queen_mobility pawn_doubled pawn_backward pawn_isolated "
                           "pawn_weak pawn_connected pawn_candidate pawn_passed rook_open_file rook_half_open_file "
                           "rook_rank7 rook_trapped queen_rank7 knight_outpost bishop_outpost king_safety pawn_shield "
                           "pawn_storm";
  for (const std::string extreme : {" 32767", " -32768"}) {
    std::istringstream words(keys);
    std::string rc = "knight_value = 4294967306, -99999999999999999999\ncontempt 4294967446\n";
    for (std::string key; words >> key;) rc += key + extreme + extreme + "\n";
    WriteFile("test1.rc", rc);
    FILE* in = Start("-d 1 -match g.pgn");
    EXPECT_TRUE(WaitForText("g.pgn", "[Result ", 120)) << ReadFile("out.txt") << ReadFile("err.txt");
    std::fputs("quit\n", in);
    EXPECT_EQ(WEXITSTATUS(pclose(in)), 0);
    const std::string out = ReadFile("out.txt");
    const char* first = "test1.rc: knight_value out of range, set to 2000 20\n"
                        "test1.rc: contempt out of range, set to 150\ntest1.rc: pawn_value out of range, set to ";
    EXPECT_EQ(out.rfind(first, 0), 0u) << out;
    EXPECT_EQ(CountText(out, " out of range, set to "), 29) << out;
    EXPECT_EQ(ReadFile("err.txt"), "");
  }
}

TEST_F(MatchTool, BadParameterFilesCostOneLineAndNeverTheMatch) {
  std::string binary = "\x7f" "ELF";
  binary += std::string(3, '\0') + "\xff\xfe\n";
  std::string table = "PST_pawn_op\n";
  for (int k = 0; k < 7; k++) table += "0 1 2 3 4 5 6 7\n";
  const struct {
    const char* name;
    std::string rc;  // empty: no file
    std::string pgn;
    std::vector<std::string> lines;
    int status = 0;
  } cases[] = {
      {"missing", "", "g.pgn", {"Can't open file test1.rc\n\n"}, 1},
      {"long and binary lines", std::string(10000, 'x') + "\nSyzygyPath = " + std::string(143, 'p') +
                                    "\npawn_value = 95, 115\n" + binary,
       "g.pgn", {"test1.rc: 1 lines over 255 characters skipped\n", "loaded parameters from test1.rc\n",
                 "Starting match...\n"}},
      {"short table", table, "g.pgn",
       {"the piece-square tables of test1.rc are read but do not change the evaluation\n", "Starting match...\n"}},
      {"empty file, no game file", "#\n", "no/such/dir.pgn", {"can't open no/such/dir.pgn\n"}, 1},
  };
  for (const auto& c : cases) {
    std::filesystem::remove("test1.rc");
    if (!c.rc.empty()) WriteFile("test1.rc", c.rc);
    EXPECT_EQ(WEXITSTATUS(Run("-match " + c.pgn, "quit\n")), c.status) << c.name;
    const std::string out = ReadFile("out.txt");
    for (const std::string& line : c.lines) EXPECT_NE(out.find(line), std::string::npos) << c.name << "\n" << out;
    EXPECT_EQ(ReadFile("err.txt"), "") << c.name;
  }
}

}  // namespace
