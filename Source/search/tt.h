// The shared transposition table: 16-byte slots in overlapping buckets of
// four, counted upward from the first slot for white to move and downward from
// slot `entries` for black. Threads share it without locks; a check word made
// of the key, the move and the score tells a slot torn by two writers.
#pragma once
#include <atomic>
#include <cstdint>
#include "board/position.h"
#include "search/search.h"

enum HashBound : uint8_t { BoundUpper = 1, BoundLower = 2, BoundExact = 3 };

// Depths that a probe's copy may carry instead of a searched depth; all lie
// below every depth a search stores.
constexpr int kHashEmptyDepth = -50;
constexpr int kHashBadCheck = -98;
constexpr int kHashFromNotOwn = -97;
constexpr int kHashToOwn = -96;

// One slot as a probe hands it to its caller.
struct HashEntry {
  uint32_t lock;   // high half of the full key
  uint32_t check;  // low half ^ (score + 15000) ^ (move << 16)
  Move move;
  int16_t score;
  uint16_t age;
  uint8_t bound;
  int8_t depth;
};

// A slot in the table: word 0 holds lock (high) and check (low), word 1 move,
// score, age, bound and depth from the low bits up. Each word is read and
// written whole, so bound and depth always belong to the move and score
// beside them, and a tear between the words fails the check.
struct HashSlot {
  std::atomic<uint64_t> word[2];
};

extern HashSlot* hashtable;
extern uint32_t entries;
extern uint64_t mask;
extern HashSlot* whitetable;
extern HashSlot* blacktable;

// Makes the key tables on the first call; frees any previous table and
// allocates one of SearchData's hash size, all empty slots, its pages taken
// from the system by as many threads as the pool has. 1 on success, 0 when
// the size cannot be had (no table is left then).
int HashInit();
// The same, leaving the pages to be taken by HashTouchInBackground (or as
// they are first written). Main thread only, as are all of these.
int HashInitUntouched();
// Starts taking the pages of a table fresh from HashInitUntouched behind
// the caller's back. The touch changes no slot, so searches may use the
// table meanwhile.
void HashTouchInBackground();
// Holds the background touch while on, so that it never competes with a
// search: set as a search starts, cleared by thread 0 as it ends.
void HoldHashTouch(bool hold);
// Returns once every page of the table has been taken, so that a search
// then runs at full speed from its first node; a held touch is waited for
// until the search that holds it ends.
void HashWait();
// Empties every slot and resets the age and the hash fill; nothing while the
// hash is disabled.
void HashClear();
void HashFree();

// Copies the slot of this position into entry, its depth possibly replaced by
// one of the markers above; leaves entry alone on a miss.
void HashProbe(const Position* pos, HashEntry* entry);
void HashStore(const Position* pos, Move move, int depth, int score, int bound);

// Share of 1000 middle slots stamped with the current age, into SearchData.
void RefreshHashFill();

// First slot of the bucket of a full key with this side to move; the table
// must have entries.
HashSlot* HashBucket(uint64_t key, int side);
HashEntry ReadSlot(const HashSlot* slot);
uint32_t CheckWord(uint64_t key, int score, Move move);

// Mate scores are kept as distances from the storing node.
constexpr int ScoreToHash(int score, int ply) {
  return score < -kMateRange ? score - ply : score >= kMateRange ? score + ply : score;
}
constexpr int ScoreFromHash(int score, int ply) {
  return score < -kMateRange ? score + ply : score >= kMateRange ? score - ply : score;
}
