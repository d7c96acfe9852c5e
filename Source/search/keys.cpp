#include "search/keys.h"

#include <bit>

#include "engine/output.h"

uint64_t rtable[1024];
uint64_t rtable2[66];

namespace {

// Multiply-with-carry generator; its state lives for the whole run.
uint32_t m_z = 1, m_w = 1;

uint32_t Draw() {
  m_z = 36969 * (m_z & 0xFFFF) + (m_z >> 16);
  m_w = 18000 * (m_w & 0xFFFF) + (m_w >> 16);
  return (m_z << 16) + m_w;
}

uint64_t DrawKey() {
  const uint64_t high = Draw();
  return high << 32 | Draw();
}

// Keys closer than four bits in either half to an earlier key are redrawn.
bool FarFromEarlier(uint64_t key, int count) {
  for (int i = 0; i < count; i++) {
    const uint64_t d = key ^ rtable[i];
    if (std::popcount(uint32_t(d)) < 4 || std::popcount(uint32_t(d >> 32)) < 4) return false;
  }
  return true;
}

}  // namespace

void InitHashKeys() {
  static bool done = false;
  if (done) return;
  done = true;
  for (int i = 0; i < 1024; i++) {
    int tries = 1;
    rtable[i] = DrawKey();
    while (i > 0 && !FarFromEarlier(rtable[i], i)) {
      if (tries == 5) {
        ShowMessage("bad hashcode");
        break;
      }
      rtable[i] = DrawKey();
      tries++;
    }
  }
  for (uint64_t& k : rtable2) k = DrawKey();
}
