#include "search/threads.h"

#include <pthread.h>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include "board/makemove.h"
#include "engine/output.h"
#include "engine/params.h"
#include "platform/input.h"
#include "platform/memory.h"
#include "platform/numa.h"
#include "search/root.h"
#include "search/searchdata.h"
#include "search/tt.h"

std::atomic<ThreadRecord*> ThreadData[kMaxThreads];
SpinLock spinlock1;
SpinLock spinlock2;
bool numa_binding = false;

// Room held free while the workers start, for what the run maps beside
// them under a limit of the address space: the threads that take the
// table's pages side by side above all (80 stacks of 64 KB), files and
// buffers. Without a limit it costs nothing: the block is never written.
constexpr size_t kSpareRoom = size_t(8) << 20;

static pthread_t thread[kMaxThreads];
static bool running[kMaxThreads];  // a thread was started and not yet joined
static int th_num[kMaxThreads];
// The previous pool's record of each index, handed to the new worker of that
// index to free, so that the slot itself only ever shows the new record.
static ThreadRecord* retired[kMaxThreads];
static std::atomic<bool> no_record[kMaxThreads];

// Every wait for the pool blocks on an event rather than looking again and
// again: an idle worker takes no processor time, and a search starts and is
// answered as soon as it is asked for or done. work_event: a command came,
// or thread 0 reached depth 2 or ended its search; idle_event: a worker went
// idle, ended, or has its record. Never destroyed, so that an exit with
// workers still waiting cannot hang on them.
static pthread_mutex_t pool_lock = PTHREAD_MUTEX_INITIALIZER;
static pthread_cond_t work_event = PTHREAD_COND_INITIALIZER;
static pthread_cond_t idle_event = PTHREAD_COND_INITIALIZER;

// Called after the state its waiters test has changed: a waiter tests under
// the lock, so it has either seen the change or is waiting to be woken.
static void Signal(pthread_cond_t* event) {
  pthread_mutex_lock(&pool_lock);
  pthread_cond_broadcast(event);
  pthread_mutex_unlock(&pool_lock);
}

template <class Done>
static void WaitFor(pthread_cond_t* event, Done done) {
  pthread_mutex_lock(&pool_lock);
  while (!done()) pthread_cond_wait(event, &pool_lock);
  pthread_mutex_unlock(&pool_lock);
}

static bool HelpersMayStart() {
  return SearchData.iteration_depth.load(std::memory_order_acquire) >= 2 || Stopped();
}

void ReleaseHelpers() { Signal(&work_event); }

static void RunOneSearch(ThreadRecord* td) {
  if (td->index == 0) {
    InitSearchThreads();
  } else {
    // Thread 0 fills this record before it publishes depth 2.
    WaitFor(&work_event, HelpersMayStart);
    if (SearchData.iteration_depth.load(std::memory_order_acquire) < 2) return;
  }
  ThreadSearch(td);
  if (td->index == 0) {
    StopIfRunning(StopReport);
    ReleaseHelpers();  // those still waiting for depth 2 see the stop
    HoldHashTouch(false);
  }
}

static void* SearchThreadFunc(void* arg) {
  const int i = *static_cast<int*>(arg);
  delete retired[i];
  retired[i] = nullptr;
  // Bound before the record is allocated, so its memory comes from the node.
  if (numa_binding) BindThreadToNode(i);
  ThreadRecord* td = NewThreadRecord(uint8_t(i));
  if (!td) {
    no_record[i].store(true, std::memory_order_release);
    Signal(&idle_event);
    return nullptr;
  }
  td->rand_state = uint32_t(i) * 123;
  td->undo[0].move = NullMove;
  ThreadData[i].store(td, std::memory_order_release);
  Signal(&idle_event);

  for (;;) {
    uint8_t command = CommandIdle;
    WaitFor(&work_event, [&] {
      command = td->command.load(std::memory_order_acquire);
      return command != CommandIdle;
    });
    if (command == CommandExit) {
      // The record belongs to the next worker of this index from here on.
      td->command.store(CommandIdle, std::memory_order_release);
      Signal(&idle_event);
      return nullptr;
    }
    RunOneSearch(td);
    // A command that arrived meanwhile (an end request) is not lost.
    uint8_t expected = CommandSearch;
    td->command.compare_exchange_strong(expected, CommandIdle, std::memory_order_acq_rel,
                                        std::memory_order_acquire);
    Signal(&idle_event);
    WakeInputWait();  // the main loop reports the search at once
  }
}

