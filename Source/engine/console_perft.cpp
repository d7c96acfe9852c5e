#include "engine/console_perft.h"

#include "board/attacks.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "board/perft.h"
#include "engine/console.h"
#include "engine/input.h"
#include "engine/output.h"
#include "platform/input.h"
#include "search/searchcontrol.h"
#include "search/searchdata.h"
#include "search/threads.h"

namespace {

// Subtrees this shallow are counted whole between two looks at the input;
// they take milliseconds.
constexpr int kWholeDepth = 4;
constexpr double kLookInterval = 0.02;  // seconds

double last_look;
// Lines typed ahead of the count (a script's next commands, its "quit") are
// left for after it, and so is an end of input that was already there: the
// count watches the input only when neither was.
bool watching;

void Look() {
  while (!LongCommandEnded() && UserInput()) continue;
}

bool Ended() {
  const double now = MonotonicSeconds();
  if (watching && now - last_look >= kLookInterval) {
    last_look = now;
    Look();
  }
  return LongCommandEnded() || (watching && InputExhausted());
}

// As Perft1, with a look at the input before each subtree; false once the
// count is to end.
bool CountSlices(ThreadRecord* td, int side, int ply, int depth) {
  if (depth <= kWholeDepth) {
    if (Ended()) return false;
    Perft1(td, side, ply, depth);
    return true;
  }
  Position* pos = &td->pos;
  GenerateAll(pos);
  for (MoveEntry* e = &td->moves[td->ply[ply].list_start]; e->move != EndOfList; e++) {
    if (!MoveIsLegal(pos, side, e->move)) continue;
    td->ply[ply].current = uint16_t(e - td->moves);
    MakeMove(pos, e->move);
    const bool go_on = CountSlices(td, side ^ 1, ply + 1, depth - 1);
    UnmakeMove(pos);
    if (!go_on) return false;
  }
  return true;
}

}  // namespace

void ConsolePerft(int depth) {
  InitSearchThreads();
  ThreadRecord* td = ThreadData[0].load();
  if (!td) return;
  last_look = MonotonicSeconds();
  watching = InputQueueRoom() == kInputQueueSize && !InputEnded();
  if (watching) Look();
  watching = watching && !InputEnded();
  const bool whole = CountSlices(td, td->pos.side, 1, depth);
  GetElapsedTime();
  const double nodes = double(td->counters[CountNodes].load());
  const double seconds = SearchData.elapsed.load();
  if (whole)
    ShowFormatted("visited %0.0f nodes in %0.3f seconds, nps= %0.0f", nodes, seconds, nodes / (seconds + 0.001));
  else
    ShowFormatted("perft %d ended after %0.0f nodes in %0.3f seconds", depth, nodes, seconds);
}
