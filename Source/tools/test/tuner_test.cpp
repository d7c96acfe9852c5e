// The training-set filter and the gradient tuner through the real program, on
// small sets written in a temporary directory.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "../../engine/test/tempdir.h"
#include "tools/tuner.h"

namespace {

// Runs the program in the current directory; its output, status 0 expected.
std::string RunKerv(const std::string& args, int status = 0) {
  const int raw = std::system(("exec '" KERV_BINARY "' " + args + " < /dev/null > out.txt 2>&1").c_str());
  EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == status) << args;
  return ReadFile("out.txt");
}

// Quiet positions with a minor piece more for one side, all drawn: the
// error falls as the tuner lowers the minor-piece values.
std::string DrawnMinorPieceSet() {
  std::string set;
  for (const char piece : std::string("NBnb"))
    for (int file = 1; file <= 4; file++)
      for (const char* side : {" w", " b"}) {
        const std::string rank = std::to_string(file) + piece + std::to_string(5 - file);
        set += (piece < 'a' ? "6k1" : rank + "k1") + "/8/8/p6p/P6P/8/8/" + (piece < 'a' ? rank + "K1" : "6K1") +
               side + " - - c9 \"1/2-1/2\";\n";
      }
  return set;
}

}  // namespace

TEST(Tuner, MktuneWritesExactlyTheAgreeingLines) {
  // The balanced position scores a few centipawns for either side to move.
  const std::string w = "6k1/5ppp/8/8/8/8/5PPP/6K1 w - - ", b = "6k1/5ppp/8/8/8/8/5PPP/6K1 b - - ";
  const std::string head = w + "ce 0; c0 ", tail = "; c9 \"1/2\";";
  const std::string fills = head + std::string(254 - head.size() - tail.size(), 'x') + tail;  // 254 characters
  const std::pair<std::string, bool> rows[] = {
      {w + "bm g2g3; ce 0; c9 \"1/2-1/2\";", true},
      {w + "ce 0; c6 -30; c9 \"1-0\";", true},
      {w + "ce 0; c6 -50; c9 \"1-0\";", false},  // the score fell after a win
      {b + "ce 0; c6 30; c9 \"1-0\";", true},    // a loss for the side to move
      {b + "ce 0; c6 50; c9 \"1-0\";", false},
      {w + "ce 400; c9 \"1-0\";", false},  // far from the engine's score
      {w + "ce 100; c9 \"0-1\";", false},  // the stored score predicts a win
      {w + "ce 0; c9 \"*\";", false},
      {"6k1/5ppp/8/8/8/8/5PPP/Q5K1 w - - ce 950; c9 \"1-0\";", false},  // beyond 900
      {"# " + w + "ce 0; c9 \"1/2\";", false},
      {"8/8/8/8/8/8/8/8 w - - ce 0; c9 \"1/2\";", false},  // no kings
      {w + "ce 0; c0 " + std::string(10000, 'x') + "; c9 \"1/2\";", true},  // read whole
      {w + "c0 \"not c9 1-0\"; ce 0; c6 -50; c9 \"1/2\";", true},  // a draw, whatever the comment says
      {w + "ce 4294967306; c9 \"1/2\";", false},  // not 10, as a wrapped int would read
      {w + "ce 99999; c9 \"1/2\";", false},
      {w + "ce 0; c6 -4294967296; c9 \"1-0\";", false},
      {w + "ce 1x; c9 \"1/2\";", false},
      {fills, true},
      {w + "ce 5; c9 \"1/2\";", true},
      {"6k1/5ppp/8/8/8/8/5PPP/6K1\tb\t-\t-\tce\t5;\tc9\t\"1/2\";", true},  // tabs are blanks
      {"\t" + w + "ce 5; c9 \"1/2\";", false},  // as a line led by a blank
  };
  InTempDir dir;
  std::string input, expected;
  for (const auto& [line, kept] : rows) {
    input += line + "\n";
    if (kept) expected += line + "\n";
  }
  input.pop_back();  // the last line has no line end; its copy has one
  WriteFile("set.epd", input);
  EXPECT_EQ(RunKerv("-mktune set.epd"), "Illegal EPD - 8/8/8/8/8/8/8/8 w - -\n");
  EXPECT_EQ(ReadFile("tune_new.epd"), expected);
}

