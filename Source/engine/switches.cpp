#include "engine/switches.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/golimits.h"
#include "engine/output.h"
#include "engine/params.h"
#include "search/searchdata.h"

namespace {

constexpr int kMaxThreads = 80;
constexpr int kMaxDepth = 66;

long long Clamp(long long v, long long lo, long long hi) { return std::clamp(v, lo, hi); }

// Saturates instead of overflowing on absurd numbers.
long long Integer(const char* text) { return std::strtoll(text, nullptr, 10); }
double Decimal(const char* text) { return std::strtod(text, nullptr); }

bool refused_value;  // in the parse under way

// A file name or path is taken whole or not at all: a cut one names some
// other file. length is the part of the value that would be stored.
bool Fits(const char* name, size_t length, int size) {
  if (length < size_t(size)) return true;
  ShowFormatted("%s value is longer than %d characters, not used", name, size - 1);
  refused_value = true;
  return false;
}

void SetFileArgument(char* field, const char* name, const char* value) {
  if (Fits(name, std::strlen(value), kFileArgSize)) CopyText(field, kFileArgSize, value);
}

void SetTablebasePath(const char* value) {
  size_t n = std::strlen(value);
  while (n && std::isspace(static_cast<unsigned char>(value[n - 1]))) n--;  // as CopyPath drops them
  if (Fits("-tbpath", n, kPathSize)) CopyPath(Personality.SyzygyPath, kPathSize, value);
}

// The limits a UCI "go" starts from; the console and the tools search under
// them as the switches leave them.
void SetFixedLimit(double seconds) {
  DefaultGoLimits.time_control = TimeFixed;
  DefaultGoLimits.fixed_time = seconds;
  StoreGoLimits(DefaultGoLimits);
}

void SetNps(const char* value) {
  const double x = Decimal(value);
  // The rating formula has no meaning at or below 20 nodes per second.
  if (!std::isfinite(x) || x <= 20.0) return;
  // Clamped so that an absurd speed cannot overflow the 16-bit field.
  const int rating = int(std::clamp(std::trunc(111.0 * std::log(x - 20.0) + 1337.0), 0.0, 32767.0));
  SearchData.target_nps.store(x);
  Personality.UCI_LimitStrength = 1;
  Personality.UCI_Elo = int16_t(rating);
  std::printf("Elo= %d\n", rating);
  std::fflush(stdout);
}

struct Switch {
  const char* name;
  bool contains;     // matches any argument containing the name
  bool takes_value;
  void (*apply)(const char* arg, const char* value, ToolMode& mode);
};

// Each argument is compared with every row in this order. A value switch
// hands its value on to the rows below it, so a value that spells a later
// switch applies that switch too.
constexpr Switch kSwitches[] = {
    {"-uci", false, false, [](const char*, const char*, ToolMode&) { PBlock.protocol = 1; }},
    {"-c", false, false, [](const char*, const char*, ToolMode&) { PBlock.protocol = 0; }},
    {"-log", false, false, [](const char*, const char*, ToolMode&) { Personality.Log = 1; }},
    {"-numa", false, false, [](const char*, const char*, ToolMode&) { PBlock.numa = 1; }},
    {"-noise", false, true,
     [](const char*, const char* v, ToolMode&) { PBlock.info_delay = Decimal(v); }},
    {"-quiet", false, false,
     [](const char*, const char*, ToolMode&) {
       Personality.Log = 0;
       PBlock.info_delay = kSilentInfoDelay;
     }},
    {"-uci_extra", false, false, [](const char*, const char*, ToolMode&) { PBlock.extra_options = 1; }},
    {"-d", false, true,
     [](const char*, const char* v, ToolMode&) {
       DefaultGoLimits.max_depth = int8_t(Clamp(Integer(v), 0, kMaxDepth));
       SetFixedLimit(10000.0);
     }},
    {"-t", false, true, [](const char*, const char* v, ToolMode&) { SetFixedLimit(Decimal(v)); }},
    {"-n", false, true,
     [](const char*, const char* v, ToolMode&) {
       DefaultGoLimits.node_limit = uint64_t(Clamp(Integer(v), 0, INT64_MAX));
       SetFixedLimit(1000.0);
     }},
    {"-nps", false, true, [](const char*, const char* v, ToolMode&) { SetNps(v); }},
    {"-hash", false, true,
     [](const char*, const char* v, ToolMode&) {
       Personality.Hash = int16_t(Clamp(Integer(v), 0, kMaxHash));
     }},
    {"-threads", false, true,
     [](const char*, const char* v, ToolMode&) {
       Personality.Threads = int16_t(Clamp(Integer(v), 1, kMaxThreads));
     }},
    {"-tbpath", false, true,
     [](const char*, const char* v, ToolMode&) { SetTablebasePath(v); }},
    {"-tbx", false, false,
     [](const char*, const char*, ToolMode&) {
       CopyText(Personality.SyzygyPath, kPathSize, "C:\\Chess\\Syzygy;C:\\Chess\\Syzygy\\6-Piece");
     }},
    {"-anepd", false, true,
     [](const char* arg, const char* v, ToolMode& m) {
       SetFileArgument(PBlock.tool_file, arg, v);
       m = ToolMode::EpdAnalysis;
     }},
    {"-scan_pgn", true, true,
     [](const char* arg, const char* v, ToolMode& m) {
       SetFileArgument(PBlock.game_file, arg, v);
       constexpr ToolMode scans[] = {ToolMode::PgnScan1, ToolMode::PgnScan2, ToolMode::PgnScan3,
                                     ToolMode::PgnScan4};
       if (!std::strncmp(arg, "-scan_pgn", 9) && arg[9] >= '1' && arg[9] <= '4' && !arg[10])
         m = scans[arg[9] - '1'];
     }},
    {"-match", false, true,
     [](const char* arg, const char* v, ToolMode& m) {
       SetFileArgument(PBlock.game_file, arg, v);
       m = ToolMode::Match;
     }},
    {"-bench", false, false, [](const char*, const char*, ToolMode& m) { m = ToolMode::Benchmark; }},
    {"-bench2", false, false, [](const char*, const char*, ToolMode& m) { m = ToolMode::Nothing; }},
    {"-pbench", false, false,
     [](const char*, const char*, ToolMode& m) { m = ToolMode::ProfiledBenchmark; }},
    {"-mkconfig", false, false,
     [](const char*, const char*, ToolMode& m) { m = ToolMode::ParameterFile; }},
    {"-mkbook", false, true,
     [](const char* arg, const char* v, ToolMode& m) {
       SetFileArgument(PBlock.game_file, arg, v);
       m = ToolMode::BookBuilding;
     }},
    {"-mktune", false, true,
     [](const char* arg, const char* v, ToolMode& m) {
       SetFileArgument(PBlock.tool_file, arg, v);
       m = ToolMode::TrainingFilter;
     }},
    {"-tune", false, true,
     [](const char* arg, const char* v, ToolMode& m) {
       SetFileArgument(PBlock.tool_file, arg, v);
       m = ToolMode::GradientTuner;
     }},
    {"-tune4", false, false, [](const char*, const char*, ToolMode& m) { m = ToolMode::SelfPlayTuner; }},
};

}  // namespace

ToolMode ParseSwitches(int argc, const char* const* argv, bool* refused) {
  ToolMode mode = ToolMode::Engine;
  refused_value = false;
  DefaultGoLimits = kClockLimits;
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    for (const Switch& s : kSwitches) {
      const bool hit = s.contains ? std::strstr(arg, s.name) != nullptr : !std::strcmp(arg, s.name);
      if (!hit) continue;
      const char* value = nullptr;
      if (s.takes_value) {
        if (i + 1 >= argc) continue;  // nothing left to read: the switch is ignored
        value = argv[++i];
      }
      s.apply(arg, value, mode);
      if (value) arg = value;
    }
  }
  if (refused) *refused = refused_value;
  return mode;
}