// 0 once worker i has its new record, ENOMEM when it could not get one.
static int WaitForRecord(int i) {
  WaitFor(&idle_event, [i] {
    return ThreadData[i].load(std::memory_order_acquire) || no_record[i].load(std::memory_order_acquire);
  });
  return ThreadData[i].load(std::memory_order_acquire) ? 0 : ENOMEM;
}

int StartThread(pthread_t* thread, size_t stack_bytes, void* (*body)(void*), void* arg) {
  pthread_attr_t attr;
  int result = pthread_attr_init(&attr);
  if (result != 0) return result;
  // A size the library refuses leaves its default, which still works.
  pthread_attr_setstacksize(&attr, stack_bytes);
  result = pthread_create(thread, &attr, body, arg);
  pthread_attr_destroy(&attr);
  return result;
}

// Starts worker i, which frees the record left in its slot; 0 or the thread
// library's error code.
static int StartWorker(int i) {
  th_num[i] = i;
  retired[i] = ThreadData[i].exchange(nullptr, std::memory_order_acq_rel);
  no_record[i].store(false, std::memory_order_relaxed);
  const int result = StartThread(&thread[i], kWorkerStackBytes, SearchThreadFunc, &th_num[i]);
  if (result != 0) {
    delete retired[i];
    retired[i] = nullptr;
  } else {
    running[i] = true;
  }
  return result;
}

int CreateThreadPool(int n) {
  if (n < 0) n = 0;
  if (n > kMaxThreads) n = kMaxThreads;
  for (int i = 0; i < kMaxThreads; i++)
    if (running[i]) return EBUSY;
  // Records of indexes the new pool does not use have no worker to free
  // them; freed first, so that their room can go to the new workers.
  for (int i = n; i < kMaxThreads; i++) delete ThreadData[i].exchange(nullptr, std::memory_order_acq_rel);

  int result = 0;
  for (int i = 0; i < n && result == 0; i++) {
    result = StartWorker(i);
    // Binding workers print as they bind: one at a time keeps the lines
    // in index order.
    if (result == 0 && numa_binding) result = WaitForRecord(i);
  }
  for (int i = 0; i < n; i++) {
    if (!running[i]) break;
    const int waited = WaitForRecord(i);
    if (result == 0) result = waited;
  }
  return result;
}

static bool AnyCommand(int from, int to) {
  for (int i = from; i < to; i++) {
    if (!running[i]) continue;
    ThreadRecord* td = ThreadData[i].load(std::memory_order_acquire);
    if (td && td->command.load(std::memory_order_acquire) != CommandIdle) return true;
  }
  return false;
}

// Ends the idle workers from..to-1; the result of the last join.
static int EndWorkers(int from, int to) {
  for (int i = from; i < to; i++) {
    ThreadRecord* td = ThreadData[i].load(std::memory_order_acquire);
    if (td && running[i]) td->command.store(CommandExit, std::memory_order_release);
  }
  Signal(&work_event);
  WaitFor(&idle_event, [from, to] { return !AnyCommand(from, to); });
  // Joined rather than detached, so that no old thread is still on its way
  // out when the new worker of its index frees its record.
  int result = 0;
  for (int i = from; i < to; i++) {
    if (!running[i]) continue;
    result = pthread_join(thread[i], nullptr);
    running[i] = false;
  }
  return result;
}

int KillThreadPool(int n) {
  if (n > kMaxThreads) n = kMaxThreads;
  for (int i = n; i < kMaxThreads; i++)
    if (running[i]) n = i + 1;  // never leave a worker behind
  SearchData.stop.store(StopShutdown, std::memory_order_relaxed);
  WaitForIdleWorkers();
  return EndWorkers(0, n);
}

// Starts workers 0 to n - 1 one at a time, each with its record before the
// next thread is made, until one cannot be had; returns the count started.
// Made side by side, threads could take with their stacks the room their
// records need, and the C library keeps the stacks of threads that end for
// later threads rather than give the room back: after such a race not even
// one worker might be had.
static int StartOneByOne(int n) {
  int count = 0;
  while (count < n && StartWorker(count) == 0 && WaitForRecord(count) == 0) count++;
  EndWorkers(count, n);  // the one without its record has returned
  return count;
}

