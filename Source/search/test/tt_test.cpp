#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/resource.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <utility>
#include <vector>
#include "board/bitboard.h"
#include "board/fen.h"
#include "platform/memory.h"
#include "search/keys.h"
#include "search/records.h"
#include "search/searchdata.h"
#include "search/tt.h"

namespace {

constexpr int Sq(const char* name) { return (name[1] - '1') * 8 + (name[0] - 'a'); }
constexpr Move M(const char* from, const char* to) { return MakeMoveCode(Sq(from), Sq(to)); }

constexpr char kStart[] = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -";
constexpr char kStartBlack[] = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR b KQkq -";

class TableTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { InitBitboards(); }
  void SetUp() override {
    td = NewThreadRecord(0);
    ASSERT_NE(td, nullptr);
    pos = &td->pos;
    SearchData.hash_enabled = 1;
    Resize(1);
  }
  void TearDown() override {
    HashFree();
    delete td;
  }
  static void Resize(int mb) {
    SearchData.hash_size = int16_t(mb);
    ASSERT_EQ(HashInit(), 1);
  }
  void Set(const char* fen) { ASSERT_EQ(SetPosition(pos, fen), kSetOk); }
  HashSlot* Bucket() const { return HashBucket(FullKey(pos), pos->side); }
  // A slot as another position would have left it.
  static void PutForeign(HashSlot* slot, uint32_t lock, uint16_t age, int depth) {
    slot->word[0].store(uint64_t(lock) << 32, std::memory_order_relaxed);
    slot->word[1].store(uint64_t(age) << 32 | uint64_t(uint8_t(depth - kHashEmptyDepth)) << 56,
                        std::memory_order_relaxed);
  }
  HashEntry Probe() const {
    HashEntry e{};
    e.depth = -99;
    e.score = -10000;
    HashProbe(pos, &e);
    return e;
  }

  ThreadRecord* td = nullptr;
  Position* pos = nullptr;
};

TEST_F(TableTest, SizesAndBucketGeometry) {
  EXPECT_EQ(entries, 65536u);
  EXPECT_EQ(mask, 65535u);
  EXPECT_EQ(blacktable, hashtable + 65536);
  EXPECT_EQ(HashBucket(0, Black), blacktable);  // the first spare slot

  Resize(3);
  EXPECT_EQ(entries, 196608u);
  EXPECT_EQ(mask, 131071u);
  EXPECT_EQ(HashBucket(~uint64_t(0), White) + 3 - hashtable, 131074);
  EXPECT_EQ(HashBucket(~uint64_t(0), Black) - hashtable, 65537);
  EXPECT_EQ(HashBucket(0, Black) + 3 - hashtable, 196611);
  const HashEntry spare = ReadSlot(hashtable + entries + 15);
  EXPECT_EQ(spare.depth, kHashEmptyDepth);
  EXPECT_EQ(spare.lock, 0u);

  // Allocated while disabled: memory as it comes, which reads as empty slots,
  // and the age stays.
  SearchData.hash_enabled = 0;
  SearchData.age = 12;
  Resize(2);
  EXPECT_EQ(ReadSlot(hashtable + 7).depth, kHashEmptyDepth);
  EXPECT_EQ(SearchData.age, 12);
  SearchData.hash_enabled = 1;

  // Hash 0: only the spare slots, and the table is never touched.
  Resize(0);
  EXPECT_EQ(entries, 0u);
  EXPECT_EQ(mask, ~uint64_t(0));
  Set(kStart);
  HashStore(pos, M("e2", "e4"), 5, 30, BoundExact);
  EXPECT_EQ(Probe().depth, -99);
}

