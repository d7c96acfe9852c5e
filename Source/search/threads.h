// The pool of search threads. The main thread hands work to each worker
// through its command byte (0 idle, 1 search, 99 end) and ends a search
// through the stop byte of SearchData. Idle workers sleep until a command
// wakes them; a worker going idle wakes whoever waits for the pool and the
// main loop's input wait.
#pragma once
#include <pthread.h>
#include <atomic>
#include <cstddef>
#include <thread>
#include "search/records.h"

constexpr int kMaxThreads = 80;

// A worker's stack, set here rather than taken from the system's default
// (ulimit -s, often 8 MB). A search takes under 64 KB of it: about 400
// bytes a ply for at most 70 plies, and a few KB for the info line or the
// tablebase probe at the end of a path (sanitizer builds about twice that,
// beside their own thread data). Room that a stack does not need is room
// for more workers and a larger table.
constexpr size_t kWorkerStackBytes = size_t(1) << 20;

// pthread_create with the given stack size; 0 or the thread library's error.
int StartThread(pthread_t* thread, size_t stack_bytes, void* (*body)(void*), void* arg);

enum Command : uint8_t { CommandIdle = 0, CommandSearch = 1, CommandExit = 99 };

// Worker i's record, stored by worker i itself; it outlives the thread and is
// replaced when the pool is rebuilt.
extern std::atomic<ThreadRecord*> ThreadData[kMaxThreads];

struct SpinLock {
  std::atomic_flag flag;
};
inline void Lock(SpinLock& lock) {
  while (lock.flag.test_and_set(std::memory_order_acquire))
    while (lock.flag.test(std::memory_order_relaxed)) std::this_thread::yield();
}
inline void Unlock(SpinLock& lock) { lock.flag.clear(std::memory_order_release); }

extern SpinLock spinlock1;  // the shared best result in SearchData
extern SpinLock spinlock2;  // the search's output lines

// Set from the -numa switch before the pool is created: each new worker then
// binds itself to its NUMA node's processor group (Windows builds).
extern bool numa_binding;

// Starts n workers and returns once each has its record in place: 0, or the
// thread library's error code (ENOMEM when a worker could not get its record).
// The previous pool must have been ended.
int CreateThreadPool(int n);
// Stops any search and ends every worker; the stop byte stays 99.
int KillThreadPool(int n);
// Starts a pool of n (1 or more) workers one at a time or, when not all
// can be had, of the most that can beside a few MB kept free for the rest
// of the run, and returns the count in use. SearchData and the
// Threads option then hold it, and one line names it when it is not n.
// Returns 0, with no pool, when not even one worker can be started.
int StartThreadPool(int n);
// Ends the pool and starts one of n threads as StartThreadPool does; the
// program ends with status -1 when not even one can be started.
void RebuildThreadPool(int n);

// Asks every worker to search; the others wait for worker 0's depth 2.
void StartSearch();
// Thread 0 has published depth 2: the others start on it.
void ReleaseHelpers();
// Number of workers whose command byte is not idle.
unsigned ThreadsAreBusy();
// Returns once no worker is busy.
void WaitForIdleWorkers();
// Copies the game record into every worker's record.
void InitSearchThreads();
// Sums the workers' counters into SearchData.totals.
void Collect();
