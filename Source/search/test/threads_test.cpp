#include <gtest/gtest.h>
#include <malloc.h>
#include <sys/resource.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include "board/bitboard.h"
#include "board/fen.h"
#include "board/makemove.h"
#include "engine/params.h"
#include "platform/memory.h"
#include "search/records.h"
#include "search/searchcontrol.h"
#include "search/searchdata.h"
#include "search/threads.h"

namespace {

constexpr char kStart[] = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -";

class PoolTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { InitBitboards(); }
  void SetUp() override {
    CTD = NewThreadRecord(255);
    ASSERT_NE(CTD, nullptr);
    ASSERT_EQ(SetPosition(&CTD->pos, kStart), kSetOk);
    Personality.Hash = 0;
    SearchData.hash_size = 0;
    SearchData.hash_enabled = 0;
    PBlock.info_delay = kSilentInfoDelay;
    SearchData.time_control = TimeFixed;
    SearchData.fixed_time = 1e7;
    SearchData.node_limit = 0;
    SearchData.go_request = StateThinking;
    SearchData.thread_count = 0;
  }
  void TearDown() override {
    KillThreadPool(SearchData.thread_count);
    // An empty pool frees every record left behind.
    EXPECT_EQ(CreateThreadPool(0), 0);
    for (int i = 0; i < kMaxThreads; i++) EXPECT_EQ(ThreadData[i].load(), nullptr);
    SearchData.thread_count = 0;
    delete CTD;
    CTD = nullptr;
  }
  static void Pool(int n) {
    SearchData.thread_count = uint8_t(n);
    ASSERT_EQ(CreateThreadPool(n), 0);
  }
  static void Search(int max_depth) {
    SearchData.max_depth = int8_t(max_depth);
    PrepareNewSearchAt(MonotonicSeconds());
    StartSearch();
  }
  static bool WaitUntil(bool (*done)()) {
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!done()) {
      if (std::chrono::steady_clock::now() > limit) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
  }
  static bool Idle() { return ThreadsAreBusy() == 0; }
  static bool PastDepthOne() { return SearchData.iteration_depth.load() >= 2; }
};

TEST_F(PoolTest, EmptyPoolDoesNothing) {
  Pool(0);
  Search(3);
  EXPECT_EQ(ThreadsAreBusy(), 0u);
  Collect();
  for (auto& total : SearchData.totals) EXPECT_EQ(total.load(), 0u);
}

TEST_F(PoolTest, WorkersStartWithTheirOwnRecords) {
  Pool(4);
  for (int i = 0; i < 4; i++) {
    const ThreadRecord* td = ThreadData[i].load();
    ASSERT_NE(td, nullptr);
    EXPECT_EQ(td->index, i);
    EXPECT_EQ(td->rand_state, uint32_t(i) * 123);
    EXPECT_EQ(td->command.load(), CommandIdle);
    EXPECT_EQ(td->pos.owner, td);
  }
  EXPECT_EQ(ThreadData[4].load(), nullptr);

  // Counters are summed in the totals' own order, tablebase hits last.
  for (int i = 0; i < 4; i++)
    for (int k = 0; k < 8; k++) ThreadData[i].load()->counters[k].store(uint64_t(k + 1) * 10 + i);
  Collect();
  const int expect[8] = {CountNodes, CountEvals, CountEvalHits, CountTtProbes,
                         CountTtHits, CountPawnProbes, CountPawnHits, CountTbHits};
  for (int k = 0; k < 8; k++) EXPECT_EQ(SearchData.totals[k].load(), uint64_t(expect[k] + 1) * 40 + 6) << k;
}

TEST_F(PoolTest, SearchEndsByItself) {
  Pool(3);
  Search(4);
  ASSERT_TRUE(WaitUntil(Idle));
  EXPECT_EQ(SearchData.stop.load(), StopReport);  // thread 0 ends the others
  EXPECT_EQ(SearchData.best_depth.load(), 4);
  Collect();
  EXPECT_GT(SearchData.totals[TotalNodes].load(), 0u);

  // A helper that never saw depth 2 goes back to idle without searching.
  Search(1);
  ASSERT_TRUE(WaitUntil(Idle));
  EXPECT_GT(ThreadData[0].load()->counters[CountNodes].load(), 0u);
  EXPECT_EQ(ThreadData[1].load()->counters[CountNodes].load(), 0u);
  EXPECT_EQ(ThreadData[2].load()->counters[CountNodes].load(), 0u);
}