// Every line is copied whole with one line end, whichever ended it: a
// carriage return, both, a line feed or the end of the file.
TEST(Tuner, RandPickEndsEveryLineItCopiesOnce) {
  InTempDir dir;
  const std::string longer(10000, 'y');
  WriteFile("in.epd", "a\r" + longer + "\r\nb\nlast");
  EXPECT_TRUE(RandPick("in.epd", "all.epd", 100));
  EXPECT_EQ(ReadFile("all.epd"), "a\n" + longer + "\nb\nlast\n");
  testing::internal::CaptureStdout();
  EXPECT_FALSE(RandPick("in.epd", "/dev/full", 100));
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "can't write /dev/full\n");
  // The console's tune samples a file into "junk.epd" too; its own sample is kept.
  testing::internal::CaptureStdout();
  EXPECT_FALSE(RandPick("./all.epd", "all.epd", 100));
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "./all.epd is also the output all.epd, nothing done\n");
  EXPECT_EQ(ReadFile("all.epd"), "a\n" + longer + "\nb\nlast\n");
}

// No training position (none, line ends only, a result in quotes): one line, status 1.
TEST(Tuner, BadTrainingFilesCostOneLine) {
  const std::pair<const char*, std::string> files[] = {
      {"missing.epd", ""},
      {"empty.epd", ""},
      {"binary.epd", std::string("\x7f" "ELF\x02\0\0\0 c9 1-0\xff\n\0\n", 18)},
      {"blanks.epd", "\r\r\n\r\n\n"},
      {"quoted.epd", "6k1/8/8/8/8/8/8/6K1 w - - c0 \"lost; c9 1-0\";\r"},
  };
  InTempDir dir;
  for (const auto& [name, text] : files) {
    const bool missing = name == std::string("missing.epd");
    if (!missing) WriteFile(name, text);
    for (const std::string tool : {"-mktune ", "-tune "}) {
      EXPECT_EQ(RunKerv(tool + name, 1),
                (missing ? "can't open " : "no training positions in ") + std::string(name) + "\n");
      EXPECT_FALSE(std::filesystem::exists("tune.log"));
      EXPECT_EQ(std::filesystem::exists("tune_new.epd"), !missing);
    }
  }
}

TEST(Tuner, GradientTunerRunsEveryPassAndLowersTheError) {
  InTempDir dir;
  WriteFile("set.epd", DrawnMinorPieceSet());
  const std::string out = RunKerv("-tune set.epd");
  const std::string log = ReadFile("tune.log");
  ASSERT_EQ(log.rfind("tuning file is set.epd\n\n", 0), 0u);
  EXPECT_EQ(out, log.substr(24));  // the screen shows the log's lines as they are written

  std::vector<std::string> lines;
  std::vector<double> errors;
  std::istringstream in(log);
  for (std::string line; std::getline(in, line); lines.push_back(line))
    if (line.rfind("err= ", 0) == 0) errors.push_back(std::stod(line.substr(5)));
  ASSERT_EQ(errors.size(), 100u);  // one per pass
  EXPECT_GT(errors.front(), 0.1);
  EXPECT_LT(errors.back(), errors.front() / 2);

  // The first pass: the 42 weights in registry order, the validation error,
  // then one central difference per weight at +-round(0.03 |v| + 1).
  EXPECT_EQ(lines[2], "pass= 0, k0= 3.000e+03, avg_lr= 0.0, max_lr= 0.0");
  EXPECT_EQ(lines[4], "** knight_value_op = 380");
  EXPECT_EQ(lines[45], "** PST_K_en = 68");
  EXPECT_EQ(lines[50].substr(0, 25), "p1= 368/" + lines[50].substr(8, 9) + "p2= 392/");  // 380, d 12
  EXPECT_EQ(lines[87].substr(0, 25), "p1=  -1/" + lines[87].substr(8, 9) + "p2=   1/");  // 0, d 1
  EXPECT_EQ(lines[93].rfind("pass= 1, k0= ", 0), 0u);
  EXPECT_TRUE(std::filesystem::exists("junk.epd") && std::filesystem::exists("junk2.epd"));
}
