// Packed scores: an opening half in the low 16 bits and an endgame half above,
// so a whole sum of terms is one integer addition and is tapered once.
#pragma once
#include <cstdint>

// Unsigned arithmetic keeps packing and unpacking free of signed overflow
// whatever the halves are.
constexpr int32_t S(int op, int en) {
  return int32_t(uint32_t(op) + uint32_t(en) * 65536u);
}
constexpr int OpOf(int32_t v) { return int16_t(uint16_t(uint32_t(v))); }
constexpr int EnOf(int32_t v) { return int32_t(uint32_t(v) + 32768u) >> 16; }

// Blends the halves by the game stage, 0 (full middlegame) to 24 (bare ending).
constexpr int Taper(int32_t v, int stage) {
  return (EnOf(v) * stage + OpOf(v) * (24 - stage)) / 24;
}
