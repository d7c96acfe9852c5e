#include "search/root.h"

#include <chrono>
#include <thread>
#include "search/records.h"
#include "search/searchdata.h"

void ThreadSearch(ThreadRecord* td) {
  const int max_depth = SearchData.max_depth < kMaxPly - 1 ? SearchData.max_depth : kMaxPly - 1;
  for (int d = 1; d <= max_depth; d++) {
    td->depth.store(uint8_t(d), std::memory_order_relaxed);
    if (td->index == 0) SearchData.iteration_depth.store(int8_t(d), std::memory_order_release);
    for (int n = 0; n < 1000; n++) Count(td, CountNodes);
    if (td->counters[CountNodes].load(std::memory_order_relaxed) > td->node_limit &&
        td->completed_depth.load(std::memory_order_relaxed) > 1)
      StopIfRunning(StopReport);
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    SearchData.nodes_by_depth[d].fetch_add(1000, std::memory_order_relaxed);
    if (Stopped()) return;
    td->completed_depth.store(uint8_t(d), std::memory_order_relaxed);
    if (td->index == 0) {
      SearchData.best_depth.store(int8_t(d), std::memory_order_relaxed);
      SearchData.last_completed_depth.store(uint8_t(d), std::memory_order_relaxed);
    }
  }
}
