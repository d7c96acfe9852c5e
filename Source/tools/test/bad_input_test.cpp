// Missing, empty, binary and over-long input costs the tools a line, never a
// crash or a wrong count; an input they cannot read or an output they cannot
// write costs a line and status 1; a byte-order mark changes nothing; a long
// name is opened whole, a path too long for its field refused.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "run_tool.h"

TEST(ToolInput, BadFilesCostALineEach) {
  std::string binary, x(10000, 'x');
  for (uint32_t i = 0, r = 12345; i < 20000; i++) binary += char((r = r * 1103515245u + 12345u) >> 24);
  const std::string mate = "6k1/5ppp/8/8/8/8/5PPP/R5K1 w - - bm Ra8#;\n";
  const struct {
    std::string args, content;  // "-": no file
    std::vector<std::string> head;
    std::string last;
    int status = 0;
  } cases[] = {
      {"-anepd in.dat", "-", {"can't open in.dat"}, "can't open in.dat", 1},
      {"-scan_pgn2 in.dat", "-", {"can't open in.dat"}, "can't open in.dat", 1},
      {"-anepd in.dat", "", {"Analyzing in.dat..."}, "no positions in in.dat", 1},
      {"-scan_pgn3 in.dat", "", {"games= 0, positions= 0"}, "games= 0, positions= 0"},
      {"-quiet -d 2 -anepd in.dat", binary, {"Analyzing in.dat..."}, "no positions in in.dat", 1},
      {"-scan_pgn1 in.dat", binary, {}, "games= 0, positions= 0"},
      {"-quiet -d 2 -anepd in.dat",
       mate + mate.substr(0, 40) + x + "\n" + mate,
       {"Analyzing in.dat...", "2 / 3 correct best moves"},
       ""},
      {"-scan_pgn3 in.dat",
       "[Event \"x\"]\n\n1. e4 {" + x + "} e5 {+0.1/5} 2. Nf3 {+0.2/5} " + x + "\n",
       {"game 1: can't parse move 'xxxxxxxxxxxxxxx'", "games= 1, positions= 2"},
       "games= 1, positions= 2"},
  };
  for (const auto& c : cases) {
    InTempDir tmp;
    if (c.content != "-") WriteFile(tmp.dir + "/in.dat", c.content);
    const auto out = RunTool(tmp.dir, c.args, "", c.status);
    ASSERT_GE(out.size(), c.head.size()) << c.args;
    EXPECT_EQ(std::vector<std::string>(out.begin(), out.begin() + c.head.size()), c.head) << c.args;
    EXPECT_EQ(out.back(), c.last) << c.args;
  }
}

// Each tool stops at the first write that fails, names the file in its last
// line and ends with status 1: a full disk (/dev/full) or a name taken by a
// directory.
TEST(ToolOutput, UnwritableFilesCostOneLineAndStatusOne) {
  std::string set;
  for (int i = 0; i < 256; i++) set += "6k1/5ppp/8/8/8/8/5PPP/6K1 w - - ce 0; c9 \"1/2-1/2\";\n";
  const std::string games = " '" KERV_TESTDATA_DIR "/book/games.pgn'";
  const struct {
    std::string args, file;
    bool full;  // else a directory
    size_t lines;
    std::string last;
  } cases[] = {
      {"-scan_pgn2" + games, "tmp.epd", true, 1, "can't write tmp.epd"},  // before "game 100"
      {"-scan_pgn1" + games, "tmpX.epd", false, 1, "can't open tmpX.epd"},
      {"-mktune in.dat", "tune_new.epd", true, 1, "can't write tune_new.epd"},
      {"-tune in.dat", "tune.log", true, 1, "can't write tune.log"},
      {"-tune in.dat", "tune.log", false, 1, "can't open tune.log"},
      {"-tune in.dat", "junk2.epd", true, 1, "can't write junk2.epd"},
      {"-quiet -d 2 -anepd in.dat", "unsolved.epd", true, 2, "can't write unsolved.epd"},  // no totals
      {"-tune4", "self.pgn", true, 20, "can't write self.pgn"},  // after the first game
  };
  for (const auto& c : cases) {
    InTempDir tmp;
    WriteFile(tmp.dir + "/in.dat", set);
    if (c.full)
      std::filesystem::create_symlink("/dev/full", tmp.dir + "/" + c.file);
    else
      std::filesystem::create_directories(tmp.dir + "/" + c.file + "/x");
    const auto out = RunTool(tmp.dir, c.args, "", 1);
    ASSERT_EQ(out.size(), c.lines) << c.args;
    EXPECT_EQ(out.back(), c.last) << c.args;
  }
}

const std::string kGame = "[Event \"a\"]\n[Result \"1-0\"]\n\n1. e4 {+0.30/10} e5 {-0.20/10} 2. Nf3 {+0.40/10} 1-0\n";

