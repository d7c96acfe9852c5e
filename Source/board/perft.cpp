#include "board/perft.h"

#include "board/attacks.h"
#include "board/makemove.h"
#include "board/movegen.h"

void Perft1(ThreadRecord* td, int side, int ply, int depth) {
  if (depth < 1) {
    Count(td, CountNodes);
    return;
  }
  // Lists and undo records end with the ply records; nothing is counted past them.
  if (ply > kMaxPly - 3) return;
  Position* pos = &td->pos;
  GenerateAll(pos);
  uint64_t leaves = 0;
  for (MoveEntry* e = &td->moves[td->ply[ply].list_start]; e->move != EndOfList; e++) {
    if (!MoveIsLegal(pos, side, e->move)) continue;
    td->ply[ply].current = uint16_t(e - td->moves);
    if (depth == 1) {
      leaves++;
    } else {
      MakeMove(pos, e->move);
      Perft1(td, side ^ 1, ply + 1, depth - 1);
      UnmakeMove(pos);
    }
  }
  if (leaves) Count(td, CountNodes, leaves);
}
