#include <gtest/gtest.h>
#include <sys/mman.h>

#include <vector>
#include "board/bitboard.h"
#include "board/fen.h"
#include "platform/memory.h"
#include "search/records.h"
#include "search/searchdata.h"
#include "search/tt.h"

namespace {

// Pages of the table the system has not handed over (looked at before the
// slots are read, which maps pages too), plus slots that are not empty.
uint64_t MissingPagesAndUsedSlots() {
  const size_t bytes = (size_t(entries) + 16) * sizeof(HashSlot), page = SystemPageSize();
  std::vector<unsigned char> resident((bytes + page - 1) / page);
  uint64_t bad = mincore(hashtable, bytes, resident.data()) != 0;
  for (unsigned char r : resident) bad += !(r & 1);
  for (uint64_t i = 0; i < entries + 16; i++) {
    const HashEntry e = ReadSlot(hashtable + i);
    bad += e.lock || e.check || e.move || e.score || e.age || e.bound || e.depth != kHashEmptyDepth;
  }
  return bad;
}

// A table touched behind the caller's back, on one thread or split among
// several, is all taken and all empty once a clear has waited for it; a clear
// of a used table writes zeros and hands no page back.
TEST(TableFill, EveryPageTakenAndEverySlotEmpty) {
  InitBitboards();
  ThreadRecord* td = NewThreadRecord(0);
  ASSERT_EQ(SetPosition(&td->pos, "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -"), kSetOk);
  const uint8_t pool = SearchData.thread_count;
  SearchData.hash_enabled = 1;
  SearchData.hash_size = 83;  // several parts, the last one longer
  for (int threads : {1, 3, 8}) {
    SearchData.thread_count = uint8_t(threads);
    ASSERT_EQ(HashInitUntouched(), 1);
    HashTouchInBackground();
    HashClear();
    EXPECT_EQ(MissingPagesAndUsedSlots(), 0u) << threads << " threads, fresh";
    for (uint64_t i = 0; i < entries; i += 4099, td->pos.key ^= i)
      HashStore(&td->pos, MakeMoveCode(12, 28), 5, 10, BoundExact);
    HashClear();
    EXPECT_EQ(MissingPagesAndUsedSlots(), 0u) << threads << " threads, cleared";
  }
  // Given up while still being touched.
  ASSERT_EQ(HashInitUntouched(), 1);
  HashTouchInBackground();
  HashFree();
  SearchData.thread_count = pool;
  delete td;
}

}  // namespace
