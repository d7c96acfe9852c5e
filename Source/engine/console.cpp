#include "engine/console.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "board/bitboard.h"
#include "board/fen.h"
#include "board/legal.h"
#include "board/makemove.h"
#include "board/movetext.h"
#include "board/see.h"
#include "engine/book.h"
#include "engine/console_edit.h"
#include "engine/console_perft.h"
#include "engine/console_pgn.h"
#include "engine/golimits.h"
#include "engine/infile.h"
#include "engine/loop.h"
#include "engine/output.h"
#include "engine/params.h"
#include "engine/textline.h"
#include "eval/display.h"
#include "eval/weights.h"
#include "search/output.h"
#include "search/root.h"
#include "search/searchcontrol.h"
#include "search/searchdata.h"
#include "search/searchparams.h"
#include "search/threads.h"
#include "search/tt.h"
#include "tools/console_tune.h"
#include "tools/epdline.h"
#include "tools/paramlist.h"

namespace {

constexpr int kMaxWords = 10;
constexpr int kWordSize = 128;  // 127 characters and the NUL
constexpr int kMaxAnalysisDepth = 66;
constexpr int kMaxPerftDepth = 20;
constexpr int kMaxMultiPV = 255;  // as the UCI option has it

struct Words {
  char word[kMaxWords][kWordSize];
  const char* rest;  // the text after the command word, blanks skipped
};

using Handler = void (*)(const Words&);

// One line for a value that cannot be used; what it would have set stays.
void RefuseValue(const char* what, const char* value, const char* wanted) {
  if (value[0])
    ShowFormatted("%s value '%s' is not %s, not used", what, value, wanted);
  else
    ShowFormatted("%s value missing (%s), not used", what, wanted);
}

// A whole number of lo..hi, else refused in one line naming wanted, or the
// range when wanted is null. A number beyond the range is refused, never held
// at its end, however many digits it has; so is a minus sign where no number
// below 0 is meant, also on "-0".
bool NumberIn(const char* what, const char* value, int lo, int hi, int* v, const char* wanted = nullptr) {
  if ((lo < 0 || value[0] != '-') && ReadInteger(value, lo, hi, v)) return true;
  char range[48];
  std::snprintf(range, sizeof range, "a whole number from %d to %d", lo, hi);
  RefuseValue(what, value, wanted ? wanted : range);
  return false;
}

// A depth limit of plies; above the deepest search means no limit.
bool DepthIn(const char* what, const char* value, int8_t* depth) {
  int v;
  if (!NumberIn(what, value, 1, INT_MAX, &v, "a whole number of plies from 1 to 66")) return false;
  *depth = int8_t(std::min(v, kMaxAnalysisDepth));
  return true;
}

// The level and depth the user set, held while an analysis runs under its
// own limits.
struct UserLimits {
  uint8_t time_control;
  double fixed_time;
  int8_t max_depth;
};
UserLimits user_limits;
bool analysis_limits = false;

// The command that runs long and looks at the input meanwhile; null when none.
struct LongCommand {
  const char* name;
  bool ended;
};
LongCommand long_command = {nullptr, false};

// Splits at blanks into at most ten words; false when a word is too long to
// keep whole, since a cut word could name another file or move.
bool SplitWords(const char* line, Words* cmd) {
  std::memset(cmd->word, 0, sizeof cmd->word);
  const char* s = line;
  for (int i = 0; i < kMaxWords; i++) {
    while (*s == ' ') s++;
    const size_t n = std::strcspn(s, " ");
    if (n >= size_t(kWordSize)) return false;
    std::memcpy(cmd->word[i], s, n);
    s += n;
    if (i == 0) {
      cmd->rest = s;
      while (*cmd->rest == ' ') cmd->rest++;
    }
  }
  return true;
}

void SetBothClocks(double seconds) {
  SearchData.clock[White] = seconds;
  SearchData.clock[Black] = seconds;
}

// A stored game move may be stale (the game went another way after it was
// taken back), so it is replayed only when it is one of the legal moves here.
bool LegalHere(Move m) { return m && CTD->game_ply < kMaxGamePly && IsLegalMove(&CTD->pos, m); }

void PlayGameMove(Move m) {
  MakeMove(&CTD->pos, m);
  CTD->search_ply = 1;
}

// A command's own search on worker 0: the loop has no result of it to
// report, and a request that waits (the next self-play move) still comes.
void PrepareOwnSearch() {
  PrepareNewSearch();
  SearchData.state = StateIdle;
}

void ShowGameBoard() {
  if (PBlock.eval_trace) {
    QuietSearch();
    ShowTracedEval();
  } else {
    ShowBoard(&CTD->pos);
  }
}

void New(const Words&) {
  AbandonSearch();
  SetPosition(&CTD->pos, fen_opn);
  ShowBoard(&CTD->pos);
  SetBothClocks(SearchData.fixed_time);
}

void Fen(const Words& cmd) {
  AbandonSearch();
  SetPosition(&CTD->pos, cmd.rest);
  ShowBoard(&CTD->pos);
}

void Quit(const Words&) {
  SearchData.stop = StopAbort;
  PBlock.quit = 1;
}

// An analysis replaces self-play, and its move is never played. Without a
// depth it has no limit.
void Analyse(const Words& cmd) {
  int8_t depth = kMaxAnalysisDepth;
  char what[16];
  std::snprintf(what, sizeof what, "%s depth", cmd.word[0]);
  if (cmd.word[1][0] && !DepthIn(what, cmd.word[1], &depth)) return;
  QuietSearch();
  selfplay = 0;
  if (!analysis_limits) user_limits = {SearchData.time_control, SearchData.fixed_time, SearchData.max_depth};
  analysis_limits = true;
  SearchData.time_control = TimeFixed;
  SearchData.fixed_time = kAnalysisTime;
  SearchData.max_depth = depth;
  if (SearchData.hash_enabled == 1) HashClear();
  SearchData.go_request = StateAnalysis;
}

void MoveSearch(const Words&) { SearchData.go_request = StateThinking; }

// Ends self-play whenever it comes: with the search it stops, between two of
// its searches, or asked for behind another search.
void Abort(const Words&) {
  if (selfplay) {
    selfplay = 0;
    SearchData.go_request = 0;
  }
  SearchData.stop = StopAbort;
}

void Board(const Words&) { ShowGameBoard(); }

void SelfPlay(const Words&) {
  Personality.Ponder = 0;
  selfplay = 1;
  SearchData.go_request = StateThinking;
}

constexpr char kTestFile[] = "test.epd";

// The id asked for: the rest of the line, without its quotes when it has them.
std::string_view TestId(std::string_view text) {
  text = text.substr(0, text.find_last_not_of(' ') + 1);
  if (text.size() >= 2 && text.front() == '"' && text.back() == '"') text = text.substr(1, text.size() - 2);
  return text;
}

// The id operation's operands as one text, as an unquoted id of several
// words reads.
std::string IdText(const std::vector<std::string>& operands) {
  std::string id;
  for (const std::string& o : operands) id += (id.empty() ? "" : " ") + o;
  return id;
}

// The first line of the file whose id is the name, whole; false when none is.
bool FindTestLine(TextFile* in, std::string_view name, EpdLine* epd) {
  while (ReadWholeLine(in)) {
    if (IsEpdComment(in->line) || !ReadEpdLine(in->line, epd)) continue;
    const std::vector<std::string>* id = FindOperands(*epd, "id");
    if (id && IdText(*id) == name) return true;
  }
  return false;
}

void GetTestPosition(const Words& cmd) {
  AbandonSearch();
  FILE* f = OpenInput(kTestFile);
  if (!f) return;
  TextFile in;
  in.f = f;
  EpdLine epd;
  const std::string_view name = TestId(cmd.rest);
  const bool found = FindTestLine(&in, name, &epd);
  std::fclose(f);
  if (!found) {
    ShowFormatted("id \"%.*s\" not found in %s", int(name.size()), name.data(), kTestFile);
    return;
  }
  // Tabs part the fields and operations as blanks do.
  std::replace(in.line.begin(), in.line.end(), '\t', ' ');
  ShowMessage(in.line.c_str());
  SetPosition(&CTD->pos, epd.position.c_str());
  ShowBoard(&CTD->pos);
  HashClear();
}

// The line is walked on worker 0's copy of the game, so the moves recorded
// after the game ply (which "]" replays) stay as they are.
void ShowTablePV(const Words&) {
  QuietSearch();
  InitSearchThreads();
  ThreadRecord* td = ThreadData[0].load();
  if (!td) return;
  Position* pos = &td->pos;
  const int first = td->search_ply;
  Move pv[kMaxPly + 1] = {};
  RetrievePV(pos, first, pv);
  char text[kMaxPly * kMoveTextSize] = "";
  size_t len = 0;
  int made = 0;
  for (int k = first; k < kMaxPly && pv[k]; k++) {
    char c[kMoveTextSize], a[kMoveTextSize], f[kMoveTextSize], r[kMoveTextSize];
    GenMoveStrings(pos, pv[k], c, a, f, r);
    len += size_t(std::snprintf(text + len, sizeof text - len, "%s ", a));
    MakeMove(pos, pv[k]);
    made++;
  }
  std::printf("PV: %s\n\n", text);
  std::fflush(stdout);
  ShowBoard(pos);
  while (made--) UnmakeMove(pos);
}

void Trace(const Words& cmd) {
  int depth;
  if (!NumberIn("trace depth", cmd.word[1], 0, UINT16_MAX, &depth)) return;
  QuietSearch();
  PBlock.trace_depth = uint16_t(depth);
}

void EvalInfo(const Words&) {
  QuietSearch();
  ShowTracedEval();
}

void EvalWeights(const Words&) { ShowEvalParams(); }

void SearchTables(const Words&) { ShowSearchParams(); }

void Undo(const Words&) {
  AbandonSearch();
  if (CTD->game_ply <= 0) return;
  UnmakeMove(&CTD->pos);
  CTD->search_ply = 1;
  ShowGameBoard();
}

void Redo(const Words&) {
  AbandonSearch();
  const Move m = CTD->undo[CTD->game_ply].move;
  if (!m) return;
  char text[kMoveTextSize];
  if (!LegalHere(m)) {
    ShowFormatted("stored move %s is not legal here", MoveToStr(m, text));
    return;
  }
  ShowFormatted("%d%s move %s", CTD->game_ply / 2 + 1, CTD->pos.side == White ? "." : "...", MoveToStr(m, text));
  PlayGameMove(m);
  ShowGameBoard();
}

void Jump(const Words& cmd) {
  int ply;
  if (!NumberIn("jump ply", cmd.word[1], 0, kMaxGamePly, &ply)) return;
  AbandonSearch();
  while (CTD->game_ply > 0) UnmakeMove(&CTD->pos);
  CTD->search_ply = 1;
  while (CTD->game_ply < ply && CTD->undo[CTD->game_ply].move) {
    const Move m = CTD->undo[CTD->game_ply].move;
    if (!LegalHere(m)) {
      char text[kMoveTextSize];
      ShowFormatted("stored move %s is not legal here", MoveToStr(m, text));
      break;
    }
    PlayGameMove(m);
  }
  ShowBoard(&CTD->pos);
}

void Load(const Words& cmd) { LoadGame(cmd.word[1], cmd.word[2]); }

void Save(const Words&) { SaveGame(); }

void Edit(const Words&) { EditBoard(); }

void Book(const Words&) {
  PG_GetBookMove(&CTD->pos);
  ShowMessage("");
}

void Tag(const Words&) {}

// Nothing typed while the tune runs changes what it measures.
void Tune(const Words& cmd) {
  if (!cmd.word[1][0]) {
    ShowMessage("tune needs the name of a weight");
    return;
  }
  // A sample of no lines measures nothing.
  int percent = PBlock.tune_percent;
  if (cmd.word[3][0] && !NumberIn("tune percent", cmd.word[3], 1, 100, &percent)) return;
  if (cmd.word[2][0]) CopyText(PBlock.tool_file, sizeof PBlock.tool_file, cmd.word[2]);
  if (!PBlock.tool_file[0]) CopyText(PBlock.tool_file, sizeof PBlock.tool_file, "tune.epd");
  PBlock.tune_percent = uint8_t(percent);
  // Each training line is set up on the game record.
  AbandonSearch();
  BeginLongCommand("tune");
  TuneConsoleParam(cmd.word[1]);
  EndLongCommand();
}

void Perft(const Words& cmd) {
  int depth;
  if (!NumberIn("perft depth", cmd.word[1], 0, kMaxPerftDepth, &depth)) return;
  QuietSearch();
  PrepareOwnSearch();
  BeginLongCommand("perft");
  ConsolePerft(depth);
  EndLongCommand();
}

void Swap(const Words&) {
  Position* pos = &CTD->pos;
  for (int sq = 0; sq < 64; sq++) {
    const int code = pos->board[sq];
    if (!code) continue;
    const int v = swapoff(pos, PieceColour(code) ^ 1, NoSquare, sq);
    if (v) std::printf("sq= %s, swap= %d\n", tbl[sq], v);
  }
  std::fflush(stdout);
}

// A decimal with no minus sign: "-0" would pass as 0, and "-0:30" as 30
// seconds.
bool UnsignedDecimal(const char* text, double* v) { return text[0] != '-' && ReadDecimal(text, v); }

// "set level" takes the time as seconds or as minutes:seconds.
bool LevelTime(const char* text, double* seconds) {
  const char* colon = std::strchr(text, ':');
  if (!colon) return UnsignedDecimal(text, seconds);
  char minutes[kWordSize];
  CopyText(minutes, sizeof minutes, text);
  minutes[colon - text] = 0;
  double m, sec;
  if (!UnsignedDecimal(minutes, &m) || !UnsignedDecimal(colon + 1, &sec)) return false;
  *seconds = m * 60.0 + sec;
  return true;
}

// The three values are all read before any is stored.
void SetLevel(const char* moves_text, const char* time_text, const char* inc_text) {
  int moves;
  double time, inc;
  if (!NumberIn("set level moves", moves_text, 0, UINT8_MAX, &moves)) return;
  char wanted[80];
  if (!LevelTime(time_text, &time) || time <= 0.0 || time > kMaxLimitSeconds) {
    std::snprintf(wanted, sizeof wanted, "seconds or minutes:seconds above 0, at most %.0f seconds", kMaxLimitSeconds);
    RefuseValue("set level time", time_text, wanted);
    return;
  }
  if (!UnsignedDecimal(inc_text, &inc) || inc > kMaxLimitSeconds) {
    std::snprintf(wanted, sizeof wanted, "seconds from 0 to %.0f", kMaxLimitSeconds);
    RefuseValue("set level increment", inc_text, wanted);
    return;
  }
  SearchData.time_control = uint8_t(moves);
  SearchData.increment = inc;
  SearchData.fixed_time = time;
  SetBothClocks(time);
  ShowFormatted("set level to %d moves in %0.2f seconds, inc %0.2f", moves, time, inc);
}

// Depth 0 would search nothing and name a move no search chose.
void SetDepth(const char* text) {
  int8_t depth;
  if (DepthIn("set depth", text, &depth)) SearchData.max_depth = depth;
}

void SetTargetNps(const char* text) {
  double nps;
  if (!ReadDecimal(text, &nps) || nps <= 0.0) {
    RefuseValue("set target_nps", text, "a number of nodes per second above 0");
    return;
  }
  SearchData.target_nps = nps;
  Personality.UCI_LimitStrength = 1;
  ShowFormatted("target_nps set to %.0f", nps);
}

void SetSelectivity(const char* text) {
  int v;
  if (!NumberIn("set ss", text, 0, 1, &v, "0 or 1")) return;
  if (v == 1) {
    Personality = DefaultPersonality;
    ShowMessage("set default personality");
    return;
  }
  Personality.SEP_depth = 0;
  Personality.LMP_depth = 0;
  Personality.NMP_depth = 99;
  Personality.LMR_depth = 99;
  ShowMessage("selectivity set to OFF");
}

struct SearchGate {
  const char* name;
  int field;  // index into the parameter record
};

const SearchGate* FindGate(const char* key) {
  static constexpr SearchGate gates[] = {
      {"NMP_depth", PARAM_INDEX(NMP_depth)}, {"SEP_depth", PARAM_INDEX(SEP_depth)},
      {"FP_depth", PARAM_INDEX(FP_depth)},   {"LMP_depth", PARAM_INDEX(LMP_depth)},
      {"LMR_depth", PARAM_INDEX(LMR_depth)}, {"LMR_strength", PARAM_INDEX(LMR_strength)},
  };
  for (const SearchGate& g : gates)
    if (!std::strcmp(key, g.name)) return &g;
  return nullptr;
}

// "set ss 0" shuts the gates within their ranges.
static_assert(Bounded(PARAM_INDEX(SEP_depth), 0) == 0 && Bounded(PARAM_INDEX(LMP_depth), 0) == 0 &&
              Bounded(PARAM_INDEX(NMP_depth), 99) == 99 && Bounded(PARAM_INDEX(LMR_depth), 99) == 99);

// A search parameter or weight, within the range every setter keeps it to.
void SetField(const char* what, const char* key, int index, const char* text) {
  const ParamRange r = RangeOf(index);
  int v;
  if (!NumberIn(what, text, r.lo, r.hi, &v)) return;
  Personality.f[index] = int16_t(v);
  ShowFormatted("%s set to %d", key, v);
}

// Keys whose value is one whole number; a value that is no number, out of
// range or none leaves the setting as it was.
void SetNumber(const char* key, const char* text) {
  char what[48];
  std::snprintf(what, sizeof what, "set %s", key);
  int v;
  if (!std::strcmp(key, "hash")) {
    if (NumberIn(what, text, 0, UINT8_MAX, &v)) SearchData.hash_enabled = uint8_t(v);
  } else if (std::strstr(key, "multipv")) {
    if (NumberIn(what, text, 1, kMaxMultiPV, &v)) Personality.MultiPV = int16_t(v);
  } else if (!std::strcmp(key, "debug")) {
    if (NumberIn(what, text, 0, 1, &v, "0 or 1")) PBlock.eval_trace = uint16_t(v);
  } else if (const SearchGate* g = FindGate(key)) {
    SetField(what, key, g->field, text);
  } else if (!std::strcmp(key, "ponder")) {
    if (!NumberIn(what, text, 0, 1, &v, "0 or 1")) return;
    Personality.Ponder = int16_t(v);
    ShowFormatted("%s set to %d", key, Personality.Ponder);
  } else if (ParamRecord* p = FindParam(key)) {
    // Where a console "tune" result is applied.
    SetField(what, key, int(p->field - Personality.f), text);
  } else {
    ShowFormatted("unknown setting '%s'", key);
  }
}

void SetNoise(const char* text) {
  double seconds;
  if (UnsignedDecimal(text, &seconds) && seconds <= kSilentInfoDelay)
    PBlock.info_delay = seconds;
  else
    RefuseValue("set noise", text, "seconds from 0 to 9999");
}

// Every setting may be read by a running search, and each one re-derives the
// tables the workers read, so the search ends first.
void Set(const Words& cmd) {
  QuietSearch();
  char key[32];
  CopyText(key, sizeof key, cmd.word[1]);
  const char* value = cmd.word[2];
  if (!std::strcmp(key, "noise"))
    SetNoise(value);
  else if (!std::strcmp(key, "level"))
    SetLevel(value, cmd.word[3], cmd.word[4]);
  else if (!std::strcmp(key, "depth"))
    SetDepth(value);
  else if (!std::strcmp(key, "target_nps"))
    SetTargetNps(value);
  else if (!std::strcmp(key, "ss"))
    SetSelectivity(value);
  else
    SetNumber(key, value);
  SetSearchParams();
  SetEvalParams();
}

// Every word that is no command is read as a move; one that is none either is
// answered in one line (the move reader names a text that two moves answer to).
void TypedMove(const char* word) {
  if (CTD->game_ply >= kMaxGamePly) {
    ShowFormatted("game longer than %d plies, '%s' not played", kMaxGamePly, word);
    return;
  }
  char text[kMoveTextSize] = "";
  Move m = NullMove;
  if (std::strlen(word) < size_t(kMoveTextSize)) {
    std::strcpy(text, word);
    if (!IsValidMove(text, &m)) m = NullMove;
  }
  if (!m) {
    if (!text[0] || MoveTextMatches(text) != 2) ShowFormatted("unknown command or illegal move '%s'", word);
    return;
  }
  AbandonSearch();
  ShowFormatted("%d. move %s", CTD->game_ply / 2 + 1, text);
  PlayGameMove(m);
  // The old continuation no longer follows from here.
  CTD->undo[CTD->game_ply].move = NullMove;
  ShowGameBoard();
}

void PlayMove(const Words& cmd) { TypedMove(cmd.word[1]); }

struct Entry {
  const char* word;
  Handler run;
};

constexpr Entry kCommands[] = {
    {"new", New},          {"fen", Fen},
    {"quit", Quit},        {"go", Analyse},
    {"an", Analyse},       {"mv", MoveSearch},
    {".", Abort},          {"bd", Board},
    {"self", SelfPlay},    {"get", GetTestPosition},
    {"pv", ShowTablePV},   {"trace", Trace},
    {"ev", EvalInfo},      {"sp", EvalWeights},
    {"lmr", SearchTables}, {"undo", Undo},
    {"[", Undo},           {"]", Redo},
    {"load", Load},        {"save", Save},
    {"jump", Jump},        {"edit", Edit},
    {"book", Book},        {"tag", Tag},
    {"tune", Tune},        {"perft", Perft},
    {"swap", Swap},        {"set", Set},
    {"move", PlayMove},
};

// While a long command runs only "." and "quit" are taken.
void AnswerWhileLong(const Words& cmd, const char* line) {
  const char* word = cmd.word[0];
  if (!std::strcmp(word, "quit")) Quit(cmd);
  if (!std::strcmp(word, "quit") || !std::strcmp(word, ".")) {
    long_command.ended = true;
    return;
  }
  ShowFormatted("%s is running: '%.*s' not done ('.' or 'quit' ends it)", long_command.name, kWordSize, line);
}

}  // namespace

