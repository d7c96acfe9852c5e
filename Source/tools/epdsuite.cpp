#include "tools/epdsuite.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "board/fen.h"
#include "board/movetext.h"
#include "engine/infile.h"
#include "engine/input.h"
#include "engine/outfile.h"
#include "engine/output.h"
#include "engine/pgnread.h"
#include "engine/params.h"
#include "engine/textline.h"
#include "eval/weights.h"
#include "search/output.h"
#include "search/root.h"
#include "search/searchcontrol.h"
#include "search/searchdata.h"
#include "search/searchparams.h"
#include "search/threads.h"
#include "search/tt.h"
#include "tools/poolsearch.h"

namespace {

constexpr int kLineSize = 512;  // a suite line: 510 characters, its line end and the NUL
constexpr char kUnsolvedFile[] = "unsolved.epd";

// Tabs separate words as blanks do, whichever program wrote the line.
constexpr char kBlanks[] = " \t";
constexpr char kOperationEnds[] = " \t;";

// Cuts the next token off s in place, skipping leading separators; null when
// none is left. *ended (when given) gets the separator that ended it, 0 at
// the end of the text.
char* NextToken(char*& s, const char* separators, char* ended = nullptr) {
  s += std::strspn(s, separators);
  if (!*s) return nullptr;
  char* token = s;
  s += std::strcspn(s, separators);
  if (ended) *ended = *s;
  if (*s) *s++ = 0;
  return token;
}

// The words of a move-list operand, up to its ';', joined by single blanks;
// a word that no longer fits is left out whole rather than cut into another
// move's text.
void CopyMoveList(char*& s, char* out) {
  char* rest = s + std::strcspn(s, ";");
  if (*rest) *rest++ = 0;
  size_t n = 0;
  while (const char* word = NextToken(s, kBlanks)) {
    const size_t len = std::strlen(word);
    if (n + (n > 0) + len >= size_t(kEpdOperandSize)) break;
    if (n) out[n++] = ' ';
    std::memcpy(out + n, word, len);
    n += len;
  }
  out[n] = 0;
  s = rest;
}

// A move that names two is no move of the suite, said in one line.
bool ReadSuiteMove(const char* word, int count, Move* move) {
  char text[kMoveTextSize];
  const std::string_view move_text = PgnMoveText(word);
  if (move_text.empty() || move_text.size() >= sizeof text) return false;
  text[move_text.copy(text, sizeof text - 1)] = 0;
  StripMoveMarks(text);
  const int reading = text[0] ? ReadMoveText(&CTD->pos, text, move) : kTextNoMove;
  if (reading == kTextAmbiguous) ShowRefusedMove("position", count, move_text, reading);
  return reading == kTextOneMove;
}

// What a bm or am list holds: whether any word is a legal move of the
// position, and whether the search's move is one of them.
struct ListedMoves {
  bool any = false;
  bool best = false;
};

ListedMoves FindMoves(const char* list, int count, Move best) {
  ListedMoves found;
  char work[kEpdOperandSize];
  CopyText(work, sizeof work, list);
  char* s = work;
  while (const char* word = NextToken(s, kBlanks)) {
    Move m;
    if (!ReadSuiteMove(word, count, &m)) continue;
    found.any = true;
    found.best = found.best || m == best;
  }
  return found;
}

// 1 when the search found a bm (or avoided every am), 0 when not, -1 when
// the line has neither as a legal move.
int ScoreResult(const char* bm, const char* am, int count) {
  const Move best = SearchData.pv[1];
  if (const ListedMoves b = FindMoves(bm, count, best); b.any) return b.best;
  if (const ListedMoves a = FindMoves(am, count, best); a.any) return !a.best;
  return -1;
}

// Shallow searches run in this thread and see the input only every 256
// positions; deeper ones run on the pool, polled as the main loop does.
void SearchPosition(int count) {
  if (SearchData.hash_enabled) HashClear();
  PrepareNewSearch();
  if (SearchData.max_depth > 5) {
    RunPoolSearch();
  } else {
    SearchIterations();
    if (const ThreadRecord* td = ThreadData[0].load(std::memory_order_acquire))
      SearchData.best_score = td->root_score.load(std::memory_order_relaxed);
    if (count % 256 == 255) {
      SearchTimecheck();
      UserInput();
    }
  }
  GetElapsedTime();
  Collect();
}

struct SuiteTotals {
  int count = 0;
  int correct = 0;
  uint64_t nodes = 0;
  double time = 0.0;
  double depth = 0.0;
  double bf = 0.0;
};

void ShowSummary(const SuiteTotals& t) {
  const int n = t.count ? t.count : 1;
  ShowFormatted("%d / %d correct best moves", t.correct, t.count);
  ShowFormatted("total nodes= %0.0f", double(t.nodes));
  ShowFormatted("total time= %0.2f seconds", t.time);
  ShowFormatted("avg depth= %0.1f", t.depth / n);
  ShowFormatted("avg nodes= %0.1f", double(t.nodes / uint64_t(n)));
  ShowFormatted("node_rate= %0.0f", double(t.nodes) / (t.time + 0.01));
  ShowFormatted("avg bf= %0.2f", t.bf / n);
  ShowMessage("");
}

// Searches one suite line; comments, short lines and lines without a
// position are passed over.
void AnalyzeLine(const char* line, FILE* unsolved, SuiteTotals& t) {
  char pos[kEpdPositionSize], bm[kEpdOperandSize], am[kEpdOperandSize], id[kEpdOperandSize], ce[kEpdOperandSize],
      c0[kEpdOperandSize], c6[kEpdOperandSize];
  // Too short for a position: nine characters or fewer, the line end counted.
  if (IsEpdComment(line) || std::strlen(line) < 9) return;
  if (!Parse_EPD(line, pos, bm, am, id, ce, c0, c6)) return;
  t.count++;
  // A refused text has already been reported, and leaves no position to search.
  if (SetPosition(&CTD->pos, pos) == kSetRejected) return;
  const bool show = PBlock.info_delay != kSilentInfoDelay;
  if (show) {
    ShowFormatted("pos= %d", t.count);
    ShowMessage(pos);
    ShowBoard(&CTD->pos);
  }
  SearchPosition(t.count);
  const uint64_t nodes = SearchData.totals[TotalNodes].load();
  t.time += SearchData.elapsed;
  t.nodes += nodes;
  t.depth += SearchData.best_depth;
  t.bf += EffectiveBranchingFactor();
  const int result = ScoreResult(bm, am, t.count);
  if (result > 0) t.correct++;
  // Flushed at once: the run stops at the first line that cannot be written.
  if (result < 0 && SearchData.best_depth > 0) {
    std::fprintf(unsolved, "%s\n", pos);
    std::fflush(unsolved);
  }
  if (show) {
    DisplaySearchInfo(0, 1, SearchData.best_depth, SearchData.best_score, SearchData.pv);
    char move[kMoveTextSize];
    const double elapsed = SearchData.elapsed;
    ShowFormatted("move= %s, time= %0.3f, score= %d, nodes= %0.0f, %0.0fK nps\n", MoveToStr(SearchData.pv[1], move),
                  elapsed, SearchData.best_score.load(), double(nodes), double(nodes) / (elapsed + 0.001) / 1000.0);
  }
  SearchData.state = StateIdle;
}

}  // namespace

