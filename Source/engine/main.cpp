#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "engine/loop.h"
#include "engine/outfile.h"
#include "engine/output.h"
#include "engine/params.h"
#include "engine/startup.h"
#include "engine/switches.h"
#include "platform/timer.h"
#include "search/calibrate.h"
#include "search/searchdata.h"
#include "search/threads.h"
#include "search/tt.h"
#include "tablebase/tbcore.h"
#include "tools/bench.h"
#include "tools/bookwriter.h"
#include "tools/epdsuite.h"
#include "tools/match.h"
#include "tools/pgnscan.h"
#include "tools/tuner.h"

namespace {

void SeedRandom() {
  using namespace std::chrono;
  const auto ms = duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
  std::srand(static_cast<unsigned>(static_cast<unsigned long long>(ms) & 0xFFFFFFFFu));
}

constexpr char kConfigFile[] = "kerv.rc";

// The file a tool reads, or null for one that reads none.
const char* ToolInput(ToolMode mode) {
  switch (mode) {
    case ToolMode::EpdAnalysis:
    case ToolMode::TrainingFilter:
    case ToolMode::GradientTuner:
      return PBlock.tool_file;
    case ToolMode::PgnScan1:
    case ToolMode::PgnScan2:
    case ToolMode::PgnScan3:
    case ToolMode::PgnScan4:
    case ToolMode::BookBuilding:
      return PBlock.game_file;
    case ToolMode::Match:
      return kMatchParamFile;
    default:
      return nullptr;
  }
}

// Created empty: that the file is there is the whole of it.
int MakeConfig() {
  FILE* f = std::fopen(kConfigFile, "w");
  if (f && CloseOutput(f, kConfigFile)) return 0;
  if (!f) ShowFormatted("can't write %s", kConfigFile);
  return 1;
}

// The exit status of the run: 1 when a tool could not read its input or
// build or write its output (it has shown one line saying so), else 0.
int RunMode(ToolMode mode) {
  switch (mode) {
    case ToolMode::Engine:
      init_tablebases(Personality.SyzygyPath);
      Loop();
      break;
    case ToolMode::EpdAnalysis:
      return Analyze_EPD_File();
    case ToolMode::PgnScan1:
    case ToolMode::PgnScan2:
    case ToolMode::PgnScan3:
    case ToolMode::PgnScan4:
      return Scan_PGN_File(PBlock.game_file, 1 + int(mode) - int(ToolMode::PgnScan1));
    case ToolMode::Match:
      PBlock.info_delay = 1000.0;
      return Tune_3();
    case ToolMode::Benchmark:
      Bench();
      break;
    case ToolMode::ProfiledBenchmark:
      profile = 1;
      Bench();
      break;
    case ToolMode::BookBuilding:
      return PG_CreateBook();
    case ToolMode::ParameterFile:
      return MakeConfig();
    case ToolMode::TrainingFilter: {
      SearchData.max_depth = 0;
      PBlock.info_delay = kSilentInfoDelay;
      int status;
      Process_EPD_File(PBlock.tool_file, 1, &status);
      return status;
    }
    case ToolMode::GradientTuner:
      return TuneGradient();
    case ToolMode::SelfPlayTuner:
      PBlock.info_delay = 1000.0;
      return Tune_4();
    case ToolMode::Nothing:
      break;
  }
  return 0;
}

void Shutdown() {
  KillThreadPool(SearchData.thread_count);
  HashFree();
  HoldTimerPeriod(false);
  CloseLog();
}

}  // namespace

// Start-up failures end with status 1 and print nothing.
int main(int argc, char** argv) {
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  // The input poll looks at descriptor 0, so no line may wait in a stdio buffer.
  std::setvbuf(stdin, nullptr, _IONBF, 0);
  SeedRandom();

  if (!StartUpDefaults()) return 1;

  bool refused = false;
  const ToolMode mode = ParseSwitches(argc, argv, &refused);
  // The log is emptied at every start: a tool that would read it is refused
  // before that, as for any output that is its input.
  const char* input = ToolInput(mode);
  if (input && OutputIsInput(input, {kLogName})) return 1;
  OpenLog();

  if (!StartUpEngine()) return 1;

  // A tool does not run on other files than it was given; the engine goes on
  // with the old value, as after a refused option.
  if (refused && mode != ToolMode::Engine) {
    Shutdown();
    return 1;
  }
  // The speed is measured before the table's pages are taken, which would
  // slow the measurement. They are taken behind the main loop's back, by as
  // many threads as the pool has; a search need not wait for them. A tool's
  // searches are timed and measured, so they start on a whole table.
  if (mode == ToolMode::Engine) Calibrate();
  HashTouchInBackground();
  if (mode != ToolMode::Engine) HashWait();
  // A tool watches its searches in steps of a millisecond all along; the
  // engine's loop holds the fine timer only while it searches.
  HoldTimerPeriod(mode != ToolMode::Engine);
  const int status = RunMode(mode);
  Shutdown();
  return status;
}
