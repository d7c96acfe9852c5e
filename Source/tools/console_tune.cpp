#include "tools/console_tune.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>

#include "engine/console.h"
#include "engine/infile.h"
#include "engine/output.h"
#include "engine/params.h"
#include "eval/weights.h"
#include "search/searchdata.h"
#include "tools/paramlist.h"
#include "tools/tuner.h"

namespace {

// The console tune's lines go to the screen only, never to the log.
void Print(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::vprintf(format, args);
  va_end(args);
  std::fflush(stdout);
}

constexpr int kOpen = 10000;  // a bracket not yet found

// The next value to measure: outward from the best until the error rises on
// both sides, then halfway towards a bracket; nothing left when it would
// repeat a bracket.
bool NextProbe(int i, int best, int lo, int hi, int* probe) {
  const int s = int(std::lround(0.12 * std::abs(best))) + 1;
  if (lo == -kOpen) *probe = best - s;
  else if (hi == kOpen) *probe = best + s;
  else *probe = int(std::lround(0.5 * best + 0.5 * (i % 2 ? lo : hi)));
  if (*probe == lo || *probe == hi) *probe = int(std::lround(0.5 * lo + 0.5 * hi));
  return *probe != lo && *probe != hi;
}

// The value of the field with the lowest error on the sample, bracketed in at
// most 30 measurements; the field is left as it was found.
int16_t TuneSingleParam(const char* name, int16_t* field, const char* sample) {
  const int index = int(field - Personality.f);
  const int16_t entry = *field;
  int best = entry;
  double best_err = 1.0;
  int lo = -kOpen, hi = kOpen;
  for (int i = 0; i < 30; i++) {
    const double err = Process_EPD_File(sample, 0);
    // A measurement that "quit" cut short is no measurement; "." ends the
    // tune and drops the one it came in.
    if (LongCommandEnded()) break;
    const int c = *field;
    Print("%s= %d, err= %0.6f\n", name, c, err);
    const bool better = err < best_err;
    if (i > 0 && c <= best) {
      if (better) hi = best;
      else lo = c;
    } else if (i > 0) {
      if (better) lo = best;
      else hi = c;
    }
    if (better) {
      best = c;
      best_err = err;
    }
    Print("best= %d, err= %0.6f, min= %d, max= %d\n\n", best, best_err, lo, hi);
    int probe;
    if (!NextProbe(i, best, lo, hi, &probe)) break;
    // A probe beyond the weight's range measures its end, and nothing when
    // the best stands there already.
    const int16_t held = Bounded(index, probe);
    if (held != probe && held == best) break;
    *field = held;
  }
  Print("best= %d, err= %0.6f, min= %d, max= %d\n\n", best, best_err, lo, hi);
  *field = entry;
  SetEvalParams();
  return int16_t(best);
}

}  // namespace

// The measurements need a quiescence search without table or info lines; the
// searches after the command run as they did before it.
void TuneConsoleParam(const char* name) {
  const char* file = PBlock.tool_file;
  Print("tune file= %s\n", file);
  const int8_t max_depth = SearchData.max_depth;
  const uint8_t hash_enabled = SearchData.hash_enabled;
  const double info_delay = PBlock.info_delay;
  SearchData.max_depth = 0;
  SearchData.hash_enabled = 0;
  PBlock.info_delay = kSilentInfoDelay;
  FILE* f = OpenInput(file);
  if (f) std::fclose(f);
  ParamRecord* p = FindParam(name);
  if (!p) ShowFormatted("no weight named '%s'", name);
  if (f && p) {
    Print("\ntuning %s\n", name);
    if (RandPick(file, "junk.epd", PBlock.tune_percent)) TuneSingleParam(name, p->field, "junk.epd");
  }
  SearchData.max_depth = max_depth;
  SearchData.hash_enabled = hash_enabled;
  PBlock.info_delay = info_delay;
  ShowMessage("done!\n");
}