int Parse_EPD(const char* line, char* pos, char* bm, char* am, char* id, char* ce, char* c0, char* c6) {
  for (char* out : {pos, bm, am, id, ce, c0, c6}) out[0] = 0;
  char work[kLineSize];
  CopyText(work, sizeof work, line);
  work[std::strcspn(work, "\r\n")] = 0;
  char* s = work;
  const char* field[4];
  for (const char*& f : field)
    if (!(f = NextToken(s, kBlanks))) return 0;
  std::snprintf(pos, kEpdPositionSize, "%s %s %s %s", field[0], field[1], field[2], field[3]);
  const struct {
    const char* code;
    char* out;
    bool moves;  // the whole operand: a list of moves
  } ops[] = {{"bm", bm, true}, {"am", am, true}, {"id", id, false},
             {"ce", ce, false}, {"c0", c0, false}, {"c6", c6, false}};
  char ended;
  while (const char* token = NextToken(s, kOperationEnds, &ended)) {
    for (const auto& op : ops) {
      if (std::strcmp(token, op.code)) continue;
      if (!op.moves) {
        if (const char* operand = NextToken(s, kOperationEnds)) CopyText(op.out, kEpdOperandSize, operand);
      } else if (ended != ';') {
        CopyMoveList(s, op.out);
      } else {
        op.out[0] = 0;
      }
      break;
    }
  }
  return 1;
}

bool IsEpdComment(const char* line) { return line[0] && std::strchr(" \t#;", line[0]); }

void StripMoveMarks(char* text) {
  char* out = text;
  for (const char* c = text; *c; c++)
    if (!std::strchr("#!?", *c)) *out++ = *c;
  *out = 0;
}

int Analyze_EPD_File() {
  const char* path = PBlock.tool_file;
  if (OutputIsInput(path, {kUnsolvedFile})) return 1;
  FILE* in = OpenInput(path);
  if (!in) return 1;
  FILE* unsolved = OpenOutput(kUnsolvedFile);
  if (!unsolved) {
    std::fclose(in);
    return 1;
  }
  ShowFormatted("Analyzing %s...", path);
  SetSearchParams();
  SetEvalParams();
  if (SearchData.max_depth < 3) SearchData.hash_enabled = 0;
  SuiteTotals totals;
  char line[kLineSize];
  int skipped = 0;
  while (!PBlock.quit && !std::ferror(unsolved)) {
    const int before = skipped;
    if (!ReadTextLine(in, line, kLineSize - 1, &skipped)) break;
    if (skipped != before) ShowFormatted("skipped a line longer than %d characters", kLineSize - 2);
    AnalyzeLine(line, unsolved, totals);
  }
  std::fclose(in);
  // A run that lost a line reports that instead of its totals.
  if (!std::ferror(unsolved)) ShowSummary(totals);
  return CloseOutput(unsolved, kUnsolvedFile) ? 0 : 1;
}