TEST_F(PoolTest, StopAndAbort) {
  Pool(8);
  for (uint8_t code : {StopReport, StopAbort}) {
    Search(66);
    ASSERT_TRUE(WaitUntil(PastDepthOne));
    EXPECT_EQ(ThreadsAreBusy(), 8u);
    SearchData.stop.store(code);
    ASSERT_TRUE(WaitUntil(Idle));
    EXPECT_EQ(SearchData.stop.load(), code);  // never overwritten by thread 0
    EXPECT_LT(SearchData.best_depth.load(), 66);
  }

  // Ending the pool in the middle of a search: the stop byte stays 99.
  Search(66);
  ASSERT_TRUE(WaitUntil(PastDepthOne));
  KillThreadPool(SearchData.thread_count);
  EXPECT_EQ(SearchData.stop.load(), StopShutdown);
  EXPECT_EQ(ThreadsAreBusy(), 0u);
  for (int i = 0; i < 8; i++) EXPECT_NE(ThreadData[i].load(), nullptr);  // records outlive threads
}

TEST_F(PoolTest, GameIsCopiedIntoEveryWorker) {
  Pool(3);
  const Move moves[] = {MakeMoveCode(12, 28), MakeMoveCode(52, 36), MakeMoveCode(6, 21)};
  for (Move m : moves) MakeMove(&CTD->pos, m);
  SearchData.node_limit = 0;
  InitSearchThreads();
  for (int i = 0; i < 3; i++) {
    ThreadRecord* td = ThreadData[i].load();
    EXPECT_EQ(td->pos.owner, td);
    EXPECT_EQ(std::memcmp(td->pos.board, CTD->pos.board, sizeof td->pos.board), 0);
    EXPECT_EQ(td->pos.key, CTD->pos.key);
    EXPECT_EQ(td->pos.side, Black);
    EXPECT_EQ(td->game_ply, 3);
    EXPECT_EQ(td->last_move, moves[2]);
    for (int k = 0; k < 3; k++) EXPECT_EQ(td->undo[k].move, moves[k]);
    EXPECT_EQ(td->undo[3].move, NullMove);
    EXPECT_EQ(td->node_limit, uint64_t(1) << 62);
    EXPECT_EQ(td->moves[td->ply[0].list_start].move, EndOfList);
    EXPECT_EQ(td->ply[0].current, td->ply[0].list_start);
    EXPECT_EQ(td->search_ply, 1);
  }
  SearchData.node_limit = 5000;
  InitSearchThreads();
  EXPECT_EQ(ThreadData[2].load()->node_limit, 5000u);

  // A game longer than the undo stack allows keeps only its latest plies.
  const int long_game = kUndoStackSize - 10;
  for (int k = 0; k < long_game; k++) CTD->undo[k].move = Move(k + 1);
  CTD->game_ply = int16_t(long_game);
  InitSearchThreads();
  ThreadRecord* td = ThreadData[1].load();
  ASSERT_EQ(td->game_ply, kMaxGamePly);
  EXPECT_EQ(td->undo[0].move, Move(long_game - kMaxGamePly + 1));
  EXPECT_EQ(td->undo[kMaxGamePly - 1].move, Move(long_game));
  EXPECT_EQ(td->undo[kMaxGamePly].move, NullMove);
  EXPECT_GE(kUndoStackSize - td->game_ply, kMaxPly);
}