int StartThreadPool(int n) {
  SearchData.thread_count = uint8_t(n);
  // No worker yet: the old records are freed first, so that their room can
  // go to the new ones.
  if (CreateThreadPool(0) != 0) return 0;
  void* spare = AllocateLarge(kSpareRoom);
  int count = StartOneByOne(n);
  FreeLarge(spare, kSpareRoom);
  // One worker matters more than the spare room.
  if (count == 0) count = StartOneByOne(n);
  SearchData.thread_count = uint8_t(count);
  if (count == 0) return 0;
  if (count == n) return n;
  Personality.Threads = int16_t(count);
  ShowFormatted("%sThreads of %d could not be started, using %d", InfoPrefix(), n,
                count);
  return count;
}

void RebuildThreadPool(int n) {
  KillThreadPool(SearchData.thread_count);
  // No previous pool to go back to: it had at least worker 0, and that one
  // could not be had alone.
  if (StartThreadPool(n) == 0) std::_Exit(-1);
}

void StartSearch() {
  const int n = SearchData.thread_count;
  // Thread 0 lets the table's touch go on when the search ends.
  if (n > 0 && ThreadData[0].load(std::memory_order_acquire)) HoldHashTouch(true);
  for (int i = 0; i < n && i < kMaxThreads; i++) {
    ThreadRecord* td = ThreadData[i].load(std::memory_order_acquire);
    if (td) td->command.store(CommandSearch, std::memory_order_release);
  }
  if (n > 0) Signal(&work_event);
}

void WaitForIdleWorkers() {
  WaitFor(&idle_event, [] { return ThreadsAreBusy() == 0; });
}

unsigned ThreadsAreBusy() {
  unsigned busy = 0;
  for (int i = 0; i < SearchData.thread_count && i < kMaxThreads; i++) {
    ThreadRecord* td = ThreadData[i].load(std::memory_order_acquire);
    if (td && td->command.load(std::memory_order_acquire) != CommandIdle) busy++;
  }
  return busy;
}

void InitSearchThreads() {
  const ThreadRecord* game = CTD;
  int game_ply = game->game_ply < 0 ? 0 : game->game_ply;
  if (game_ply > kUndoStackSize) game_ply = kUndoStackSize;
  // A longer game keeps only its latest plies, so that the deepest search
  // path still fits on the undo stack; older plies are beyond any
  // repetition, since the fifty-move counter never reaches this many.
  const int kept = game_ply < kMaxGamePly ? game_ply : kMaxGamePly;
  for (int i = 0; i < SearchData.thread_count && i < kMaxThreads; i++) {
    ThreadRecord* td = ThreadData[i].load(std::memory_order_acquire);
    if (!td) continue;
    td->pos = game->pos;
    td->pos.owner = td;
    std::memcpy(td->undo, game->undo + (game_ply - kept), sizeof(UndoRecord) * size_t(kept));
    td->undo[kept].move = NullMove;
    td->game_ply = int16_t(kept);
    td->last_move = game->last_move;
    td->node_limit = SearchData.node_limit ? SearchData.node_limit : uint64_t(1) << 62;
    PlyRecord& sentinel = td->ply[0];
    td->moves[sentinel.list_start].move = EndOfList;
    sentinel.current = sentinel.list_start;
    std::memset(td->pv, 0, sizeof td->pv);
    td->best_move.store(NullMove, std::memory_order_relaxed);
    td->depth.store(0, std::memory_order_relaxed);
    td->completed_depth.store(0, std::memory_order_relaxed);
    td->root_result.store(0, std::memory_order_relaxed);
    td->sel_depth = 0;
    td->search_ply = 1;
    td->root_score.store(0, std::memory_order_relaxed);
    for (auto& counter : td->counters) counter.store(0, std::memory_order_relaxed);
  }
}

void Collect() {
  uint64_t sum[8] = {};
  for (int i = 0; i < SearchData.thread_count && i < kMaxThreads; i++) {
    const ThreadRecord* td = ThreadData[i].load(std::memory_order_acquire);
    if (!td) continue;
    for (int k = 0; k < 8; k++) sum[k] += td->counters[k].load(std::memory_order_relaxed);
  }
  const int order[8] = {CountNodes, CountEvals, CountEvalHits, CountTtProbes,
                        CountTtHits, CountPawnProbes, CountPawnHits, CountTbHits};
  for (int k = 0; k < 8; k++) SearchData.totals[k].store(sum[order[k]], std::memory_order_relaxed);
}
