#include "search/tt.h"

#include <bit>
#include <cstddef>
#include <cstdint>
#include <new>
#include "platform/memory.h"
#include "search/keys.h"
#include "search/searchdata.h"

HashSlot* hashtable = nullptr;
uint32_t entries = 0;
uint64_t mask = ~uint64_t(0);
HashSlot* whitetable = nullptr;
HashSlot* blacktable = nullptr;
static bool init = false;

constexpr int kSpareSlots = 16;

static uint64_t EmptyWord1() { return uint64_t(uint8_t(int8_t(kHashEmptyDepth))) << 56; }

static uint64_t Word0(uint32_t lock, uint32_t check) { return uint64_t(lock) << 32 | check; }

static uint64_t Word1(Move move, int score, uint16_t age, int bound, int depth) {
  return uint64_t(move) | uint64_t(uint16_t(score)) << 16 | uint64_t(age) << 32 |
         uint64_t(uint8_t(bound)) << 48 | uint64_t(uint8_t(depth)) << 56;
}

static HashEntry Unpack(uint64_t w0, uint64_t w1) {
  HashEntry e;
  e.lock = uint32_t(w0 >> 32);
  e.check = uint32_t(w0);
  e.move = Move(w1);
  e.score = int16_t(uint16_t(w1 >> 16));
  e.age = uint16_t(w1 >> 32);
  e.bound = uint8_t(w1 >> 48);
  e.depth = int8_t(uint8_t(w1 >> 56));
  return e;
}

uint32_t CheckWord(uint64_t key, int score, Move move) {
  return uint32_t(key) ^ uint32_t(score + 15000) ^ (uint32_t(move) << 16);
}

HashSlot* HashBucket(uint64_t key, int side) {
  const uint64_t idx = key & mask;
  return side == White ? whitetable + idx : blacktable - idx;
}

HashEntry ReadSlot(const HashSlot* slot) {
  return Unpack(slot->word[0].load(std::memory_order_relaxed),
                slot->word[1].load(std::memory_order_relaxed));
}

void HashFree() {
  FreeLarge(hashtable);
  hashtable = whitetable = blacktable = nullptr;
  entries = 0;
  mask = ~uint64_t(0);
}

static void EmptySlots() {
  for (uint64_t i = 0; i < uint64_t(entries) + kSpareSlots; i++) {
    hashtable[i].word[0].store(0, std::memory_order_relaxed);
    hashtable[i].word[1].store(EmptyWord1(), std::memory_order_relaxed);
  }
}

int HashInit() {
  if (!init) {
    init = true;
    InitHashKeys();
  }
  HashFree();
  // In 64 bits: the largest size would wrap a 32-bit count into a tiny block.
  const uint64_t mb = SearchData.hash_size < 0 ? 0 : uint64_t(SearchData.hash_size);
  const uint64_t slots = mb * 65536 + kSpareSlots;
  const uint64_t bytes = slots * sizeof(HashSlot);
  if (bytes > SIZE_MAX || slots - kSpareSlots > UINT32_MAX) return 0;
  void* block = AllocateLarge(size_t(bytes));
  if (!block) return 0;
  hashtable = static_cast<HashSlot*>(block);
  // Marked empty only while the hash is enabled; zeros otherwise.
  const uint64_t word1 = SearchData.hash_enabled ? EmptyWord1() : 0;
  for (uint64_t i = 0; i < slots; i++) new (&hashtable[i]) HashSlot{{0, word1}};
  entries = uint32_t(slots - kSpareSlots);
  mask = entries ? std::bit_floor(uint64_t(entries)) - 1 : ~uint64_t(0);
  whitetable = hashtable;
  blacktable = hashtable + entries;
  if (SearchData.hash_enabled) {
    SearchData.age = 0;
    SearchData.hash_fill = 0.0;
  }
  return 1;
}

void HashClear() {
  if (!SearchData.hash_enabled) return;
  if (hashtable) EmptySlots();
  SearchData.age = 0;
  SearchData.hash_fill = 0.0;
}

void HashProbe(const Position* pos, HashEntry* entry) {
  if (!SearchData.hash_enabled || entries == 0) return;
  const uint64_t key = FullKey(pos);
  const uint32_t lock = uint32_t(key >> 32);
  HashSlot* bucket = HashBucket(key, pos->side);
  for (int i = 0; i < 4; i++) {
    const uint64_t w0 = bucket[i].word[0].load(std::memory_order_relaxed);
    if (uint32_t(w0 >> 32) != lock) continue;
    uint64_t w1 = bucket[i].word[1].load(std::memory_order_relaxed);
    const uint16_t age = SearchData.age;
    if (uint16_t(w1 >> 32) != age) {
      // A writer racing this refresh leaves a slot whose check fails later.
      w1 = (w1 & ~(uint64_t(0xFFFF) << 32)) | uint64_t(age) << 32;
      bucket[i].word[1].store(w1, std::memory_order_relaxed);
    }
    *entry = Unpack(w0, w1);
    if (entry->check != CheckWord(key, entry->score, entry->move)) {
      entry->depth = kHashBadCheck;
      return;
    }
    if (entry->move == NullMove) return;
    const Bitboard own = pos->bb[pos->side][0];
    if (!(own & (Bitboard(1) << MoveFrom(entry->move)))) entry->depth = kHashFromNotOwn;
    if (own & (Bitboard(1) << MoveTo(entry->move))) entry->depth = kHashToOwn;
    return;
  }
}

void HashStore(const Position* pos, Move move, int depth, int score, int bound) {
  if (!SearchData.hash_enabled || entries == 0) return;
  const uint64_t key = FullKey(pos);
  const uint32_t lock = uint32_t(key >> 32);
  HashSlot* bucket = HashBucket(key, pos->side);
  HashSlot* slot = nullptr;
  for (int i = 0; i < 4 && !slot; i++)
    if (uint32_t(bucket[i].word[0].load(std::memory_order_relaxed) >> 32) == lock) slot = &bucket[i];
  if (!slot) {
    // The victim has the smallest age * 16 + depth; the earlier slot on a tie.
    int victim_value = 0, victim_depth = 0;
    for (int i = 0; i < 4; i++) {
      const uint64_t w1 = bucket[i].word[1].load(std::memory_order_relaxed);
      const int slot_depth = int8_t(uint8_t(w1 >> 56));
      int value = int16_t(uint16_t(w1 >> 32)) * 16 + slot_depth;
      if (i == 0 && value > 30000) value = 30000;
      if (i == 0 || value < victim_value) {
        victim_value = value;
        victim_depth = slot_depth;
        slot = &bucket[i];
      }
    }
    if (depth < victim_depth - 7) return;
  }
  slot->word[0].store(Word0(lock, CheckWord(key, score, move)), std::memory_order_relaxed);
  slot->word[1].store(Word1(move, score, SearchData.age, bound, depth), std::memory_order_relaxed);
}

void RefreshHashFill() {
  SearchData.hash_fill = 0.0;
  if (entries < 3000) return;
  int count = 0;
  for (uint32_t i = entries / 2 - 500; i < entries / 2 + 500; i++)
    if (uint16_t(hashtable[i].word[1].load(std::memory_order_relaxed) >> 32) == SearchData.age) count++;
  SearchData.hash_fill = count * 0.001;
}
