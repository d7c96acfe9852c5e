#include "engine/loop.h"

#include <algorithm>
#include <cstdio>

#include "board/bitboard.h"
#include "board/fen.h"
#include "board/legal.h"
#include "board/makemove.h"
#include "board/movetext.h"
#include "engine/book.h"
#include "engine/console.h"
#include "engine/input.h"
#include "engine/output.h"
#include "engine/params.h"
#include "platform/input.h"
#include "platform/timer.h"
#include "search/output.h"
#include "search/root.h"
#include "search/search.h"
#include "search/searchdata.h"
#include "search/threads.h"
#include "search/searchcontrol.h"
#include "search/tt.h"

int selfplay = 0;
bool infinite_go = false;
bool position_refused = false;

namespace {

bool hold_result = false;

constexpr int kWatchUs = 1000;  // between two looks at a running search
// The longest timed wait; a longer fixed time (a console analysis) is
// looked at again after it.
constexpr int kLongestWaitUs = 1000 * 1000 * 1000;

// Set when a go met a refused position, or a console "go" a game past the
// fifty-move limit: the null answer is then meant, not a search that found
// nothing.
bool no_move_answer = false;

void AskBook() {
  const Move m = PG_GetBookMove(&CTD->pos);
  SearchData.pv[1] = m;
  SearchData.pv[2] = NullMove;
  if (!m) return;
  char line[64];
  std::snprintf(line, sizeof line, "%s book move is %s%s", PBlock.protocol ? "info string" : "",
                tbl[MoveFrom(m)], tbl[MoveTo(m)]);
  ShowMessage(line);
  SearchData.best_score = 0;
  SearchData.book_move = m;
  SearchData.stop = StopReport;
}

void StartGo() {
  PrepareNewSearch();
  SearchData.book_move = NullMove;
  no_move_answer = position_refused;
  hold_result = infinite_go;
  infinite_go = false;
  if (Personality.OwnBook && !no_move_answer && GamePlies(CTD) < Personality.OwnBook_Depth) AskBook();
  if (SearchData.pv[1] == NullMove && !no_move_answer) {
    // A controller wants a move whatever the count; the console's self-play
    // ends at the limit instead.
    if (CTD->pos.fifty > 100 && PBlock.protocol == 0)
      no_move_answer = true;
    else
      StartSearch();
  }
  SearchData.go_request = 0;
}

// Whether the search stored a result of its own: a move it chose, a book
// move, or the finding that there is none. Until its first iteration ends
// the root holds only the move it tries first, a stand-in for a controller
// that must be answered with a move.
bool SearchHasResult() { return SearchData.best_score.load(std::memory_order_relaxed) > -kInfinity; }

// The move to announce. A controller gets the search's move when it is
// legal in the game position, else the first legal move, so it never
// receives no move while one exists. The console shows and plays only a
// move that a search of this position chose.
void ResultMoves(Move* best, Move* ponder) {
  Position* pos = &CTD->pos;
  *best = SearchData.pv[1];
  *ponder = *best ? SearchData.pv[2] : NullMove;
  const bool legal = *best && IsLegalMove(pos, *best);
  if (no_move_answer || (PBlock.protocol == 0 && (!legal || !SearchHasResult()))) {
    *best = *ponder = NullMove;
    return;
  }
  if (!legal) {
    Move moves[256];
    *best = LegalMoves(pos, moves) ? moves[0] : NullMove;
    *ponder = NullMove;
    return;
  }
  if (*ponder) {
    MakeMove(pos, *best);
    if (!IsLegalMove(pos, *ponder)) *ponder = NullMove;
    UnmakeMove(pos);
  }
}

void ShowStatistics(Move best) {
  const double elapsed = SearchData.elapsed;
  double t[8];
  for (int i = 0; i < 8; i++) t[i] = static_cast<double>(SearchData.totals[i].load());
  RefreshHashFill();
  const double fill = SearchData.hash_fill;
  char text[16];
  char line[256];
  std::snprintf(line, sizeof line, "move= %s, time= %0.3f, score= %d, nodes= %0.0f, nps= %0.0fK ebf= %0.2f",
                MoveToStr(best, text), elapsed, SearchData.best_score.load(), t[0],
                t[0] / (elapsed + 0.001) / 1000.0, EffectiveBranchingFactor());
  ShowMessage(line);
  std::snprintf(line, sizeof line,
                "Hash fill= %.1f%%, Hash hits: main= %0.1f%%, pawn= %0.1f%%, eval= %0.1f%%, TB=%0.0fK",
                100.0 * fill, 100.0 * t[4] / (t[3] + 1.0), 100.0 * t[6] / (t[5] + 1.0),
                100.0 * t[2] / (t[1] + 1.0), t[7] / 1000.0);
  ShowMessage(line);
  ShowMessage("");
}

// A level of so many moves in a time gives the time again after each of the
// side's moves that ends a control: its control-th, twice that, and so on.
// The move count is the one the time manager plans with.
double ControlTime() {
  const int moves = SearchData.time_control;
  if (moves == TimeSuddenDeath || moves == TimeFixed) return 0.0;
  return (GamePlies(CTD) / 2 + 1) % moves == 0 ? SearchData.fixed_time : 0.0;
}

// Console self-play after a search of the game position: its move is played
// and the other side's search asked for. A search that a command ended
// before it chose a move is asked for again, for the same position.
void PlaySelfPlayMove(Move best, bool search_again) {
  const int side = CTD->pos.side;
  SearchData.clock[side] = SearchData.clock[side] - SearchData.elapsed + SearchData.increment;
  if (search_again) {
    SearchData.go_request = StateThinking;
  } else if (best && CTD->game_ply >= kMaxGamePly) {
    ShowFormatted("game longer than %d plies, self-play ends", kMaxGamePly);
    selfplay = 0;
  } else if (best) {
    SearchData.clock[side] += ControlTime();
    MakeMove(&CTD->pos, best);
    CTD->search_ply = 1;
    ShowBoard(&CTD->pos);
    SearchData.go_request = StateThinking;
  } else {
    selfplay = 0;
  }
}

// kind is the state the search ran in; by_command is set when a command
// ended it to use the threads.
void Report(uint8_t kind, bool by_command) {
  Collect();
  DisplayFinalInfo();
  Move best, ponder;
  ResultMoves(&best, &ponder);
  const bool unsearched = !no_move_answer && !SearchHasResult();
  if (PBlock.protocol) {
    char b[16], p[16], line[64];
    std::snprintf(line, sizeof line, "bestmove %s%s%s", best ? MoveToStr(best, b) : "(none)",
                  ponder ? " ponder " : "", ponder ? MoveToStr(ponder, p) : "");
    ShowMessage(line);
  } else if (unsearched) {
    ShowMessage("no move: search stopped before depth 1");
  } else {
    ShowStatistics(best);
  }
  EndAnalysisLimits();
  // An analysis plays nothing; a self-play asked for meanwhile starts next.
  if (selfplay && kind != StateAnalysis) PlaySelfPlayMove(best, unsearched && by_command);
  SearchData.state = StateIdle;
}

// The end of input ends the run as "quit" does, once every search asked for
// has been answered: a bounded one finishes; one that only a command could
// end (infinite, pondering, console analysis, a console search under the
// analysis's time) is ended and reported now, so a request waiting behind it
// is answered next; console self-play plays no further move.
void EndOfInput() {
  selfplay = 0;
  const uint8_t state = SearchData.state;
  if (state == StatePondering || state == StateAnalysis || hold_result ||
      (PBlock.protocol == 0 && SearchData.target_time >= kAnalysisTime))
    EndSearchAndReport();
  if (SearchData.go_request || SearchData.state != StateIdle) return;
  SearchData.stop = StopAbort;
  PBlock.quit = 1;
}

// A search has ended and its result is due: not while pondering, nor while
// an infinite search waits for "stop".
bool SearchEnded() {
  const int state = SearchData.state;
  return state != StateIdle && state != StatePondering && !hold_result && !ThreadsAreBusy();
}

// How long a pass waits for input. Only a search that the clock can end is
// watched: one by the clocks every millisecond, four times closer under the
// reserve (where a move must cost less than the increment), and woken for
// when its move time is up; a fixed time is woken for when it is up, and
// past it a search that cannot end yet (before depth 2) is watched again.
// Nothing else needs a timed wake-up: an idle engine, a result held for
// "stop", a go that started no search, a pondering search (whose clock
// starts with "ponderhit", which comes as input) and one without a time
// limit wait for input, and a search's end wakes the loop when its workers
// go idle. A running search's info lines take their own time.
int PollMicroseconds() {
  const int state = SearchData.state;
  if ((SearchData.go_request && state == StateIdle) || SearchEnded()) return 0;
  if (state == StateIdle || state == StatePondering || Stopped() || !ThreadsAreBusy()) return kWaitForever;
  const bool fixed = SearchData.time_control == TimeFixed;
  if (fixed && SearchData.fixed_time >= kNoTimeLimit) return kWaitForever;
  if (ClockUnderReserve()) return kWatchUs / 4;
  const double left_us = FixedTimeLeft() * 1e6;
  if (left_us <= 0) return kWatchUs;
  return int(std::min(left_us, double(fixed ? kLongestWaitUs : kWatchUs)));
}

}  // namespace

