#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/params.h"
#include "engine/switches.h"
#include "search/searchdata.h"

namespace {

// Start-up state up to the switches, then the given arguments.
ToolMode Parse(std::vector<std::string> args, bool* refused = nullptr) {
  PBlock = ProgramBlock{};
  SetStartValues();
  SetDefaultPersonality();
  Personality = DefaultPersonality;
  PBlock.protocol = 1;
  args.insert(args.begin(), "kerv");
  std::vector<const char*> argv;
  for (const std::string& a : args) argv.push_back(a.c_str());
  return ParseSwitches(int(argv.size()), argv.data(), refused);
}

}  // namespace

TEST(Switches, HashAndThreadsAreClamped) {
  Parse({"-hash", "9000"});
  EXPECT_EQ(Personality.Hash, 8192);
  Parse({"-hash", "-5"});
  EXPECT_EQ(Personality.Hash, 0);
  Parse({"-hash", "128", "-threads", "4"});
  EXPECT_EQ(Personality.Hash, 128);
  EXPECT_EQ(Personality.Threads, 4);
  Parse({"-threads", "0"});
  EXPECT_EQ(Personality.Threads, 1);
  Parse({"-threads", "-3"});
  EXPECT_EQ(Personality.Threads, 1);
  Parse({"-threads", "500"});
  EXPECT_EQ(Personality.Threads, 80);
  Parse({"-threads", "99999999999999999999"});
  EXPECT_EQ(Personality.Threads, 80);
  // The defaults record is untouched until the table exists.
  EXPECT_EQ(DefaultPersonality.Threads, 1);
}

TEST(Switches, DepthIsClampedBeforeNarrowing) {
  for (auto [text, depth] : std::vector<std::pair<const char*, int>>{
           {"200", 66}, {"100", 66}, {"300", 66}, {"66", 66}, {"12", 12}, {"1", 1}}) {
    Parse({"-d", text});
    EXPECT_EQ(SearchData.max_depth, depth) << text;
    EXPECT_EQ(SearchData.time_control, 1);
    EXPECT_EQ(SearchData.fixed_time, 10000.0);
  }
}

TEST(Switches, TimeAndNodeLimits) {
  Parse({"-t", "2.5"});
  EXPECT_EQ(SearchData.time_control, 1);
  EXPECT_EQ(SearchData.fixed_time, 2.5);
  EXPECT_EQ(SearchData.max_depth, 66);
  Parse({"-n", "5000000000"});
  EXPECT_EQ(SearchData.node_limit, 5000000000u);
  EXPECT_EQ(SearchData.fixed_time, 1000.0);
  Parse({"-n", "-7"});
  EXPECT_EQ(SearchData.node_limit, 0u);
}

TEST(Switches, LogQuietNoiseAndFlags) {
  Parse({"-log"});
  EXPECT_EQ(Personality.Log, 1);
  Parse({"-log", "-quiet"});
  EXPECT_EQ(Personality.Log, 0);
  EXPECT_EQ(PBlock.info_delay, kSilentInfoDelay);
  Parse({"-quiet", "-log"});
  EXPECT_EQ(Personality.Log, 1);
  Parse({"-noise", "0.75"});
  EXPECT_EQ(PBlock.info_delay, 0.75);
  Parse({"-c"});
  EXPECT_EQ(PBlock.protocol, 0);
  Parse({"-c", "-uci"});
  EXPECT_EQ(PBlock.protocol, 1);
  Parse({"-numa", "-uci_extra"});
  EXPECT_EQ(PBlock.numa, 1);
  EXPECT_EQ(PBlock.extra_options, 1);
}