TEST_F(TableTest, StoreAndProbeRoundTrip) {
  Set(kStart);
  SearchData.age = 5;
  HashStore(pos, M("e2", "e4"), 7, -35, BoundLower);
  SearchData.age = 9;
  HashEntry e = Probe();
  EXPECT_EQ(e.move, M("e2", "e4"));
  EXPECT_EQ(e.score, -35);
  EXPECT_EQ(e.bound, BoundLower);
  EXPECT_EQ(e.depth, 7);
  EXPECT_EQ(e.age, 9);
  EXPECT_EQ(e.lock, uint32_t(FullKey(pos) >> 32));
  // The hit keeps the slot young.
  bool found = false;
  for (int i = 0; i < 4; i++) {
    const HashEntry s = ReadSlot(Bucket() + i);
    if (s.lock == e.lock) found = s.age == 9;
  }
  EXPECT_TRUE(found);

  // The same placement with black to move lives in the other half.
  Set(kStartBlack);
  EXPECT_EQ(Probe().depth, -99);
  EXPECT_EQ(Probe().score, -10000);

  // A disabled table neither stores nor answers.
  SearchData.hash_enabled = 0;
  HashStore(pos, M("e7", "e5"), 3, 10, BoundExact);
  SearchData.hash_enabled = 1;
  EXPECT_EQ(Probe().depth, -99);
  SearchData.hash_enabled = 0;
  Set(kStart);
  EXPECT_EQ(Probe().depth, -99);
}

TEST_F(TableTest, MateScoresTravelAsDistancesFromTheStoringNode) {
  Set(kStart);
  // Mate at root ply 9 seen from a node at ply 3, read back at ply 5.
  HashStore(pos, M("g1", "f3"), 4, ScoreToHash(9990, 3), BoundExact);
  EXPECT_EQ(ScoreFromHash(Probe().score, 5), 9988);
  HashStore(pos, M("g1", "f3"), 4, ScoreToHash(-9990, 3), BoundExact);
  EXPECT_EQ(ScoreFromHash(Probe().score, 5), -9988);
  HashStore(pos, M("g1", "f3"), 4, ScoreToHash(250, 3), BoundExact);
  EXPECT_EQ(ScoreFromHash(Probe().score, 5), 250);

  // The edges are asymmetric on purpose.
  EXPECT_EQ(ScoreToHash(9697, 4), 9701);
  EXPECT_EQ(ScoreToHash(9696, 4), 9696);
  EXPECT_EQ(ScoreToHash(-9697, 4), -9697);
  EXPECT_EQ(ScoreToHash(-9698, 4), -9702);
  EXPECT_EQ(ScoreFromHash(9697, 4), 9693);
  EXPECT_EQ(ScoreFromHash(9696, 4), 9696);
  EXPECT_EQ(ScoreFromHash(-9697, 4), -9697);
  EXPECT_EQ(ScoreFromHash(-9698, 4), -9694);
}

TEST_F(TableTest, ReplacementRules) {
  Set(kStart);
  HashSlot* b = Bucket();
  const uint32_t lock = uint32_t(FullKey(pos) >> 32);
  SearchData.age = 10;
  auto Owner = [&]() {
    for (int i = 0; i < 4; i++)
      if (ReadSlot(b + i).lock == lock) return i;
    return -1;
  };

  // A matching lock is overwritten whatever its depth.
  PutForeign(b + 0, lock ^ 1, 1, 0);
  PutForeign(b + 1, lock ^ 2, 1, 0);
  PutForeign(b + 2, lock, 10, 40);
  PutForeign(b + 3, lock ^ 3, 1, 0);
  HashStore(pos, M("d2", "d4"), 1, 0, BoundUpper);
  EXPECT_EQ(Owner(), 2);
  EXPECT_EQ(ReadSlot(b + 2).depth, 1);

  // Smallest age * 16 + depth: one ply of age outweighs 15 of depth.
  PutForeign(b + 0, lock ^ 1, 10, 3);
  PutForeign(b + 1, lock ^ 2, 9, 15);  // 159
  PutForeign(b + 2, lock ^ 4, 10, 0);  // 160
  PutForeign(b + 3, lock ^ 3, 10, 1);
  HashStore(pos, M("d2", "d4"), 8, 0, BoundUpper);
  EXPECT_EQ(Owner(), 1);

  // Equal values: the lowest slot.
  for (int i = 0; i < 4; i++) PutForeign(b + i, lock ^ (i + 1), 10, 4);
  HashStore(pos, M("d2", "d4"), 2, 0, BoundUpper);
  EXPECT_EQ(Owner(), 0);

  // 8 below the victim's depth is dropped, 7 below is written.
  for (int i = 0; i < 4; i++) PutForeign(b + i, lock ^ (i + 1), 10, 12);
  HashStore(pos, M("d2", "d4"), 4, 0, BoundUpper);
  EXPECT_EQ(Owner(), -1);
  HashStore(pos, M("d2", "d4"), 5, 0, BoundUpper);
  EXPECT_EQ(Owner(), 0);

  // Slot 0's value is capped at 30000.
  PutForeign(b + 0, lock ^ 1, 2000, 0);  // 32000, counted as 30000
  PutForeign(b + 1, lock ^ 2, 1900, 0);  // 30400
  PutForeign(b + 2, lock ^ 4, 1950, 0);
  PutForeign(b + 3, lock ^ 3, 1990, 0);
  HashStore(pos, M("d2", "d4"), 0, 0, BoundUpper);
  EXPECT_EQ(Owner(), 0);
}

