#include "eval/bitbase.h"

#include <algorithm>
#include <cstdlib>

#include "board/bitboard.h"

uint8_t kpk_db[262144];

namespace {

enum : uint8_t { Illegal = 0, Draw = 1, Win = 2, Unknown = 4 };

// side 0: the pawn's side to move; the pawn on files a to d.
int Index(int side, int p, int s, int w) {
  return side << 17 | ((p & 7) + 4 * (p >> 3)) << 12 | s << 6 | w;
}

int Distance(int a, int b) {
  return std::max(std::abs(FileOf(a) - FileOf(b)), std::abs(RankOf(a) - RankOf(b)));
}

void InitialPass() {
  for (int p = 0; p < 64; p++) {
    if (FileOf(p) > 3) continue;
    bool promoted = RankOf(p) == 7;
    for (int s = 0; s < 64; s++)
      for (int w = 0; w < 64; w++) {
        uint8_t& mover = kpk_db[Index(0, p, s, w)];
        uint8_t& defender = kpk_db[Index(1, p, s, w)];
        if (w == p || w == s || s == p || Distance(s, w) <= 1) {
          mover = defender = Illegal;
          continue;
        }
        bool checked = w == p + 9 || (w == p + 7 && FileOf(p) != 0);
        mover = checked ? Illegal : Unknown;
        defender = Unknown;
        // A fresh queen wins unless the defender, to move, takes it for free.
        // Illegal entries stay 0: the pushes from the sixth rank rely on them
        // to see a promotion square that a king occupies.
        if (promoted) {
          if (mover != Illegal) mover = Win;
          if (Distance(w, p) > 1 || Distance(s, p) <= 1) defender = Win;
        }
      }
  }
}

uint8_t ResolveMover(int p, int s, int w) {
  int r = kpk_db[Index(1, p + 8, s, w)];
  if (RankOf(p) == 1 && r != Illegal) r |= kpk_db[Index(1, p + 16, s, w)];
  for (Bitboard b = BB_KingRays[s]; b; b = ClearLSB(b)) r |= kpk_db[Index(1, p, LSB(b), w)];
  if (r & Win) return Win;
  if (r & Unknown) return Unknown;
  return Draw;
}

uint8_t ResolveDefender(int p, int s, int w) {
  int r = 0;
  for (Bitboard b = BB_KingRays[w]; b; b = ClearLSB(b)) r |= kpk_db[Index(0, p, s, LSB(b))];
  if ((BB_KingRays[w] & SquareBit(p)) && Distance(s, p) >= 2) r |= Draw;
  if (r & Draw) return Draw;
  if (r & Unknown) return Unknown;
  if (r & Win) return Win;
  return Draw;  // stalemate
}

// One sweep over the real pawn squares; the number of entries it resolved.
int Pass(int side) {
  int changed = 0;
  for (int p = 8; p < 56; p++) {
    if (FileOf(p) > 3) continue;
    for (int s = 0; s < 64; s++)
      for (int w = 0; w < 64; w++) {
        uint8_t& v = kpk_db[Index(side, p, s, w)];
        if (v != Unknown) continue;
        v = side == 0 ? ResolveMover(p, s, w) : ResolveDefender(p, s, w);
        changed += v != Unknown;
      }
  }
  return changed;
}

}  // namespace

void BuildKPKBitbase() {
  InitialPass();
  for (int changed = 1; changed;) {
    changed = Pass(0);
    changed += Pass(1);
  }
  // Whatever is still unknown cannot be forced: a draw.
  for (int side = 0; side < 2; side++)
    for (int p = 8; p < 56; p++) {
      if (FileOf(p) > 3) continue;
      for (int k = 0; k < 4096; k++) {
        uint8_t& v = kpk_db[Index(side, p, k >> 6, k & 63)];
        if (v == Unknown) v = Draw;
      }
    }
}
