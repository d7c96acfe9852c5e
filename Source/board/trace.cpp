#include "board/trace.h"

#include <cstdio>

#include "board/movetext.h"
#include "engine/output.h"
#include "engine/params.h"
#include "search/records.h"
#include "search/searchdata.h"

void TraceMove(Position* pos, Move move) {
  static FILE* trace = nullptr;
  static int last_ply = 0;
  static int last_depth = -1;
  static double last_start = -1.0;
  ThreadRecord* td = pos->owner;
  // The trace belongs to one search path; other threads would interleave.
  if (!td || td->index != 0) return;
  if (!trace) {
    trace = std::fopen("trace.txt", "w");
    if (!trace) {
      ShowMessage("info string cannot open trace.txt, tracing off");
      PBlock.trace_depth = 0;
      return;
    }
  }
  const int q = td->search_ply;
  if (q > PBlock.trace_depth || q < 1 || q >= kMaxPly) return;
  // Each search starts its own set of headers.
  if (start != last_start) {
    last_start = start;
    last_ply = 0;
    last_depth = -1;
  }
  const int depth = td->depth;
  if (depth > last_depth) std::fprintf(trace, "\n\nSEARCH DEPTH= %d\n", depth);
  char buf[16];
  const char* text = move ? MoveToStr(move, buf) : "null";
  if (q <= last_ply) {
    std::fputc('\n', trace);
    for (int i = 1; i < q; i++) std::fputs("         ", trace);
  }
  std::fprintf(trace, "(%2d)%s ", td->ply[q].depth, text);
  // A trace is read after crashes too.
  std::fflush(trace);
  last_ply = q;
  last_depth = depth;
}
