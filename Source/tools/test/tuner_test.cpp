// The training-set filter and the gradient tuner through the real program, on
// small sets written in a temporary directory.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "../../engine/test/tempdir.h"

namespace {

struct ToolRun {
  int status;
  std::string out;
};

ToolRun RunKerv(const std::string& dir, const std::string& args) {
  const std::string cmd = "cd '" + dir + "' && exec '" KERV_BINARY "' " + args + " < /dev/null > out.txt 2>&1";
  const int raw = std::system(cmd.c_str());
  return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadFile(dir + "/out.txt")};
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

struct Dir {
  std::string path = MakeTempDir();
  ~Dir() {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
  }
};

// Placement text of the pieces given as "Kg1 ka5 ...", rank 8 first.
std::string Placement(const std::string& pieces) {
  char board[64] = {};
  std::istringstream in(pieces);
  for (std::string p; in >> p;) board[(p[2] - '1') * 8 + (p[1] - 'a')] = p[0];
  std::string text;
  for (int rank = 7; rank >= 0; rank--) {
    int empty = 0;
    for (int file = 0; file < 8; file++) {
      const char c = board[rank * 8 + file];
      if (!c) {
        empty++;
        continue;
      }
      if (empty) text += char('0' + empty);
      empty = 0;
      text += c;
    }
    if (empty) text += char('0' + empty);
    if (rank) text += '/';
  }
  return text;
}

// Quiet positions with a minor piece more for one side, all drawn: the
// error falls as the tuner lowers the minor-piece values.
std::string DrawnMinorPieceSet() {
  std::string set;
  for (const char* kings : {"Kg1 kg8", "Kh1 kh8"})
    for (const char* piece : {"N", "B", "n", "b"})
      for (const char file : {'c', 'd', 'e', 'f'})
        for (const char* side : {"w", "b"}) {
          const std::string extra = std::string(piece) + file + (piece[0] < 'a' ? '1' : '8');
          set += Placement(std::string(kings) + " Pa4 pa5 Ph4 ph5 " + extra) + " " + side +
                 " - - bm a1a1; ce 0; c9 \"1/2-1/2\";\n";
        }
  return set;
}

}  // namespace

TEST(Tuner, MktuneWritesExactlyTheAgreeingLines) {
  // The balanced position scores a few centipawns for either side to move.
  const std::string w = "6k1/5ppp/8/8/8/8/5PPP/6K1 w - - ";
  const std::string b = "6k1/5ppp/8/8/8/8/5PPP/6K1 b - - ";
  struct Row {
    std::string line;
    bool kept;
  };
  const Row rows[] = {
      {w + "bm g2g3; ce 0; c9 \"1/2-1/2\";", true},
      {w + "ce 0; c6 -30; c9 \"1-0\";", true},
      {w + "ce 0; c6 -50; c9 \"1-0\";", false},  // the score fell after a win
      {b + "ce 0; c6 30; c9 \"1-0\";", true},    // a loss for the side to move
      {b + "ce 0; c6 50; c9 \"1-0\";", false},
      {w + "ce 400; c9 \"1-0\";", false},        // far from the engine's score
      {w + "ce 100; c9 \"0-1\";", false},        // stored score predicts a win
      {w + "ce 0; c9 \"1/2\";", true},
      {w + "ce 0;", false},                      // no result
      {w + "ce 0; c9 \"*\";", false},
      {"6k1/5ppp/8/8/8/8/5PPP/Q5K1 w - - ce 950; c9 \"1-0\";", false},  // beyond 900
      {"# " + w + "ce 0; c9 \"1/2\";", false},
      {" " + w + "ce 0; c9 \"1/2\";", false},
      {"8/8/8/8/8/8/8/8 w - - ce 0; c9 \"1/2\";", false},  // no kings
      {w + "ce 0; c0 " + std::string(10000, 'x') + "; c9 \"1/2\";", false},
      {w + "ce 5; c9 \"1/2-1/2\";", true},
  };
  Dir d;
  std::string input, expected;
  for (const Row& r : rows) {
    input += r.line + "\n";
    if (r.kept) expected += r.line + "\n";
  }
  WriteFile(d.path + "/set.epd", input);
  const ToolRun run = RunKerv(d.path, "-mktune set.epd");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(ReadFile(d.path + "/tune_new.epd"), expected);
  EXPECT_EQ(run.out, "Illegal EPD - 8/8/8/8/8/8/8/8 w - -\n"
                     "skipped 1 over-long or unreadable lines in set.epd\n");
}

