#include "search/tt.h"

#include <pthread.h>

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include "platform/memory.h"
#include "search/keys.h"
#include "search/searchdata.h"
#include "search/threads.h"

HashSlot* hashtable = nullptr;
uint32_t entries = 0;
uint64_t mask = ~uint64_t(0);
HashSlot* whitetable = nullptr;
HashSlot* blacktable = nullptr;
static bool init = false;
// Some slot has been written since the table was mapped or last emptied.
// Every write sets it, and only the first one stores: the later ones read a
// line that stays in every core's cache, beside the slot's own cache miss.
static std::atomic<bool> written{false};

constexpr int kSpareSlots = 16;

static void MarkWritten() {
  if (!written.load(std::memory_order_relaxed)) written.store(true, std::memory_order_relaxed);
}

// The depth is kept less the empty mark, so that a slot of zero bytes, as
// memory comes from the system, is an empty slot.
static uint64_t DepthBits(int depth) { return uint64_t(uint8_t(depth - kHashEmptyDepth)) << 56; }
static int8_t SlotDepth(uint64_t w1) { return int8_t(uint8_t(uint8_t(w1 >> 56) + kHashEmptyDepth)); }
static_assert(sizeof(std::atomic<uint64_t>) == sizeof(uint64_t) && sizeof(HashSlot) == 16,
              "a slot is two plain words, so zero bytes are a valid slot");

static uint64_t Word0(uint32_t lock, uint32_t check) { return uint64_t(lock) << 32 | check; }

static uint64_t Word1(Move move, int score, uint16_t age, int bound, int depth) {
  return uint64_t(move) | uint64_t(uint16_t(score)) << 16 | uint64_t(age) << 32 |
         uint64_t(uint8_t(bound)) << 48 | DepthBits(depth);
}