TEST_F(TableTest, ClearAndHashFill) {
  Set(kStart);
  SearchData.age = 4;
  HashStore(pos, M("e2", "e4"), 6, 12, BoundExact);
  RefreshHashFill();
  EXPECT_EQ(SearchData.hash_fill, 0.0);  // only the middle thousand is sampled
  for (uint32_t i = entries / 2 - 500; i < entries / 2 - 250; i++)
    hashtable[i].word[1].store(uint64_t(4) << 32, std::memory_order_relaxed);
  hashtable[entries / 2 + 500].word[1].store(uint64_t(4) << 32, std::memory_order_relaxed);
  RefreshHashFill();
  EXPECT_DOUBLE_EQ(SearchData.hash_fill, 0.25);

  // Disabled: nothing changes, not even the age.
  SearchData.hash_enabled = 0;
  HashClear();
  EXPECT_EQ(SearchData.age, 4);
  EXPECT_DOUBLE_EQ(SearchData.hash_fill, 0.25);
  SearchData.hash_enabled = 1;

  HashClear();
  EXPECT_EQ(SearchData.age, 0);
  EXPECT_EQ(SearchData.hash_fill, 0.0);
  EXPECT_EQ(Probe().depth, -99);
  for (uint32_t i = 0; i < entries + 16; i++) {
    const HashEntry s = ReadSlot(hashtable + i);
    ASSERT_TRUE(s.lock == 0 && s.check == 0 && s.move == 0 && s.score == 0 && s.age == 0 &&
                s.bound == 0 && s.depth == kHashEmptyDepth)
        << i;
  }

  // Too small a table reports an empty fill.
  Resize(0);
  RefreshHashFill();
  EXPECT_EQ(SearchData.hash_fill, 0.0);
}

TEST_F(TableTest, FreshTableIsEmptyAndASplitClearEmptiesEverySlot) {
  // 83 MB on 8 threads: five parts, the last one longer by the remainder
  // and the spare slots.
  Resize(83);
  EXPECT_EQ(ReadSlot(hashtable + entries / 2).depth, kHashEmptyDepth);
  Set(kStart);
  const uint32_t lock = uint32_t(FullKey(pos) >> 32);
  const uint8_t threads = SearchData.thread_count;
  SearchData.thread_count = 8;
  // Slots put behind the table's back stand for what a clear erases: they
  // go exactly when the table was written since it was mapped or cleared.
  enum Writer { kNothing, kStore, kProbeHit };  // a probe hit renews the age
  const std::pair<Writer, bool> cases[] = {{kNothing, false}, {kStore, true}, {kProbeHit, true}, {kNothing, false}};
  for (const auto& [writer, cleared] : cases) {
    for (uint64_t i = 0; i < entries + 16; i += 4099) PutForeign(hashtable + i, 7, 3, 12);
    PutForeign(hashtable + entries + 15, 7, 3, 12);
    PutForeign(Bucket(), lock, 0, 12);
    SearchData.age = 5;
    if (writer == kStore) HashStore(pos, M("e2", "e4"), 6, 12, BoundExact);
    if (writer == kProbeHit) Probe();
    HashClear();
    uint64_t left = 0;
    for (uint64_t i = 0; i < entries + 16; i++) {
      const HashEntry e = ReadSlot(hashtable + i);
      left += e.lock != 0 || e.age != 0 || e.depth != kHashEmptyDepth;
    }
    EXPECT_EQ(left == 0, cleared) << "writer " << writer << ": " << left << " slots left";
  }
  SearchData.thread_count = threads;
}

