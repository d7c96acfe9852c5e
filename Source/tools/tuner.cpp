#include "tools/tuner.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "board/fen.h"
#include "engine/infile.h"
#include "engine/input.h"
#include "engine/outfile.h"
#include "engine/output.h"
#include "engine/params.h"
#include "engine/pgnread.h"
#include "engine/textline.h"
#include "eval/weights.h"
#include "search/root.h"
#include "search/searchcontrol.h"
#include "search/searchdata.h"
#include "search/searchparams.h"
#include "search/threads.h"
#include "tools/epdline.h"
#include "tools/paramlist.h"

namespace {

constexpr int kScoreLimit = 32767;  // a stored score beyond it makes the line unusable
constexpr char kFilterFile[] = "tune_new.epd";
constexpr char kLogFile[] = "tune.log";
constexpr char kSampleFile[] = "junk.epd";       // drawn anew for each pass
constexpr char kValidationFile[] = "junk2.epd";  // drawn once

// One training line: the position text and its stored scores.
struct TrainingLine {
  EpdLine epd;
  int ce = 0;
  int c6 = 0;
  double result = 0.0;  // white's view
};

// What one pass over a training file saw.
struct ErrorPass {
  bool opened = false;
  double sum = 0.0;
  int count = 0;     // positions in the mean
  int searched = 0;  // positions set up and searched
};

// A score operand; an absent one reads as fallback.
bool ReadScore(std::string_view operand, int fallback, int* score) {
  if (operand.empty()) {
    *score = fallback;
    return true;
  }
  return ReadInteger(std::string(operand).c_str(), -kScoreLimit, kScoreLimit, score);
}

// The position, ce (0 when absent) and c6 (ce when absent) and the c9
// result; false when the line has no position, a score that is no number of
// the score range, or no result.
bool ReadTrainingLine(const std::string& line, TrainingLine* t) {
  if (!ReadEpdLine(line, &t->epd)) return false;
  if (!ReadScore(FirstOperand(t->epd, "ce"), 0, &t->ce) || !ReadScore(FirstOperand(t->epd, "c6"), t->ce, &t->c6))
    return false;
  constexpr double kWhiteScore[] = {1.0, 0.0, 0.5};  // by PgnResult
  const PgnResult result = ReadPgnResult(FirstOperand(t->epd, "c9"));
  if (result == PgnNoResult) return false;
  t->result = kWhiteScore[result];
  return true;
}

// A line as read, whatever bytes it holds, with one line end.
void WriteLine(FILE* out, const std::string& line) {
  std::fwrite(line.data(), 1, line.size(), out);
  std::fputc('\n', out);
}

// The quiescence score of the game position, side to move's view (the
// callers set the maximum depth to 0).
int QuiescenceScore() {
  PrepareNewSearch();
  SearchIterations();
  SearchData.state = StateIdle;
  const ThreadRecord* td = ThreadData[0].load(std::memory_order_acquire);
  return td ? td->root_score.load(std::memory_order_relaxed) : 0;
}

// The -mktune filter: the stored scores must agree with the result, with
// each other and with the engine's own score.
bool Agrees(const TrainingLine& t, int score, double result) {
  if (result == 1.0 && t.c6 - t.ce < -35) return false;
  if (result == 0.0 && t.c6 - t.ce > 35) return false;
  if (std::abs(score - t.ce) > 150) return false;
  return std::fabs(WinProbability(t.ce) - result) <= 0.55;
}

// Lines the board refuses are skipped and the pass goes on, so the mean
// always covers every usable line of the file.
ErrorPass MeasureError(const char* path, FILE* out) {
  ErrorPass pass;
  FILE* in = OpenInput(path);
  if (!in) return pass;
  pass.opened = true;
  SetSearchParams();
  SetEvalParams();
  SearchData.hash_enabled = 0;
  TextFile file;
  file.f = in;
  TrainingLine t;
  while (!PBlock.quit && ReadWholeLine(&file)) {
    const std::string& line = file.line;
    if (IsEpdComment(line)) continue;
    if (!ReadTrainingLine(line, &t)) continue;
    if (SetPosition(&CTD->pos, t.epd.position.c_str()) != kSetOk) continue;  // it has shown the line
    pass.searched++;
    const int score = QuiescenceScore();
    if (pass.searched % 256 == 255) {
      SearchTimecheck();
      UserInput();
    }
    if (std::abs(score) > 900) continue;
    const double result = CTD->pos.side == White ? t.result : 1.0 - t.result;
    if (out) {
      if (!Agrees(t, score, result)) continue;
      WriteLine(out, line);
      if (std::ferror(out)) break;  // the close reports it
    }
    pass.sum += std::pow(std::fabs(WinProbability(score) - result), 1.5);
    pass.count++;
  }
  std::fclose(in);
  return pass;
}

double Mean(const ErrorPass& pass) {
  if (!pass.opened) return 1.0;
  return pass.count ? pass.sum / pass.count : 0.0;
}

// One line on the trouble a whole training file gave; false when it has
// nothing to learn from.
bool CheckTrainingFile(const ErrorPass& pass, const char* path) {
  if (!pass.opened) return false;  // the opening has said why
  if (!pass.searched) ShowFormatted("no training positions in %s", path);
  return pass.searched > 0;
}

FILE* fdtune = nullptr;

// A progress line of the gradient tuner, in "tune.log" and on the screen;
// once a write to the log has failed the screen shows no more and the tuner
// stops.
void Report(const char* format, ...) {
  char text[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  std::fprintf(fdtune, "%s\n", text);
  if (std::fflush(fdtune) == 0 && !std::ferror(fdtune)) ShowMessage(text);
}

// Stores value in p's field, within the field's range; returns what was stored.
int StoreField(ParamRecord& p, double value) { return *p.field = BoundedValue(p, value); }

constexpr const char* kGradientParams[] = {
    "knight_value_op",    "knight_value_en",    "bishop_value_op",   "bishop_value_en",   "rook_value_op",
    "rook_value_en",      "queen_value_op",     "queen_value_en",    "bishop_pair_op",    "bishop_pair_en",
    "knight_mobility_op", "knight_mobility_en", "bishop_mobility_op", "bishop_mobility_en", "rook_mobility_op",
    "rook_mobility_en",   "queen_mobility_op",  "queen_mobility_en", "pawn_connected_op", "pawn_connected_en",
    "pawn_defended_op",   "pawn_defended_en",   "pawn_candidate_en", "pawn_passed_op",    "pawn_passed_en",
    "king_safety",        "hung_pawn_op",       "hung_pawn_en",      "hung_piece_op",     "hung_piece_en",
    "PST_P_op",           "PST_P_en",           "PST_N_op",          "PST_N_en",          "PST_B_op",
    "PST_B_en",           "PST_R_op",           "PST_R_en",          "PST_Q_op",          "PST_Q_en",
    "PST_K_op",           "PST_K_en",
};

// Step statistics of one pass, which set the next pass's learning rate.
struct StepStats {
  double sum_ratio = 0.0;
  double max_ratio = 0.0;
  double max_move = 0.0;
};

// A central difference of the error around the field's value, and a step
// against it bounded to a share of the value. At an end of the weight's range
// the difference is taken to that end.
void StepParam(ParamRecord& p, double k0, StepStats* stats) {
  const int v = *p.field;
  const double a = std::fabs(p.value);
  const int d = int(std::lround(0.03 * a + 1.0));
  const int below = StoreField(p, v - d);
  const double e1 = Process_EPD_File(kSampleFile, 0);
  const int above = StoreField(p, v + d);
  const double e2 = Process_EPD_File(kSampleFile, 0);
  StoreField(p, v);
  if (PBlock.quit) return;  // a pass cut short measures nothing
  const double g = (e2 - e1) / (above - below);
  p.gradient = g;
  const double r = std::fabs(k0 * g);
  stats->sum_ratio += r;
  stats->max_ratio = std::max(stats->max_ratio, r);
  const double x = -k0 * g * (6.0 + a);
  stats->max_move = std::max(stats->max_move, std::fabs(x));
  const double limit = 0.025 * (6.0 + a);
  const double step = std::clamp(x, -limit, limit);
  MoveValue(p, step);
  Report("p1=%4d/%6.5f, p2=%4d/%6.5f, g=%10.2e, lr=%5.2f, x=%5.1f, p=%6.1f", below, e1, above, e2, g,
         100.0 * k0 * g, step, p.value);
}

}  // namespace

double WinProbability(int score) { return 1.0 / (1.0 + std::pow(10.0, -score / 400.0)); }

bool RandPick(const char* in, const char* out, int percent) {
  if (OutputIsInput(in, {out})) return false;
  FILE* fin = OpenInput(in);
  if (!fin) return false;
  FILE* fout = OpenOutput(out);
  if (!fout) {
    std::fclose(fin);
    return false;
  }
  TextFile lines;
  lines.f = fin;
  while (!std::ferror(fout) && ReadWholeLine(&lines))
    if (std::rand() % 100 < percent) WriteLine(fout, lines.line);
  std::fclose(fin);
  return CloseOutput(fout, out);
}

double Process_EPD_File(const char* path, int write, int* status) {
  if (status) *status = 0;
  if (!write) return Mean(MeasureError(path, nullptr));
  // Tried first, so that an unreadable input leaves the output as it was.
  FILE* in = OutputIsInput(path, {kFilterFile}) ? nullptr : OpenInput(path);
  if (!in) {
    if (status) *status = 1;
    return 1.0;
  }
  std::fclose(in);
  FILE* out = OpenOutput(kFilterFile);
  const ErrorPass pass = out ? MeasureError(path, out) : ErrorPass{};
  if (!out || !CloseOutput(out, kFilterFile)) {
    if (status) *status = 1;
    return 1.0;
  }
  if (!CheckTrainingFile(pass, path) && status) *status = 1;
  return Mean(pass);
}

int TuneGradient() {
  const char* file = PBlock.tool_file;
  if (OutputIsInput(file, {kLogFile, kSampleFile, kValidationFile})) return 1;
  SearchData.max_depth = 0;
  PBlock.info_delay = kSilentInfoDelay;
  const ErrorPass first = MeasureError(file, nullptr);
  if (!first.opened) return 1;
  if (!CheckTrainingFile(first, file)) return 1;
  if (flag <= 0) AddParams();
  for (const char* name : kGradientParams) SetFlag(name);
  fdtune = OpenOutput(kLogFile);
  if (!fdtune) return 1;
  std::fprintf(fdtune, "tuning file is %s\n\n", file);
  std::fflush(fdtune);
  // A failed write ends the tuner: a sample file's at once, the log's at the
  // next check of the log.
  bool sampled = !std::ferror(fdtune) && RandPick(file, kValidationFile, 25);

  double k0 = 3000.0;
  StepStats last;
  int selected = 0;
  for (int i = 0; i < nParams; i++) selected += ParamList[i].selected;
  for (int pass = 0; pass < 100 && sampled && !PBlock.quit && !std::ferror(fdtune); pass++) {
    if (!(sampled = RandPick(file, kSampleFile, 20))) break;
    Report("pass= %d, k0= %0.3e, avg_lr= %0.1f, max_lr= %0.1f\n", pass, k0, 100.0 * last.sum_ratio / selected,
           100.0 * last.max_ratio);
    for (int i = 0; i < nParams; i++) {
      if (!ParamList[i].selected) continue;
      StoreField(ParamList[i], ParamList[i].value);
      Report("** %s = %d", ParamList[i].name, *ParamList[i].field);
    }
    const double err = Process_EPD_File(kValidationFile, 0);
    if (PBlock.quit) break;
    Report("\nerr= %0.5f\n\n", err);

    StepStats stats;
    for (int i = 0; i < nParams && !PBlock.quit && !std::ferror(fdtune); i++)
      if (ParamList[i].selected) StepParam(ParamList[i], k0, &stats);
    if (stats.max_ratio < 0.016 || stats.max_move < 0.8) k0 *= 1.03;
    if (stats.sum_ratio / selected > 0.07) k0 *= 0.97;
    last = stats;
    Report("");
  }
  const bool logged = CloseOutput(fdtune, kLogFile);
  fdtune = nullptr;
  SetEvalParams();
  return sampled && logged ? 0 : 1;
}