TEST(Switches, NpsSetsTheStrengthLimitAndPrintsTheRating) {
  testing::internal::CaptureStdout();
  Parse({"-nps", "20000"});
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Elo= 2436\n");
  EXPECT_EQ(Personality.UCI_LimitStrength, 1);
  EXPECT_EQ(Personality.UCI_Elo, 2436);
  EXPECT_EQ(SearchData.target_nps.load(), 20000.0);

  // No defined rating: the switch is refused in one line.
  for (const char* bad : {"20", "5", "-100", "inf", "nan", "abc"}) {
    testing::internal::CaptureStdout();
    Parse({"-nps", bad});
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "-nps value '" + std::string(bad) + "' is not a speed above 20 nodes per second, not used\n");
    EXPECT_EQ(Personality.UCI_LimitStrength, 0) << bad;
    EXPECT_EQ(Personality.UCI_Elo, 3000) << bad;
    EXPECT_EQ(SearchData.target_nps.load(), 1e9) << bad;
  }

  // Ratings beyond the field are clamped.
  testing::internal::CaptureStdout();
  Parse({"-nps", "1e300"});
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Elo= 32767\n");
  EXPECT_EQ(Personality.UCI_Elo, 32767);
  testing::internal::CaptureStdout();
  Parse({"-nps", "20.000001"});
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Elo= 0\n");
  EXPECT_EQ(Personality.UCI_Elo, 0);
}

// A name is stored whole or refused in one line, the old one kept: a cut name opens another file.
TEST(Switches, PathsAndFilesAreWholeOrRefused) {
  Parse({"-tbpath", "/tb/a:/tb/b"});
  EXPECT_STREQ(Personality.SyzygyPath, "/tb/a:/tb/b");
  Parse({"-tbx"});
  EXPECT_STREQ(Personality.SyzygyPath, "C:\\Chess\\Syzygy;C:\\Chess\\Syzygy\\6-Piece");

  bool refused = false;
  testing::internal::CaptureStdout();
  Parse({"-tbpath", "/tb/a", "-tbpath", std::string(144, 'p'), "-scan_pgn3", std::string(kFileArgSize, 'f')}, &refused);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "-tbpath value is longer than 143 characters, not used\n"
            "-scan_pgn3 value is longer than 4095 characters, not used\n");
  EXPECT_TRUE(refused);
  EXPECT_STREQ(Personality.SyzygyPath, "/tb/a");
  EXPECT_EQ(Personality.SyzygyProbeDepth5, 0);  // the field after the path is intact
  EXPECT_EQ(Personality.SyzygyProbeDepth6, 2);

  const std::string long_file(1024, 'f');
  Parse({"-anepd", long_file});
  EXPECT_EQ(std::string(PBlock.tool_file), long_file);
  Parse({"-match", long_file}, &refused);
  EXPECT_EQ(std::string(PBlock.game_file), long_file);
  EXPECT_FALSE(refused);
}

TEST(Switches, ToolModesAndTheLastOneWins) {
  EXPECT_EQ(Parse({}), ToolMode::Engine);
  EXPECT_EQ(Parse({"-anepd", "s.epd"}), ToolMode::EpdAnalysis);
  EXPECT_STREQ(PBlock.tool_file, "s.epd");
  EXPECT_EQ(Parse({"-scan_pgn1", "g.pgn"}), ToolMode::PgnScan1);
  EXPECT_STREQ(PBlock.game_file, "g.pgn");
  EXPECT_EQ(Parse({"-scan_pgn4", "g.pgn"}), ToolMode::PgnScan4);
  // Containing the text sets the file but picks no scan.
  EXPECT_EQ(Parse({"--scan_pgn", "h.pgn"}), ToolMode::Engine);
  EXPECT_STREQ(PBlock.game_file, "h.pgn");
  EXPECT_EQ(Parse({"-scan_pgn5", "h.pgn"}), ToolMode::Engine);
  EXPECT_EQ(Parse({"-match", "m.pgn"}), ToolMode::Match);
  EXPECT_STREQ(PBlock.game_file, "m.pgn");
  EXPECT_EQ(Parse({"-bench"}), ToolMode::Benchmark);
  EXPECT_EQ(Parse({"-bench2"}), ToolMode::Nothing);
  EXPECT_EQ(Parse({"-pbench"}), ToolMode::ProfiledBenchmark);
  EXPECT_EQ(Parse({"-mkconfig"}), ToolMode::ParameterFile);
  EXPECT_EQ(Parse({"-mkbook", "b.pgn"}), ToolMode::BookBuilding);
  EXPECT_STREQ(PBlock.game_file, "b.pgn");
  EXPECT_EQ(Parse({"-mktune", "t.epd"}), ToolMode::TrainingFilter);
  EXPECT_STREQ(PBlock.tool_file, "t.epd");
  EXPECT_EQ(Parse({"-tune", "u.epd"}), ToolMode::GradientTuner);
  EXPECT_STREQ(PBlock.tool_file, "u.epd");
  EXPECT_EQ(Parse({"-tune4"}), ToolMode::SelfPlayTuner);

  EXPECT_EQ(Parse({"-bench", "-match", "f.pgn"}), ToolMode::Match);
  EXPECT_EQ(Parse({"-match", "f.pgn", "-bench"}), ToolMode::Benchmark);
  EXPECT_EQ(Parse({"-mkconfig", "-hash", "16", "-bench2"}), ToolMode::Nothing);
  EXPECT_EQ(Personality.Hash, 16);
}