// Pages of the table not handed over, and all its pages.
std::pair<uint64_t, uint64_t> MissingPages() {
  const size_t bytes = (size_t(entries) + 16) * sizeof(HashSlot), page = SystemPageSize();
  std::vector<unsigned char> resident((bytes + page - 1) / page);
  uint64_t missing = mincore(hashtable, bytes, resident.data()) != 0;
  for (unsigned char r : resident) missing += !(r & 1);
  return {missing, resident.size()};
}

// Pages of the table not handed over (seen before the slots are read, which maps them), plus used slots.
uint64_t MissingPagesAndUsedSlots() {
  uint64_t bad = MissingPages().first;
  for (uint64_t i = 0; i < entries + 16; i++) {
    const HashEntry e = ReadSlot(hashtable + i);
    bad += e.lock || e.check || e.move || e.score || e.age || e.bound || e.depth != kHashEmptyDepth;
  }
  return bad;
}

// A table touched in the background, on one thread or several, is all taken and empty once waited
// for; a search may write it meanwhile and loses no word to the touch; a clear of a used table,
// the touch still running, writes zeros and leaves every page taken.
TEST_F(TableTest, EveryPageTakenAndEverySlotEmpty) {
  Set(kStart);
  const uint8_t pool = SearchData.thread_count;
  SearchData.hash_size = 83;  // several parts, the last one longer
  const int64_t page_slots = int64_t(SystemPageSize() / sizeof(HashSlot)), mark = 0x0123456789ABCDEF;
  for (int threads : {1, 3, 8}) {
    SearchData.thread_count = uint8_t(threads);
    ASSERT_EQ(HashInitUntouched(), 1);
    HashTouchInBackground();
    HashWait();
    EXPECT_EQ(MissingPagesAndUsedSlots(), 0u) << threads << " threads, fresh";
    ASSERT_EQ(HashInitUntouched(), 1);
    HashTouchInBackground();
    // Each page's first word, written from the far end while the touch runs towards it.
    for (int64_t i = int64_t(entries) / page_slots * page_slots; i >= 0; i -= page_slots) hashtable[i].word[0] = mark;
    HashWait();
    int undone = 0;
    for (int64_t i = 0; i <= int64_t(entries); i += page_slots) undone += hashtable[i].word[0] != uint64_t(mark);
    EXPECT_EQ(undone, 0) << threads << " threads";
    ASSERT_EQ(HashInitUntouched(), 1);
    HashTouchInBackground();
    for (uint64_t i = 0; i < entries; i += 4099, pos->key ^= i) HashStore(pos, M("e2", "e4"), 5, 10, BoundExact);
    HashClear();
    EXPECT_EQ(MissingPagesAndUsedSlots(), 0u) << threads << " threads, cleared";
  }
  // Given up while still being touched.
  ASSERT_EQ(HashInitUntouched(), 1);
  HashTouchInBackground();
  HashFree();
  // Held by a search: no page is taken until the search ends, and a table
  // given up meanwhile is let go at once.
  for (bool given_up : {false, true}) {
    HoldHashTouch(true);
    ASSERT_EQ(HashInitUntouched(), 1);
    HashTouchInBackground();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    if (given_up) {
      HashFree();
    } else {
      const auto [missing, all] = MissingPages();
      EXPECT_EQ(missing, all) << "held";
      HoldHashTouch(false);
      HashWait();
      EXPECT_EQ(MissingPagesAndUsedSlots(), 0u) << "released";
    }
    HoldHashTouch(false);
  }
  SearchData.thread_count = pool;
}

