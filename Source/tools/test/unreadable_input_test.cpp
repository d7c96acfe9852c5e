// The tools' inputs: one that cannot be read stops a tool with one line and
// status 1 before any output is touched; a byte-order mark changes nothing;
// a long name is opened whole, a path too long for its field refused.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "run_tool.h"

namespace {

const std::string kMark = "\xEF\xBB\xBF";
const std::string kSuite = "6k1/5ppp/8/8/8/8/5PPP/R5K1 w - - bm Ra8#;\n4k3/8/8/8/8/8/4P3/4K3 w - -\n";
const std::string kGame = "[Event \"a\"]\n[Result \"1-0\"]\n\n1. e4 {+0.30/10} e5 {-0.20/10} 2. Nf3 {+0.40/10} 1-0\n";

std::vector<std::string> Said(std::vector<std::string> lines) {
  lines.erase(std::remove(lines.begin(), lines.end(), ""), lines.end());
  return lines;
}

}  // namespace

TEST(ToolInput, UnreadableInputsEndWithStatusOneAndTouchNoOutput) {
  const char* outputs[] = {"tmp_book.bin", "tmp.epd", "tmpX.epd", "tune_new.epd", "unsolved.epd", "tune.log", "g.pgn"};
  for (const bool directory : {false, true})
    for (const std::string args :
         {"-anepd in", "-scan_pgn2 in", "-mkbook in", "-mktune in", "-tune in", "-match g.pgn"}) {
      InTempDir tmp;
      for (const char* out : outputs) WriteFile(tmp.dir + "/" + out, out);
      const bool match = args == "-match g.pgn";
      if (directory) std::filesystem::create_directory(tmp.dir + (match ? "/test1.rc" : "/in"));
      const std::string line = match ? "Can't open file test1.rc" : directory ? "can't read in" : "can't open in";
      EXPECT_EQ(Said(RunTool(tmp.dir, args, "", 1)), std::vector<std::string>{line}) << args;
      for (const char* out : outputs) EXPECT_EQ(ReadFile(tmp.dir + "/" + out), out) << args;
    }
}

TEST(ToolInput, AByteOrderMarkChangesNoResult) {
  InTempDir tmp;
  WriteFile(tmp.dir + "/s.epd", kMark + kSuite);
  WriteFile(tmp.dir + "/g.pgn", kMark + kGame);
  WriteFile(tmp.dir + "/test1.rc", kMark + "contempt 4294967446\n");
  EXPECT_EQ(RunTool(tmp.dir, "-quiet -d 2 -anepd s.epd")[1], "1 / 2 correct best moves");
  EXPECT_EQ(ReadFile(tmp.dir + "/unsolved.epd"), "4k3/8/8/8/8/8/4P3/4K3 w - -\n");
  EXPECT_EQ(RunTool(tmp.dir, "-scan_pgn3 g.pgn"), std::vector<std::string>{"games= 1, positions= 3"});
  // The first key of the parameter file counts: its value is held to range.
  EXPECT_EQ(RunTool(tmp.dir, "-match no/such/dir.pgn", "", 1)[0], "test1.rc: contempt out of range, set to 150");
}

TEST(ToolInput, LongNamesAreOpenedWholeOrRefused) {
  InTempDir tmp;
  std::string nested = "n";
  for (int i = 0; i < 6; i++) nested += "/" + std::string(50, char('a' + i));
  std::filesystem::create_directories(tmp.dir + "/" + nested);
  WriteFile(tmp.dir + "/" + nested + "/g.pgn", kGame + kGame + kGame);
  EXPECT_EQ(RunTool(tmp.dir, "-mkbook " + nested + "/g.pgn")[0],
            " Creating file tmp_book.bin from games in " + nested + "/g.pgn");
  EXPECT_EQ(ReadFile(tmp.dir + "/tmp_book.bin").size(), 2u * 16);  // white's two moves won thrice

  const std::string path(144, 'p'), refused = "-tbpath value is longer than 143 characters, not used";
  EXPECT_EQ(RunTool(tmp.dir, "-tbpath " + path + " -scan_pgn3 " + nested + "/g.pgn", "", 1),
            std::vector<std::string>{refused});
  WriteFile(tmp.dir + "/test1.rc", "SyzygyPath = " + path + "\n");
  EXPECT_EQ(RunTool(tmp.dir, "-match m.pgn", "", 1),
            std::vector<std::string>{"test1.rc: SyzygyPath is longer than 143 characters, not changed"});
  EXPECT_FALSE(std::filesystem::exists(tmp.dir + "/tmp.epd") || std::filesystem::exists(tmp.dir + "/m.pgn"));
  // The engine goes on with the path it had.
  const auto uci = RunTool(tmp.dir, "-tbpath /tb -tbpath " + path, "uci\nquit\n");
  EXPECT_EQ(uci[0], refused);
  EXPECT_NE(std::find(uci.begin(), uci.end(), "option name SyzygyPath type string default /tb"), uci.end());
}