TEST(ToolInput, UnreadableInputsEndWithStatusOneAndTouchNoOutput) {
  const char* outputs[] = {"tmp_book.bin", "tmp.epd", "tmpX.epd", "tune_new.epd", "unsolved.epd", "tune.log", "g.pgn"};
  for (const bool directory : {false, true})
    for (const std::string args :
         {"-anepd in", "-scan_pgn2 in", "-mkbook in", "-mktune in", "-tune in", "-match g.pgn"}) {
      InTempDir tmp;
      for (const char* out : outputs) WriteFile(tmp.dir + "/" + out, out);
      const bool match = args == "-match g.pgn";
      if (directory) std::filesystem::create_directory(tmp.dir + (match ? "/test1.rc" : "/in"));
      const std::string said = match ? "Can't open file test1.rc\n\n" : directory ? "can't read in\n" : "can't open in\n";
      EXPECT_EQ(RunTool(tmp.dir, args, "", 1), Lines(said)) << args;
      for (const char* out : outputs) EXPECT_EQ(ReadFile(tmp.dir + "/" + out), out) << args;
    }
}

// Suites and training sets written on other systems: a carriage return, a
// line feed or both end a line for the suite runner, the filter and "get".
TEST(ToolInput, EveryLineEndReadsAlike) {
  const std::string kept = "6k1/5ppp/8/8/8/8/5PPP/6K1 w - - bm g3; id \"bk.3\"; ce 0; c9 \"1/2-1/2\";";
  const std::string lines[] = {"6k1/5ppp/8/8/8/8/5PPP/R5K1 w - - bm Ra8#; ce 0; c9 \"1/2-1/2\";",
                               "7k/8/6K1/8/8/8/8/1Q6 w - - bm Qb8#; ce 0; c9 \"1/2-1/2\";", kept};
  for (const std::string end : {"\n", "\r\n", "\r"}) {
    InTempDir tmp;
    WriteFile(tmp.dir + "/test.epd", lines[0] + end + lines[1] + end + kept + end);
    const auto out = RunTool(tmp.dir, "-quiet -d 3 -anepd test.epd");
    ASSERT_GE(out.size(), 2u);
    EXPECT_EQ(out[1].substr(1), " / 3 correct best moves");
    EXPECT_EQ(RunTool(tmp.dir, "-mktune test.epd"), std::vector<std::string>{});
    EXPECT_EQ(ReadFile(tmp.dir + "/tune_new.epd"), kept + "\n");
    const auto got = RunTool(tmp.dir, "-c", "get bk.3\nquit\n");
    EXPECT_NE(std::find(got.begin(), got.end(), "6k1/5ppp/8/8/8/8/5PPP/6K1 w - -"), got.end());
  }
}

TEST(ToolInput, AByteOrderMarkChangesNoResult) {
  InTempDir tmp;
  const std::string mark = "\xEF\xBB\xBF";
  WriteFile(tmp.dir + "/s.epd", mark + "6k1/5ppp/8/8/8/8/5PPP/R5K1 w - - bm Ra8#;\n4k3/8/8/8/8/8/4P3/4K3 w - -\n");
  WriteFile(tmp.dir + "/g.pgn", mark + kGame);
  WriteFile(tmp.dir + "/test1.rc", mark + "contempt 4294967446\n");
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

// A tool given one of its own outputs as input, by that name, by another
// spelling of it or through a hard link, says so and ends with status 1
// before it writes anything: the input and every other output are untouched.
TEST(ToolOutput, AnOutputThatIsTheInputIsRefusedBeforeAnythingIsWritten) {
  const struct {
    std::string args, file, link, output;  // link: another name of file, or ""
  } cases[] = {
      {"-scan_pgn1 tmp.pgn", "tmp.pgn", "", "tmp.pgn"},
      {"-scan_pgn2 ./tmp.epd", "tmp.epd", "", "tmp.epd"},
      {"-scan_pgn4 g.pgn", "tmpX.epd", "g.pgn", "tmpX.epd"},
      {"-mktune ./tune_new.epd", "tune_new.epd", "", "tune_new.epd"},
      {"-quiet -d 2 -anepd s.epd", "unsolved.epd", "s.epd", "unsolved.epd"},
      {"-tune tune.log", "tune.log", "", "tune.log"},
      {"-tune s.epd", "junk.epd", "s.epd", "junk.epd"},
      {"-tune junk2.epd", "junk2.epd", "", "junk2.epd"},
      {"-mkbook b.pgn", "tmp_book.bin", "b.pgn", "tmp_book.bin"},
      {"-match test1.rc", "test1.rc", "", "test1.rc"},
  };
  const char* outputs[] = {"tmp.pgn", "tmp.epd", "tmpX.epd", "tune_new.epd", "unsolved.epd",
                           "tune.log", "junk.epd", "junk2.epd", "tmp_book.bin", "test1.rc"};
  for (const auto& c : cases) {
    InTempDir tmp;
    const std::string content = c.file == "test1.rc" ? "contempt 10\n" : kGame;
    WriteFile(tmp.dir + "/" + c.file, content);
    if (!c.link.empty()) std::filesystem::create_hard_link(tmp.dir + "/" + c.file, tmp.dir + "/" + c.link);
    const std::string input = c.args.substr(c.args.rfind(' ') + 1);
    EXPECT_EQ(RunTool(tmp.dir, c.args, "", 1),
              std::vector<std::string>{input + " is also the output " + c.output + ", nothing done"});
    EXPECT_EQ(ReadFile(tmp.dir + "/" + c.file), content) << c.args;
    for (const char* out : outputs)
      EXPECT_EQ(std::filesystem::exists(tmp.dir + "/" + out), out == c.file) << c.args << " " << out;
  }
}