void ShowTracedEval() {
  const uint16_t trace = PBlock.eval_trace;
  std::memset(&PBlock.display, 0, sizeof PBlock.display);
  // Depth 0: the root's quiescence search only, whose root evaluation is the
  // traced one.
  const int8_t max_depth = SearchData.max_depth;
  SearchData.max_depth = 0;
  PBlock.eval_trace = 1;
  PBlock.display.draw_adj = 1.0;
  PrepareOwnSearch();
  SearchIterations();
  SearchData.max_depth = max_depth;
  PBlock.eval_trace = trace;
  const ThreadRecord* td = ThreadData[0].load();
  if (!td) return;
  const int eval = td->root_eval;
  const int qscore = td->root_score.load();
  SearchData.root_eval = int16_t(eval);
  SearchData.root_score = int16_t(qscore);
  ShowEvalInfo(eval, qscore);
}

void QuietSearch() {
  EndSearchAndReport();
  WaitForIdleWorkers();
}

void AbandonSearch() {
  selfplay = 0;
  SearchData.go_request = 0;
  SearchData.stop = StopAbort;
  WaitForIdleWorkers();
  SearchData.state = StateIdle;
  EndAnalysisLimits();
}

void EndAnalysisLimits() {
  if (!analysis_limits) return;
  SearchData.time_control = user_limits.time_control;
  SearchData.fixed_time = user_limits.fixed_time;
  SearchData.max_depth = user_limits.max_depth;
  analysis_limits = false;
}

double LevelFixedTime() { return analysis_limits ? user_limits.fixed_time : SearchData.fixed_time; }

void BeginLongCommand(const char* name) { long_command = {name, false}; }

void EndLongCommand() { long_command = {nullptr, false}; }

bool LongCommandEnded() { return long_command.ended || PBlock.quit; }

void ProcessConsole(const char* line) {
  Words cmd;
  if (!SplitWords(line, &cmd)) {
    ShowFormatted("word longer than %d characters, line ignored", kWordSize - 1);
    return;
  }
  if (!cmd.word[0][0]) return;
  if (long_command.name) {
    AnswerWhileLong(cmd, line);
    return;
  }
  for (const Entry& e : kCommands) {
    if (!std::strcmp(cmd.word[0], e.word)) {
      e.run(cmd);
      return;
    }
  }
  TypedMove(cmd.word[0]);
}