TEST_F(PoolTest, RebuildFromOneToEightyAndBack) {
  const int sizes[] = {1, 80, 7, 80, 1, 33, 2, 80, 1, 80, 1};
  for (int n : sizes) {
    RebuildThreadPool(n);
    ASSERT_EQ(SearchData.thread_count, n);
    for (int i = 0; i < kMaxThreads; i++) {
      const ThreadRecord* td = ThreadData[i].load();
      if (i < n) {
        ASSERT_NE(td, nullptr) << n << " " << i;
        EXPECT_EQ(td->index, i);
      } else {
        ASSERT_EQ(td, nullptr) << n << " " << i;
      }
    }
    Search(3);
    ASSERT_TRUE(WaitUntil(Idle)) << n;
    EXPECT_EQ(SearchData.best_depth.load(), 3) << n;
    Search(66);
    ASSERT_TRUE(WaitUntil(PastDepthOne)) << n;
    SearchData.stop.store(StopAbort);
    ASSERT_TRUE(WaitUntil(Idle)) << n;
  }
}

// Under a sanitizer the address space is its own, so these run without one.
#ifndef KERV_SANITIZED

long VmSizeKb() {
  FILE* f = std::fopen("/proc/self/status", "r");
  long kb = 0;
  char line[256];
  while (f && std::fgets(line, sizeof line, f))
    if (!std::strncmp(line, "VmSize:", 7)) kb = std::atol(line + 7);
  if (f) std::fclose(f);
  return kb;
}

// The address space mapped now and room beyond it.
void LimitToRoomOf(size_t room) {
  rlimit limit;
  limit.rlim_cur = limit.rlim_max = rlim_t(VmSizeKb()) * 1024 + room;
  setrlimit(RLIMIT_AS, &limit);
}

// Room for one more worker's stack and its guard page but only half a record beside it.
void LimitToHalfARecord() { LimitToRoomOf(kWorkerStackBytes + 4096 + sizeof(ThreadRecord) / 2); }

[[noreturn]] void CreateWithoutRoomForARecord() {
  LimitToHalfARecord();
  std::exit(CreateThreadPool(1));
}

[[noreturn]] void RebuildWithoutRoomForARecord() {
  LimitToHalfARecord();
  RebuildThreadPool(1);
  std::exit(0);
}

// Exits with 7 when a rebuild to `asked` threads kept fewer, at least one, which the option
// names, and left room for `spare` bytes.
[[noreturn]] void RebuildToFewer(int asked, size_t spare = 0) {
  RebuildThreadPool(asked);
  const int n = SearchData.thread_count;
  const bool records = ThreadData[n - 1].load() && !ThreadData[n].load();
  void* block = spare ? AllocateLarge(spare) : nullptr;
  std::exit(n >= 1 && n < asked && Personality.Threads == n && records && (block || !spare) ? 7 : 1);
}

// Room for half the records asked for (one allocator arena): some fit, never all, whatever the
// stack size, and the pool leaves room for the threads that take the table's pages.
[[noreturn]] void RebuildWithoutRoomForThreads() {
  mallopt(M_ARENA_MAX, 1);
  mallopt(M_MMAP_THRESHOLD, 128 << 10);
  LimitToRoomOf(kMaxThreads / 2 * sizeof(ThreadRecord));
  RebuildToFewer(kMaxThreads, size_t(kMaxThreads) * (64 << 10));
}

// From one worker to two, with room for the second one's stack but half its record. Records
// come straight from the system (one allocator arena, which would otherwise hold room in reserve).
[[noreturn]] void GrowWithoutRoomForARecord() {
  mallopt(M_ARENA_MAX, 1);
  mallopt(M_MMAP_THRESHOLD, 128 << 10);
  RebuildThreadPool(1);
  LimitToHalfARecord();
  RebuildToFewer(2);
}

// A worker without its record, or a thread that cannot be made, fails a new
// pool; a rebuild keeps the workers that can be had, and ends the program
// with -1 only when not even one can.
TEST_F(PoolTest, ThreadsThatCannotBeHad) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(CreateWithoutRoomForARecord(), ::testing::ExitedWithCode(ENOMEM), "");
  EXPECT_EXIT(RebuildWithoutRoomForARecord(), ::testing::ExitedWithCode(255), "");
  EXPECT_EXIT(RebuildWithoutRoomForThreads(), ::testing::ExitedWithCode(7), "");
  EXPECT_EXIT(GrowWithoutRoomForARecord(), ::testing::ExitedWithCode(7), "");
}

#endif

}  // namespace