static HashEntry Unpack(uint64_t w0, uint64_t w1) {
  HashEntry e;
  e.lock = uint32_t(w0 >> 32);
  e.check = uint32_t(w0);
  e.move = Move(w1);
  e.score = int16_t(uint16_t(w1 >> 16));
  e.age = uint16_t(w1 >> 32);
  e.bound = uint8_t(w1 >> 48);
  e.depth = SlotDepth(w1);
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

static uint64_t SlotCount() { return uint64_t(entries) + kSpareSlots; }

namespace {

// Below this a part is not worth a thread of its own.
constexpr uint64_t kMinFillPart = uint64_t(16) << 20;
// Parts start on large-page boundaries (the table does), so that no two
// threads wait for the same large page, and are worked a large page at a time.
constexpr uint64_t kLargePage = uint64_t(2) << 20;
constexpr uint64_t kPartAlign = kLargePage / sizeof(HashSlot);

// A fresh table only needs its pages taken from the system; a used one is
// written with zeros.
enum FillKind { kTouch, kZero };

struct FillPart {
  HashSlot* first;
  uint64_t slots;
  FillKind kind;
};

// The table is being touched in the background by `filler` (main thread
// only), with `fill_threads` threads.
bool filling = false;
pthread_t filler;
int fill_threads = 1;
// Set while a table still being touched is given up: the touch stops.
std::atomic<bool> give_up{false};
// Set while a search runs: the touch waits, so that it never takes a
// processor from the search, also on a machine of one core. The search
// takes the pages it writes meanwhile itself.
std::atomic<bool> held{false};
pthread_mutex_t hold_lock = PTHREAD_MUTEX_INITIALIZER;
pthread_cond_t hold_event = PTHREAD_COND_INITIALIZER;
// The touch needs next to no stack. Small stacks let its threads start even
// where the pool has taken nearly all the address space a limit leaves, so
// that the pages are not taken by one thread alone.
constexpr size_t kFillStackBytes = size_t(64) << 10;

// Takes the pages of n slots from the system by an atomic change of nothing
// to one word a page: a search that writes the table meanwhile never has a
// word of its own undone.
void TouchSlots(HashSlot* first, uint64_t n) {
  const uint64_t page = SystemPageSize(), page_words = page / sizeof(uint64_t);
  const uint64_t lead = (page - reinterpret_cast<uintptr_t>(first) % page) % page / sizeof(uint64_t);
  if (n) first[0].word[0].fetch_or(0, std::memory_order_relaxed);
  for (uint64_t w = lead; w < 2 * n; w += page_words)
    first[w / 2].word[w % 2].fetch_or(0, std::memory_order_relaxed);
}

// Wakes the threads that wait in WaitWhileHeld to look again.
void WakeHeld() {
  pthread_mutex_lock(&hold_lock);
  pthread_cond_broadcast(&hold_event);
  pthread_mutex_unlock(&hold_lock);
}

void WaitWhileHeld() {
  if (!held.load(std::memory_order_acquire)) return;
  pthread_mutex_lock(&hold_lock);
  while (held.load(std::memory_order_acquire) && !give_up.load(std::memory_order_relaxed))
    pthread_cond_wait(&hold_event, &hold_lock);
  pthread_mutex_unlock(&hold_lock);
}

void* FillOnePart(void* arg) {
  const FillPart* part = static_cast<const FillPart*>(arg);
  for (uint64_t at = 0; at < part->slots && !give_up.load(std::memory_order_relaxed); at += kPartAlign) {
    // Zeros are written by the caller, who waits for them.
    if (part->kind == kTouch) WaitWhileHeld();
    const uint64_t n = std::min(kPartAlign, part->slots - at);
    if (part->kind == kTouch)
      TouchSlots(part->first + at, n);
    else
      std::memset(static_cast<void*>(part->first + at), 0, size_t(n * sizeof(HashSlot)));
  }
  return nullptr;
}

// The whole table, split among up to `threads` threads side by side, the
// calling thread taking the first part; a part whose thread cannot be
// started is done by the calling thread.
void FillTable(FillKind kind, int threads) {
  const uint64_t bytes = SlotCount() * sizeof(HashSlot);
  const uint64_t by_size = std::max<uint64_t>(bytes / kMinFillPart, 1);
  const int parts = int(std::min<uint64_t>(uint64_t(threads), by_size));
  const uint64_t slots_per_part = SlotCount() / uint64_t(parts) / kPartAlign * kPartAlign;
  FillPart part[kMaxThreads];
  pthread_t helper[kMaxThreads];
  bool started[kMaxThreads] = {};
  for (int i = 0; i < parts; i++) {
    const uint64_t first = slots_per_part * uint64_t(i);
    const uint64_t last = i == parts - 1 ? SlotCount() : first + slots_per_part;
    part[i] = {hashtable + first, last - first, kind};
    if (i > 0) started[i] = StartThread(&helper[i], kFillStackBytes, FillOnePart, &part[i]) == 0;
  }
  for (int i = 0; i < parts; i++)
    if (!started[i]) FillOnePart(&part[i]);
  for (int i = 1; i < parts; i++)
    if (started[i]) pthread_join(helper[i], nullptr);
}

void* TouchInBackground(void*) {
  FillTable(kTouch, fill_threads);
  return nullptr;
}

// As many as the pool has.
int FillThreads() { return std::clamp<int>(SearchData.thread_count, 1, kMaxThreads); }

}  // namespace

void HoldHashTouch(bool hold) {
  held.store(hold, std::memory_order_release);
  if (!hold) WakeHeld();
}

void HashWait() {
  if (!filling) return;
  pthread_join(filler, nullptr);
  filling = false;
}

// Ends the touch where it got to.
static void StopTouch() {
  give_up.store(true, std::memory_order_relaxed);
  WakeHeld();
  HashWait();
  give_up.store(false, std::memory_order_relaxed);
}

void HashFree() {
  StopTouch();
  if (hashtable) FreeLarge(hashtable, size_t(SlotCount() * sizeof(HashSlot)));
  hashtable = whitetable = blacktable = nullptr;
  written.store(false, std::memory_order_relaxed);
  entries = 0;
  mask = ~uint64_t(0);
}

// The pages are taken from the system now, side by side: taken one by one
// as a search first writes them, they would cost the first search of a
// large table most of its speed.
int HashInit() {
  if (!HashInitUntouched()) return 0;
  FillTable(kTouch, FillThreads());
  return 1;
}

int HashInitUntouched() {
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
  // Zero bytes from the system are empty slots.
  void* block = AllocateLarge(size_t(bytes));
  if (!block) return 0;
  hashtable = static_cast<HashSlot*>(block);
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

void HashTouchInBackground() {
  if (!hashtable || filling) return;
  fill_threads = FillThreads();
  filling = StartThread(&filler, kFillStackBytes, TouchInBackground, nullptr) == 0;
  if (!filling) FillTable(kTouch, fill_threads);
}

void HashClear() {
  if (!SearchData.hash_enabled) return;
  // A table that nothing has written is still all zeros: a GUI's clear at
  // the start of every game costs nothing then, nor waits for the pages
  // still being taken. Zeros are written rather than the pages handed back,
  // which the next search would wait for; they take what the touch left.
  if (hashtable && written.load(std::memory_order_relaxed)) {
    StopTouch();
    // A search that runs on (a button pressed while it thinks) writes on.
    const bool searching = ThreadsAreBusy() != 0;
    FillTable(kZero, FillThreads());
    written.store(searching, std::memory_order_relaxed);
  }
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
      MarkWritten();
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
      const int slot_depth = SlotDepth(w1);
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
  MarkWritten();
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