TEST(Tuner, BadTrainingFilesCostOneLine) {
  const std::string binary("\x7f" "ELF\x02\x01\x01\0\0\0\0\0\0\0\0\0\x03\0>\0\x01\0\0\0 c9 1-0\xff\xfe\n\0\n", 32);
  const struct {
    const char* name;
    std::string text;  // nothing written for the missing file
    const char* line;
  } files[] = {
      {"missing.epd", "", "can't open missing.epd"},
      {"empty.epd", "", "no training positions in empty.epd"},
      {"binary.epd", binary, "no training positions in binary.epd"},
      {"long.epd", "6k1/8/8/8/8/8/8/6K1 w - - c9 \"1-0\"; " + std::string(10000, 'x') + "\n",
       "no training positions in long.epd"},
  };
  Dir d;
  for (const auto& f : files) {
    if (std::string(f.name) != "missing.epd") WriteFile(d.path + "/" + f.name, f.text);
    for (const char* tool : {"-mktune ", "-tune "}) {
      SCOPED_TRACE(std::string(tool) + f.name);
      const ToolRun run = RunKerv(d.path, tool + std::string(f.name));
      EXPECT_EQ(run.status, 0);
      EXPECT_EQ(run.out, std::string(f.line) + "\n");
      EXPECT_FALSE(std::filesystem::exists(d.path + "/tune.log"));
    }
  }
}

TEST(Tuner, GradientTunerRunsEveryPassAndLowersTheError) {
  Dir d;
  WriteFile(d.path + "/set.epd", DrawnMinorPieceSet());
  const ToolRun run = RunKerv(d.path, "-tune set.epd");
  EXPECT_EQ(run.status, 0);
  const std::string log = ReadFile(d.path + "/tune.log");
  ASSERT_EQ(log.rfind("tuning file is set.epd\n\n", 0), 0u);
  // The screen shows the log's lines as they are written.
  EXPECT_EQ(run.out, log.substr(24));

  const std::vector<std::string> lines = Lines(log);
  std::vector<double> errors;
  int passes = 0;
  for (const std::string& line : lines) {
    if (line.rfind("err= ", 0) == 0) errors.push_back(std::stod(line.substr(5)));
    if (line.rfind("pass= ", 0) == 0) passes++;
  }
  EXPECT_EQ(passes, 100);
  ASSERT_EQ(errors.size(), 100u);
  EXPECT_GT(errors.front(), 0.1);
  EXPECT_LT(errors.back(), errors.front() / 2);

  // The first pass: the 42 weights in registry order, the validation error,
  // then one central difference per weight at +-round(0.03 |v| + 1).
  ASSERT_GT(lines.size(), 100u);
  EXPECT_EQ(lines[2], "pass= 0, k0= 3.000e+03, avg_lr= 0.0, max_lr= 0.0");
  EXPECT_EQ(lines[4], "** knight_value_op = 380");
  EXPECT_EQ(lines[27], "** pawn_passed_op = 90");
  EXPECT_EQ(lines[45], "** PST_K_en = 68");
  EXPECT_EQ(lines[47], "err= " + std::string(lines[47].substr(5)));
  EXPECT_EQ(lines[50].substr(0, 8), "p1= 368/");  // knight_value_op 380, d 12
  EXPECT_EQ(lines[50].substr(17, 8), "p2= 392/");
  EXPECT_EQ(lines[87].substr(0, 8), "p1=  -1/");  // PST_R_en 0, d 1
  EXPECT_EQ(lines[87].substr(17, 8), "p2=   1/");
  EXPECT_EQ(lines[92], "");
  EXPECT_EQ(lines[93], "pass= 1, k0= " + lines[93].substr(13));
  EXPECT_TRUE(std::filesystem::exists(d.path + "/junk.epd"));
  EXPECT_TRUE(std::filesystem::exists(d.path + "/junk2.epd"));
}
