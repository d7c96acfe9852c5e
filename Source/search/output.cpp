#include "search/output.h"

#include <cstdio>
#include <cstring>

#include "board/attacks.h"
#include "board/legal.h"
#include "board/makemove.h"
#include "board/movetext.h"
#include "engine/output.h"
#include "engine/params.h"
#include "search/records.h"
#include "search/search.h"
#include "search/searchcontrol.h"
#include "search/searchdata.h"
#include "search/threads.h"
#include "search/tt.h"

namespace {

constexpr int kMaxShownMoves = 66;
// The centipawns shown for a root the tablebases call won (or, negated, lost)
// while the search has found no mate.
constexpr int kTbShown = 9800;

// Up to kMaxShownMoves moves of pv from element 1, blank-separated.
void MovesText(const Move* pv, char* out) {
  char* p = out;
  *p = 0;
  char buf[16];
  for (int i = 1; i <= kMaxShownMoves && i < kMaxPly && pv[i]; i++) {
    if (i > 1) *p++ = ' ';
    const char* s = MoveToStr(pv[i], buf);
    const size_t n = std::strlen(s);
    std::memcpy(p, s, n + 1);
    p += n;
  }
}

// The console row shows at most 8 moves while the search runs and 32 once
// it stops, four to a row.
void ConsoleMovesText(const char* moves, char* out) {
  const int limit = SearchData.stop ? 32 : 8;
  char* p = out;
  int count = 0;
  while (*moves && count < limit) {
    size_t n = std::strcspn(moves, " ");
    if (count) {
      if (count % 8 == 0) {
        *p++ = '\n';
        std::memset(p, ' ', 30);
        p += 30;
      } else {
        *p++ = ' ';
      }
    }
    std::memcpy(p, moves, n);
    p += n;
    moves += n;
    if (*moves) moves++;
    count++;
  }
  *p = 0;
}

int ShownScore(int score) {
  switch (SearchData.tb_result) {
    case 4:
      return score >= kFoundMate ? score : kTbShown;
    case 0:
      return score < -kFoundMate ? score : -kTbShown;
    case 2:
      return 0;
    default:
      return score;
  }
}

int SelectiveDepth() {
  ThreadRecord* td = ThreadData[0];
  return td ? td->sel_depth - 1 : 0;
}

}  // namespace

void ScoreText(int score, char* out) {
  if (score >= kShownMate)
    std::sprintf(out, "mate %d", (kInfinity - score) / 2);
  else if (score < -kShownMate)
    // Mated at ply p scores p - kInfinity with p odd for the root side, so
    // p - 1 plies are p / 2 moves of ours.
    std::sprintf(out, "mate -%d", (score + kMatedAtRoot) / 2);
  else
    std::sprintf(out, "cp %d", score);
}

void PrintSearchInfo(int thread, int slot, int depth, int score, const Move* pv, int bound) {
  Lock(spinlock2);
  Collect();
  if (depth > 6) RefreshHashFill();
  const int s = ShownScore(score);
  // A score the tablebases give in place of the search's is no bound.
  if (s != score) bound = ScoreExact;
  char moves[kMaxShownMoves * 8];
  MovesText(pv, moves);
  const double elapsed = SearchData.elapsed;
  const double nodes = static_cast<double>(SearchData.totals[TotalNodes].load());
  const double nps = elapsed > 0.001 ? nodes / elapsed : 0.0;
  char line[1024];
  if (PBlock.protocol == 1) {
    char multipv[24] = "";
    if (Personality.MultiPV > 1) std::snprintf(multipv, sizeof multipv, "multipv %d ", slot);
    char score_text[40];
    ScoreText(s, score_text);
    if (bound == ScoreUpper) std::strcat(score_text, " upperbound");
    if (bound == ScoreLower) std::strcat(score_text, " lowerbound");
    std::snprintf(line, sizeof line,
                  "info %s%sdepth %d seldepth %d score %s time %.0f nodes %.0f nps %.0f tbhits %.0f "
                  "hashfull %.0f pv %s",
                  multipv, "", depth, SelectiveDepth(), score_text, elapsed * 1000.0, nodes, nps,
                  static_cast<double>(SearchData.totals[TotalTbHits].load()), SearchData.hash_fill * 1000.0, moves);
  } else {
    char row[512];
    ConsoleMovesText(moves, row);
    int n = std::snprintf(line, sizeof line, "%02d] %02d%c %5.1f %7.0fK %5d  %s", thread, depth,
                          slot > 0 ? '.' : ' ', elapsed, nodes * 0.001, s, row);
    if (thread == 0 && slot == Personality.MultiPV && n > 0 && n < static_cast<int>(sizeof line) - 1)
      std::strcat(line, "\n");
  }
  ShowMessage(line);
  Unlock(spinlock2);
}

bool DisplaySearchInfo(int thread, int slot, int depth, int score, const Move* pv, int bound) {
  // A search on the pool takes its own time: the main loop does not look at
  // one that no clock can end.
  if (ThreadsAreBusy()) GetElapsedTime();
  if (SearchData.stop == StopRun && PBlock.info_delay > SearchData.elapsed) return false;
  if (PBlock.info_delay == kSilentInfoDelay || depth == 0 || !pv[1]) return false;
  PrintSearchInfo(thread, slot, depth, score, pv, bound);
  return true;
}

void RetrievePV(Position* pos, int ply, Move* pv) {
  if (ply > kMaxShownMoves) return;
  Move m = pv[ply];
  if (!m) {
    HashEntry e{};
    e.move = NullMove;
    e.score = -kInfinity;
    e.depth = -99;
    HashProbe(pos, &e);
    // A miss, a failed check and a move of the wrong side all leave a depth
    // below 1.
    if (e.depth < 1 || !e.move) {
      pv[ply + 1] = NullMove;
      return;
    }
    m = e.move;
    pv[ply + 1] = NullMove;
    Move moves[256];
    if (pos->fifty > 99 && LegalMoves(pos, moves)) return;
    const ThreadRecord* td = pos->owner;
    for (int back = 4; back <= pos->fifty && td->game_ply - back >= 0; back += 2)
      if (RepeatsEarlier(pos, td->undo[td->game_ply - back])) return;
  }
  // A table move may come from another position: test it against the
  // generated moves, not just for leaving the king safe.
  if (!IsLegalMove(pos, m)) return;
  pv[ply] = m;
  MakeMove(pos, m);
  if (ply + 1 <= kMaxShownMoves) RetrievePV(pos, ply + 1, pv);
  UnmakeMove(pos);
}
