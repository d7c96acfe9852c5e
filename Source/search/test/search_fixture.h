// The engine set up as start-up leaves it, and searches of a position on the
// thread pool or in the calling thread.
#pragma once
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>

#include "board/attacks.h"
#include "board/bitboard.h"
#include "board/fen.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "board/movetext.h"
#include "engine/params.h"
#include "engine/startup.h"
#include "eval/bitbase.h"
#include "eval/weights.h"
#include "search/records.h"
#include "search/root.h"
#include "search/searchcontrol.h"
#include "search/searchdata.h"
#include "search/searchparams.h"
#include "search/threads.h"
#include "search/tt.h"

constexpr int Sq(const char* name) { return (name[1] - '1') * 8 + (name[0] - 'a'); }
constexpr Move M(const char* from, const char* to, Move flags = 0) {
  return Move(MakeMoveCode(Sq(from), Sq(to)) | flags);
}

struct SearchResult {
  Move best = 0;
  Move ponder = 0;
  int score = 0;
  int depth = 0;
  uint64_t nodes = 0;
  int stop = 0;
};

inline std::string MoveText(Move m) {
  char buf[16];
  return MoveToStr(m, buf);
}

class SearchTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    static bool ready = false;
    if (ready) return;
    ready = true;
    ASSERT_TRUE(StartUpDefaults());
    Personality.Hash = 16;
    PBlock.info_delay = kSilentInfoDelay;  // no info lines
    SearchData.hash_enabled = 1;
    SearchData.hash_size = Personality.Hash;
    ASSERT_EQ(HashInit(), 1);
    SetSearchParams();
    SetEvalParams();
    UsePool(1);
  }

  static void UsePool(int threads) {
    if (SearchData.thread_count == threads && ThreadData[0].load()) return;
    KillThreadPool(SearchData.thread_count);
    SearchData.thread_count = uint8_t(threads);
    Personality.Threads = int16_t(threads);
    ASSERT_EQ(CreateThreadPool(threads), 0);
  }

  // The game: a position and the moves played from it, in coordinate text.
  static void SetGame(const char* fen, const char* const* moves = nullptr, int count = 0) {
    ASSERT_EQ(SetPosition(&CTD->pos, fen), kSetOk) << fen;
    for (int i = 0; i < count; i++) {
      Move m = 0;
      GenerateAll(&CTD->pos);
      for (const MoveEntry* e = &CTD->moves[CTD->ply[CTD->search_ply].list_start]; e->move != EndOfList; e++)
        if (MoveText(e->move) == moves[i] && MoveIsLegal(&CTD->pos, CTD->pos.side, e->move)) m = e->move;
      ASSERT_NE(m, 0) << moves[i];
      MakeMove(&CTD->pos, m);
      CTD->search_ply = 1;
    }
  }

  static void Prepare(int depth, uint64_t nodes, int multipv) {
    Personality.MultiPV = int16_t(multipv);
    SearchData.max_depth = int8_t(depth);
    SearchData.node_limit = nodes;
    SearchData.time_control = TimeFixed;
    SearchData.fixed_time = 1e7;
    SearchData.go_request = 1;
    PrepareNewSearch();
    HashClear();
  }

  static SearchResult Result() {
    Collect();
    SearchResult r;
    r.best = SearchData.pv[1];
    r.ponder = r.best ? SearchData.pv[2] : 0;
    r.score = SearchData.best_score.load();
    r.depth = SearchData.best_depth.load();
    r.nodes = SearchData.totals[TotalNodes].load();
    r.stop = SearchData.stop.load();
    return r;
  }

  // A search in the calling thread on record 0, as the tools run it.
  static SearchResult Think(const char* fen, int depth, int multipv = 1) {
    SetGame(fen);
    return ThinkOnGame(depth, multipv);
  }
  static SearchResult ThinkOnGame(int depth, int multipv = 1, uint64_t nodes = 0) {
    Prepare(depth, nodes, multipv);
    SearchIterations();
    return Result();
  }

  // A search on the pool, waited for as the main loop does.
  static SearchResult ThinkOnPool(const char* fen, int depth, int threads, uint64_t nodes = 0) {
    UsePool(threads);
    SetGame(fen);
    Prepare(depth, nodes, 1);
    StartSearch();
    while (ThreadsAreBusy()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return Result();
  }

  // Whether m is a legal move of the game position, checked by generating
  // the position's moves.
  static bool IsLegalIn(Position* pos, Move m) {
    ThreadRecord* td = pos->owner;
    GenerateAll(pos);
    for (const MoveEntry* e = &td->moves[td->ply[td->search_ply].list_start]; e->move != EndOfList; e++)
      if (e->move == m) return MoveIsLegal(pos, pos->side, m);
    return false;
  }

  // The best move legal in the game position and the ponder move legal after it.
  static void ExpectLegalResult(const SearchResult& r) {
    ThreadRecord* td = NewThreadRecord(254);
    ASSERT_NE(td, nullptr);
    td->pos = CTD->pos;
    td->pos.owner = td;
    EXPECT_TRUE(IsLegalIn(&td->pos, r.best)) << MoveText(r.best);
    if (r.ponder) {
      MakeMove(&td->pos, r.best);
      EXPECT_TRUE(IsLegalIn(&td->pos, r.ponder)) << MoveText(r.best) << " " << MoveText(r.ponder);
    }
    delete td;
  }
};
