#include "tools/epdsuite.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

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
#include "tools/epdline.h"
#include "tools/poolsearch.h"

namespace {

constexpr char kUnsolvedFile[] = "unsolved.epd";

// A move that names two is no move of the suite, said in one line.
bool ReadSuiteMove(std::string_view word, int count, Move* move) {
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

ListedMoves FindMoves(const EpdLine& epd, const char* opcode, int count, Move best) {
  ListedMoves found;
  const std::vector<std::string>* list = FindOperands(epd, opcode);
  if (!list) return found;
  for (const std::string& word : *list) {
    Move m;
    if (!ReadSuiteMove(word, count, &m)) continue;
    found.any = true;
    found.best = found.best || m == best;
  }
  return found;
}

// 1 when the search found a bm (or avoided every am), 0 when not, -1 when
// the line has neither as a legal move.
int ScoreResult(const EpdLine& epd, int count) {
  const Move best = SearchData.pv[1];
  if (const ListedMoves b = FindMoves(epd, "bm", count, best); b.any) return b.best;
  if (const ListedMoves a = FindMoves(epd, "am", count, best); a.any) return !a.best;
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
  int count = 0;     // lines with a position
  int searched = 0;  // positions set up and searched
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
void AnalyzeLine(const std::string& line, EpdLine* epd, FILE* unsolved, SuiteTotals& t) {
  // Too short for a position: nine characters or fewer, the line end counted.
  if (IsEpdComment(line) || line.size() < 9) return;
  if (!ReadEpdLine(line, epd)) return;
  t.count++;
  const char* pos = epd->position.c_str();
  // A refused text has already been reported, and leaves no position to search.
  if (SetPosition(&CTD->pos, pos) == kSetRejected) return;
  t.searched++;
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
  const int result = ScoreResult(*epd, t.count);
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
  TextFile suite;
  suite.f = in;
  EpdLine epd;
  while (!PBlock.quit && !std::ferror(unsolved) && ReadWholeLine(&suite))
    AnalyzeLine(suite.line, &epd, unsolved, totals);
  std::fclose(in);
  // A run that lost a line reports that instead of its totals.
  if (!std::ferror(unsolved)) {
    if (totals.searched) ShowSummary(totals);
    else ShowFormatted("no positions in %s", path);
  }
  return CloseOutput(unsolved, kUnsolvedFile) && totals.searched ? 0 : 1;
}