TEST(Switches, MissingValuesAndUnknownArgumentsAreIgnored) {
  EXPECT_EQ(Parse({"-hash"}), ToolMode::Engine);
  EXPECT_EQ(Personality.Hash, DefaultPersonality.Hash);
  EXPECT_EQ(Parse({"-threads", "4", "-d"}), ToolMode::Engine);
  EXPECT_EQ(Personality.Threads, 4);
  EXPECT_EQ(SearchData.max_depth, 66);
  EXPECT_EQ(SearchData.fixed_time, 5.0);
  EXPECT_EQ(Parse({"-bench", "-anepd"}), ToolMode::Benchmark);
  EXPECT_STREQ(PBlock.tool_file, "");
  EXPECT_EQ(Parse({"-scan_pgn2"}), ToolMode::Engine);
  EXPECT_EQ(Parse({"-tbpath"}), ToolMode::Engine);
  EXPECT_STREQ(Personality.SyzygyPath, "");

  EXPECT_EQ(Parse({"-frobnicate", "hash", "-use_rc", "-Hash", "5"}), ToolMode::Engine);
  EXPECT_EQ(Personality.Hash, DefaultPersonality.Hash);
}

// A limit missing, no number or out of range is refused in one line, the old one kept; depth 0 searches nothing.
TEST(Switches, BadLimitsAreRefusedInOneLineAndTheOldOnesKept) {
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"-d", "x"}, {"-d", "0"}, {"-d", "-4"}, {"-t", "nan"}, {"-t", "-5"}, {"-t", "1e308"}, {"-t", "0x10"},
           {"-n", "0"}, {"-n", "x"}, {"-t"}}) {
    std::vector<std::string> line = {"-n", "500", "-d", "7"};
    line.insert(line.end(), args.begin(), args.end());
    bool refused = false;
    testing::internal::CaptureStdout();
    Parse(line, &refused);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out.rfind(args[0] + " value ", 0) + out.find('\n'), out.size() - 1) << out;  // one line
    EXPECT_TRUE(refused) << out;
    EXPECT_EQ(SearchData.max_depth + SearchData.fixed_time + double(SearchData.node_limit), 7 + 10000.0 + 500) << out;
  }
  // A size, count or delay that is no number would switch the table off,
  // or the info lines on; out of range they are held at the nearer end.
  testing::internal::CaptureStdout();
  Parse({"-hash", "32", "-threads", "3", "-noise", "2", "-hash", "x", "-threads", "four", "-noise", "soon"});
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "-hash value 'x' is not a whole number, not used\n"
            "-threads value 'four' is not a whole number, not used\n"
            "-noise value 'soon' is not a number of seconds, not used\n");
  EXPECT_EQ(Personality.Hash, 32);
  EXPECT_EQ(Personality.Threads, 3);
  EXPECT_EQ(PBlock.info_delay, 2.0);
}
