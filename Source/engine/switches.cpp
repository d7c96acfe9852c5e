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
#include "engine/textline.h"
#include "search/searchdata.h"

namespace {

constexpr int kMaxThreads = 80;
constexpr int kMaxDepth = 66;

bool refused_value;  // in the parse under way

void Refuse(const char* name, const char* value, const char* wanted) {
  ShowFormatted("%s value '%s' is not %s, not used", name, value, wanted);
  refused_value = true;
}

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

// A size or count that is no whole number is refused; one out of range is
// held at the nearer end, as the options hold theirs.
void SetCount(int16_t* field, const char* name, const char* value, long long lo, long long hi) {
  long long n;
  if (!ReadWholeNumber(value, &n)) {
    Refuse(name, value, "a whole number");
    return;
  }
  *field = int16_t(std::clamp(n, lo, hi));
}

void SetInfoDelay(const char* name, const char* value) {
  double seconds;
  if (ReadDecimal(value, &seconds))
    PBlock.info_delay = seconds;
  else
    Refuse(name, value, "a number of seconds");
}

// The limits a UCI "go" starts from; the console and the tools search under
// them as the switches leave them.
void SetFixedLimit(double seconds) {
  DefaultGoLimits.time_control = TimeFixed;
  DefaultGoLimits.fixed_time = seconds;
  StoreGoLimits(DefaultGoLimits);
}

// Depth 0 would search nothing and answer a move that no search chose; 66
// and above mean no limit.
void SetDepth(const char* name, const char* value) {
  long long depth;
  if (!ReadWholeNumber(value, &depth) || depth < 1) {
    Refuse(name, value, "a whole number of plies from 1 to 66");
    return;
  }
  DefaultGoLimits.max_depth = int8_t(std::min<long long>(depth, kMaxDepth));
  SetFixedLimit(10000.0);
}

void SetMoveTime(const char* name, const char* value) {
  double seconds;
  if (!ReadDecimal(value, &seconds) || seconds <= 0.0 || seconds > kMaxLimitSeconds) {
    char wanted[64];
    std::snprintf(wanted, sizeof wanted, "a number of seconds above 0, at most %.0f", kMaxLimitSeconds);
    Refuse(name, value, wanted);
    return;
  }
  SetFixedLimit(seconds);
}

void SetNodeLimit(const char* name, const char* value) {
  long long nodes;
  if (!ReadWholeNumber(value, &nodes) || nodes < 1) {
    Refuse(name, value, "a whole number of nodes from 1 on");
    return;
  }
  DefaultGoLimits.node_limit = uint64_t(nodes);
  SetFixedLimit(1000.0);
}

void SetNps(const char* name, const char* value) {
  double x;
  // The rating formula has no meaning at or below 20 nodes per second.
  if (!ReadDecimal(value, &x) || x <= 20.0) {
    Refuse(name, value, "a speed above 20 nodes per second");
    return;
  }
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
    {"-noise", false, true, [](const char* arg, const char* v, ToolMode&) { SetInfoDelay(arg, v); }},
    {"-quiet", false, false,
     [](const char*, const char*, ToolMode&) {
       Personality.Log = 0;
       PBlock.info_delay = kSilentInfoDelay;
     }},
    {"-uci_extra", false, false, [](const char*, const char*, ToolMode&) { PBlock.extra_options = 1; }},
    {"-d", false, true, [](const char* arg, const char* v, ToolMode&) { SetDepth(arg, v); }},
    {"-t", false, true, [](const char* arg, const char* v, ToolMode&) { SetMoveTime(arg, v); }},
    {"-n", false, true, [](const char* arg, const char* v, ToolMode&) { SetNodeLimit(arg, v); }},
    {"-nps", false, true, [](const char* arg, const char* v, ToolMode&) { SetNps(arg, v); }},
    {"-hash", false, true,
     [](const char* arg, const char* v, ToolMode&) { SetCount(&Personality.Hash, arg, v, 0, kMaxHash); }},
    {"-threads", false, true,
     [](const char* arg, const char* v, ToolMode&) { SetCount(&Personality.Threads, arg, v, 1, kMaxThreads); }},
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
        if (i + 1 >= argc) {
          ShowFormatted("%s value missing, not used", arg);
          refused_value = true;
          continue;
        }
        value = argv[++i];
      }
      s.apply(arg, value, mode);
      if (value) arg = value;
    }
  }
  if (refused) *refused = refused_value;
  return mode;
}