TEST_F(TableTest, CheckWordAndMoveSanity) {
  Set(kStart);
  const uint64_t key = FullKey(pos);
  HashStore(pos, M("e2", "e4"), 6, 12, BoundExact);
  HashSlot* slot = nullptr;
  for (int i = 0; i < 4; i++)
    if (ReadSlot(Bucket() + i).lock == uint32_t(key >> 32)) slot = Bucket() + i;
  ASSERT_NE(slot, nullptr);
  EXPECT_EQ(ReadSlot(slot).check, CheckWord(key, 12, M("e2", "e4")));

  // Torn: the second word of another writer (another score) beside this check.
  const uint64_t w1 = slot->word[1].load();
  slot->word[1].store((w1 & ~(uint64_t(0xFFFF) << 16)) | uint64_t(uint16_t(13)) << 16);
  HashEntry e = Probe();
  EXPECT_EQ(e.depth, kHashBadCheck);
  EXPECT_EQ(e.move, M("e2", "e4"));

  // Foreign: the lock matches but the check was made for another low half.
  slot->word[0].store(uint64_t(uint32_t(key >> 32)) << 32 | CheckWord(key ^ 0x100, 12, M("e2", "e4")));
  slot->word[1].store(w1);
  EXPECT_EQ(Probe().depth, kHashBadCheck);

  // Moves that do not fit the board.
  HashStore(pos, M("e3", "e4"), 6, 12, BoundExact);
  EXPECT_EQ(Probe().depth, kHashFromNotOwn);
  HashStore(pos, M("e2", "d2"), 6, 12, BoundExact);
  EXPECT_EQ(Probe().depth, kHashToOwn);
  HashStore(pos, M("e3", "d2"), 6, 12, BoundExact);
  EXPECT_EQ(Probe().depth, kHashToOwn);
  HashStore(pos, NullMove, 6, 12, BoundExact);
  EXPECT_EQ(Probe().depth, 6);
}

// Writers racing on one position never hand a reader a mixed entry.
TEST_F(TableTest, ConcurrentWritersNeverMixEntries) {
  Set(kStart);
  std::atomic<bool> go{false};
  std::atomic<int> mixed{0}, hits{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; t++) {
    threads.emplace_back([&, t]() {
      while (!go.load()) std::this_thread::yield();
      const Move move = M("b1", "c3") + Move(t);
      for (int n = 0; n < 20000; n++) {
        HashStore(pos, move, 10 + t, 100 * t + 1, 1 + t % 3);
        HashEntry e{};
        e.depth = -99;
        HashProbe(pos, &e);
        if (e.depth < 0) continue;
        hits.fetch_add(1, std::memory_order_relaxed);
        const int w = e.depth - 10;
        if (e.score != 100 * w + 1 || e.bound != 1 + w % 3 || Move(e.move - M("b1", "c3")) != w) mixed++;
      }
    });
  }
  go = true;
  for (auto& th : threads) th.join();
  EXPECT_EQ(mixed.load(), 0);
  EXPECT_GT(hits.load(), 0);
}

// Under a sanitizer the address space is its own, so these run without one.
#ifndef KERV_SANITIZED

[[noreturn]] void AllocateUnderLimit(int mb) {
  rlimit limit;
  limit.rlim_cur = limit.rlim_max = rlim_t(1) << 30;
  setrlimit(RLIMIT_AS, &limit);
  SearchData.hash_enabled = 1;
  SearchData.hash_size = int16_t(mb);
  const int ok = HashInit();
  std::exit(ok == 0 && hashtable == nullptr && entries == 0 ? 7 : 1);
}

// With the address space limited, the largest sizes fail cleanly rather than
// wrapping into a small block that marking the slots would overrun.
TEST(TableDeathTest, HugeTablesFailCleanly) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  for (int mb : {4096, 8192})
    EXPECT_EXIT(AllocateUnderLimit(mb), ::testing::ExitedWithCode(7), "") << mb;
}

#endif

}  // namespace
