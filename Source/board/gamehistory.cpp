#include "board/gamehistory.h"

#include <cstring>

#include "board/makemove.h"

namespace {

// A repetition walk goes back at most 99 plies from any node, and a node is
// never below the root, so this many records below the root are all it reads.
constexpr int kHistoryKept = 256;
static_assert(kHistoryKept > 100 && kHistoryKept < kMaxGamePly);
static_assert(kFiftyCeiling > 100 && kFiftyCeiling + kMaxPly < 256);

}  // namespace

void PlayGameMove(Position* pos, Move move) {
  ThreadRecord* td = pos->owner;
  // Made before the move, so that the record always has room to read the next one.
  if (td->game_ply + 1 >= kMaxGamePly) {
    const int dropped = td->game_ply - kHistoryKept;
    std::memmove(td->undo, td->undo + dropped, sizeof(UndoRecord) * kHistoryKept);
    td->game_ply = int16_t(kHistoryKept);
    td->dropped_plies += dropped;
  }
  MakeMove(pos, move);
  td->search_ply = 1;
  if (pos->fifty > kFiftyCeiling) pos->fifty = kFiftyCeiling;
}