void EndSearchAndReport() {
  const uint8_t kind = SearchData.state;
  if (kind == StateIdle) return;
  // A pondering search and one that waits for "stop" are reported too.
  SearchData.state = StateThinking;
  hold_result = false;
  StopIfRunning(StopReport);
  WaitForIdleWorkers();
  Report(kind, true);
}

void Loop() {
  SetPosition(&CTD->pos, fen_opn);
  if (PBlock.protocol == 0) ShowBoard(&CTD->pos);
  SearchData.go_request = 0;
  PBlock.quit = 0;
  while (!PBlock.quit) {
    const int wait_us = PollMicroseconds();
    // The fine timer of Windows is held only while a wait has a time limit.
    HoldTimerPeriod(wait_us != kWaitForever);
    WaitForInput(wait_us);
    // Every line that has come is handled now. A go starts, and a search
    // that has ended is reported, before the next line is taken: "position"
    // and "go" cost no pass, a "stop" behind a "go" stops the search that
    // go asked for, and each report comes before what follows it. The clock
    // is looked at before each line, so input that keeps coming never
    // holds a search past its time.
    do {
      SearchTimecheck();
      if (SearchData.go_request && SearchData.state == StateIdle) StartGo();
      if (SearchEnded()) Report(SearchData.state, false);
    } while (!PBlock.quit && UserInput());
    if (!PBlock.quit && InputExhausted()) EndOfInput();
  }
}
