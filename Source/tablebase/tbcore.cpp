#include "tablebase/tbcore.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <string>
#include <vector>

#include "board/bitboard.h"
#include "platform/filemap.h"
#include "tablebase/tbprobe.h"

static_assert(std::endian::native == std::endian::little, "table headers are read as little-endian");

int TB_LARGEST = 0;

namespace {

constexpr int TBMAX_PIECE = 254;
constexpr int TBMAX_PAWN = 256;
constexpr int HSHMAX = 5;
constexpr int kDtzSlots = 64;
constexpr int kTbPieces = 6;
constexpr uint32_t kWdlMagic = 0x5D23E871;
constexpr uint32_t kDtzMagic = 0xA50C66D7;
#ifdef _WIN32
constexpr char kPathSeparator = ';';
#else
constexpr char kPathSeparator = ':';
#endif

// ---- constant square tables ----

constexpr int8_t offdiag_of(int sq) {
  const int f = sq & 7, r = sq >> 3;
  return r > f ? 1 : f > r ? -1 : 0;
}

constexpr uint8_t flipdiag_of(int sq) { return uint8_t((sq >> 3) | (sq & 7) << 3); }

constexpr uint8_t triangle_of(int sq) {
  int f = sq & 7, r = sq >> 3;
  if (f > 3) f = 7 - f;
  if (r > 3) r = 7 - r;
  if (r > f) std::swap(f, r);
  constexpr uint8_t tri[4][4] = {{6, 0, 1, 2}, {0, 7, 3, 4}, {0, 0, 8, 5}, {0, 0, 0, 9}};
  return tri[r][f];
}

constexpr uint8_t lower_of(int sq) {
  int f = sq & 7, r = sq >> 3;
  if (f == r) return uint8_t(28 + f);
  if (r > f) std::swap(f, r);
  int n = 0;  // squares below the diagonal before (r, f) in rising order
  for (int rr = 0; rr < r; rr++) n += 7 - rr;
  return uint8_t(n + f - r - 1);
}

constexpr uint8_t diag_of(int sq) {
  const int f = sq & 7, r = sq >> 3;
  return f == r ? uint8_t(f) : f + r == 7 ? uint8_t(8 + r) : 0;
}

constexpr uint8_t flap_of(int sq) {
  const int f = sq & 7, r = sq >> 3;
  return r >= 1 && r <= 6 ? uint8_t(6 * std::min(f, 7 - f) + r - 1) : 0;
}

constexpr uint8_t ptwist_of(int sq) {
  const int f = sq & 7, r = sq >> 3;
  if (r < 1 || r > 6) return 0;
  return uint8_t(47 - 2 * (r - 1) - 12 * std::min(f, 7 - f) - (f > 3 ? 1 : 0));
}

template <class T, class F>
constexpr std::array<T, 64> square_table(F rule) {
  std::array<T, 64> t{};
  for (int sq = 0; sq < 64; sq++) t[sq] = rule(sq);
  return t;
}

constexpr auto offdiag = square_table<int8_t>(offdiag_of);
constexpr auto flipdiag = square_table<uint8_t>(flipdiag_of);
constexpr auto triangle = square_table<uint8_t>(triangle_of);
constexpr auto lower = square_table<uint8_t>(lower_of);
constexpr auto diag = square_table<uint8_t>(diag_of);
constexpr auto flap = square_table<uint8_t>(flap_of);
constexpr auto ptwist = square_table<uint8_t>(ptwist_of);
constexpr uint8_t file_to_file[8] = {0, 1, 2, 3, 3, 2, 1, 0};
constexpr int pivfac[3] = {31332, 0, 462};

constexpr bool kings_adjacent_or_same(int a, int b) {
  const int df = (a & 7) - (b & 7), dr = (a >> 3) - (b >> 3);
  return df >= -1 && df <= 1 && dr >= -1 && dr <= 1;
}

constexpr std::array<std::array<int16_t, 64>, 10> make_kk_idx() {
  std::array<std::array<int16_t, 64>, 10> kk{};
  constexpr int first[10] = {1, 2, 3, 10, 11, 19, 0, 9, 18, 27};  // b1 c1 d1 c2 d2 d3 a1 b2 c3 d4
  for (auto& row : kk) row.fill(-1);
  int n = 0;
  for (int row = 0; row < 10; row++)
    for (int sq = 0; sq < 64; sq++) {
      if (kings_adjacent_or_same(first[row], sq)) continue;
      if (row >= 6 && offdiag_of(sq) != -1) continue;
      kk[row][sq] = int16_t(n++);
    }
  for (int row = 6; row < 10; row++)
    for (int sq = 0; sq < 64; sq++)
      if (offdiag_of(sq) == 0 && !kings_adjacent_or_same(first[row], sq)) kk[row][sq] = int16_t(n++);
  return kk;
}
constexpr auto KK_idx = make_kk_idx();

// ---- tables filled by the first initialisation ----

int binomial[5][64];
int pawnidx[5][24];
int pfactor[5][4];

void init_indices() {
  for (int k = 0; k < 5; k++)
    for (int n = 0; n < 64; n++) {
      int64_t num = 1, den = 1;
      for (int l = 0; l <= k; l++) {
        num *= n - l;
        den *= l + 1;
      }
      binomial[k][n] = n > k ? int(num / den) : 0;
    }
  for (int t = 0; t < 5; t++)
    for (int f = 0; f < 4; f++) {
      int s = 0;
      for (int j = 6 * f; j < 6 * f + 6; j++) {
        pawnidx[t][j] = s;
        const int sq = 8 * (1 + j % 6) + j / 6;
        s += t == 0 ? 1 : binomial[t - 1][ptwist[sq]];
      }
      pfactor[t][f] = s;
    }
}

// ---- unaligned loads ----

template <class T>
T load_le(const uint8_t* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

// A big-endian data word; bytes beyond the mapping read as zero, since the
// decoder looks one word past the block that holds the value.
uint32_t load_be32(const uint8_t* p, const uint8_t* end) {
  if (p < end && end - p >= 4) return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
  uint32_t v = 0;
  for (int i = 0; i < 4; i++) v = v << 8 | (p + i < end ? p[i] : 0);
  return v;
}

// ---- records ----

struct PairsTable {
  const uint8_t* index_table;
  const uint8_t* size_table;
  const uint8_t* data;
  const uint8_t* file_end;
  const uint8_t* offsets;  // u16 per code length from min_length up
  const uint8_t* symbol_patterns;
  uint64_t index_entries;
  uint32_t size_entries;
  uint32_t real_blocks;
  int block_bits;
  int index_bits;  // 0 marks a constant table
  int min_length;  // the value itself for a constant table
  int max_length;
  int symbols;
  uint64_t base[32];  // left-aligned in the top half, by code length from min_length
  std::vector<uint8_t> symbol_lengths;
};

// One stored side of one file table.
struct TableSide {
  PairsTable pairs;
  bool present;
  int factors[kTbPieces];
  uint8_t piece_codes[kTbPieces];
  uint8_t groups[kTbPieces];
};

struct Material {
  uint64_t key;  // the table's own orientation
  uint8_t num;
  uint8_t symmetric;
  uint8_t pawned;
  uint8_t enc_type;  // pawnless: 0 or 2
  uint8_t pawns[2];  // pawned: leading colour, other colour
  uint8_t count[16];  // pieces per code in the table's own orientation
  char name[16];
};

// Disabled: the file failed to load or its data proved damaged. Both colour
// orientations of a material reach the one entry, so both stop asking.
enum : uint8_t { NotLoaded = 0, Ready = 1, Disabled = 2 };

struct TbEntry {
  Material mat;
  FileMap map;
  std::atomic<uint8_t> ready;
  uint8_t dtz_disabled;  // a damaged .rtbz was reported; main search thread only
  TableSide side[4][2];  // [file][stored side]; pawnless tables use file 0
};

struct DtzTable {
  Material mat;
  FileMap map;
  TableSide side[4];
  uint8_t flags[4];
  uint16_t map_idx[4][4];
  const uint8_t* value_map;
};

struct HashSlot {
  uint64_t key;
  TbEntry* entry;
};

struct DtzSlot {
  uint64_t key1, key2;
  DtzTable* table;
};

TbEntry TB_piece[TBMAX_PIECE];
TbEntry TB_pawn[TBMAX_PAWN];
int TBnum_piece, TBnum_pawn;
HashSlot TB_hash[1 << 10][HSHMAX];
DtzSlot DTZ_table[kDtzSlots];
std::vector<std::string> paths;
bool initialized;
std::mutex TB_MUTEX;

constexpr uint64_t kKeyConst[2][6] = {
    // pawn, knight, bishop, rook, queen by piece type; kings do not count
    {0, 0xEC0ADE190C0F6003, 0xD2FB81862830191F, 0xAADC1A2BE446234D, 0x985DEB9FC49333F9,
     0xA3EC1ABC71E90863},
    {0, 0xA24F0F571BB202E7, 0xBAEB854CD3259441, 0xD5A4C95928F2FBE3, 0xFD7866B439B94495,
     0xD6E4E47D24962951},
};

uint64_t key_of_counts(const uint8_t count[16], int swap) {
  uint64_t key = 0;
  for (int type = Pawn; type <= Queen; type++)
    key += count[type] * kKeyConst[swap][type] + count[type | 8] * kKeyConst[swap ^ 1][type];
  return key;
}

// ---- files ----

// The first directory whose file opens gives the full path.
bool open_tb(const char* name, const char* suffix, std::string* path) {
  for (const std::string& dir : paths) {
    std::string full = dir + "/" + name + suffix;
    if (FILE* f = std::fopen(full.c_str(), "rb")) {
      std::fclose(f);
      *path = full;
      return true;
    }
  }
  return false;
}

enum MapResult { Mapped, NotFound, Unmappable };

MapResult map_file(const char* name, const char* suffix, FileMap* map) {
  std::string path;
  if (!open_tb(name, suffix, &path)) return NotFound;
  return MapFile(path.c_str(), map) ? Mapped : Unmappable;
}

// ---- decompression ----

bool calc_symlen(PairsTable* d, int s, uint8_t* state) {
  state[s] = 1;  // in progress: a symbol made of itself is a damaged file
  const uint8_t* w = d->symbol_patterns + 3 * s;
  const int second = (w[2] << 4) | (w[1] >> 4);
  int len = 0;
  if (second != 0xFFF) {
    const int first = w[0] | (w[1] & 15) << 8;
    if (first >= d->symbols || second >= d->symbols) return false;
    for (int part : {first, second}) {
      if (state[part] == 1) return false;
      if (!state[part] && !calc_symlen(d, part, state)) return false;
    }
    len = d->symbol_lengths[first] + d->symbol_lengths[second] + 1;
    if (len > 255) return false;
  }
  d->symbol_lengths[s] = uint8_t(len);
  state[s] = 2;
  return true;
}

// Parses one compression header at h (end: the end of the mapping). sizes
// receives the index, size-table and data sizes; next the first byte after.
bool setup_pairs(PairsTable* d, const uint8_t* h, const uint8_t* end, uint64_t tb_size, uint64_t sizes[3],
                 const uint8_t** next, uint8_t* flags, bool wdl) {
  if (end - h < 2) return false;
  *d = PairsTable{};
  d->file_end = end;
  *flags = h[0];
  if (h[0] & 0x80) {
    d->min_length = wdl ? h[1] : 0;
    sizes[0] = sizes[1] = sizes[2] = 0;
    *next = h + 2;
    return true;
  }
  if (end - h < 12) return false;
  d->block_bits = h[1];
  d->index_bits = h[2];
  const int extra = h[3];
  d->real_blocks = load_le<uint32_t>(h + 4);
  d->max_length = h[8];
  d->min_length = h[9];
  if (d->index_bits < 1 || d->index_bits > 31 || d->block_bits > 31 || d->min_length < 1 ||
      d->max_length > 32 || d->max_length < d->min_length)
    return false;
  const int hl = d->max_length - d->min_length + 1;
  if (end - h < 12 + 2 * hl) return false;
  d->symbols = load_le<uint16_t>(h + 10 + 2 * hl);
  if (d->symbols < 1 || d->symbols > 4096) return false;
  const int64_t header_len = 12 + 2 * hl + 3 * d->symbols + (d->symbols & 1);
  if (end - h < header_len) return false;
  d->offsets = h + 10;
  d->symbol_patterns = h + 12 + 2 * hl;
  *next = h + header_len;

  d->index_entries = (tb_size + (uint64_t(1) << d->index_bits) - 1) >> d->index_bits;
  d->size_entries = d->real_blocks + extra;
  sizes[0] = 6 * d->index_entries;
  sizes[1] = 2 * uint64_t(d->size_entries);
  sizes[2] = uint64_t(d->real_blocks) << d->block_bits;

  d->symbol_lengths.assign(d->symbols, 0);
  std::vector<uint8_t> state(d->symbols, 0);
  for (int s = 0; s < d->symbols; s++)
    if (!state[s] && !calc_symlen(d, s, state.data())) return false;

  uint32_t base[32];
  base[hl - 1] = 0;
  for (int i = hl - 2; i >= 0; i--)
    base[i] = (base[i + 1] + load_le<uint16_t>(d->offsets + 2 * i) - load_le<uint16_t>(d->offsets + 2 * i + 2)) / 2;
  for (int i = 0; i < hl; i++) {
    d->base[i] = uint64_t(base[i] << (32 - (d->min_length + i))) << 32;
  }
  return true;
}

// The stored value of the position with index idx; -1 when the data is damaged.
int decompress_pairs(const PairsTable* d, uint64_t idx) {
  if (!d->index_bits) return d->min_length;
  const uint64_t main_idx = idx >> d->index_bits;
  if (main_idx >= d->index_entries) return -1;
  int lit = int(idx & ((uint64_t(1) << d->index_bits) - 1)) - (1 << (d->index_bits - 1));
  const uint8_t* entry = d->index_table + 6 * main_idx;
  uint32_t block = load_le<uint32_t>(entry);
  lit += load_le<uint16_t>(entry + 4);
  if (block >= d->size_entries) return -1;
  auto block_size = [d](uint32_t b) { return int(load_le<uint16_t>(d->size_table + 2 * b)); };
  if (lit < 0) {
    do {
      if (block == 0) return -1;
      block--;
      lit += block_size(block) + 1;
    } while (lit < 0);
  } else {
    while (lit > block_size(block)) {
      lit -= block_size(block) + 1;
      if (++block >= d->size_entries) return -1;
    }
  }
  if (block >= d->real_blocks) return -1;

  const uint8_t* ptr = d->data + (uint64_t(block) << d->block_bits);
  const uint8_t* end = d->file_end;
  uint64_t code = uint64_t(load_be32(ptr, end)) << 32 | load_be32(ptr + 4, end);
  ptr += 8;
  int used = 0;  // bits shifted out of the low word since the last refill
  const int min = d->min_length;
  int sym;
  for (;;) {
    int l = min;
    while (code < d->base[l - min]) l++;
    sym = load_le<uint16_t>(d->offsets + 2 * (l - min)) + int((code - d->base[l - min]) >> (64 - l));
    if (sym >= d->symbols) return -1;
    if (lit < d->symbol_lengths[sym] + 1) break;
    lit -= d->symbol_lengths[sym] + 1;
    code <<= l;
    used += l;
    if (used >= 32) {
      used -= 32;
      code |= uint64_t(load_be32(ptr, end)) << used;
      ptr += 4;
    }
  }
  while (d->symbol_lengths[sym]) {
    const uint8_t* w = d->symbol_patterns + 3 * sym;
    const int first = w[0] | (w[1] & 15) << 8;
    if (lit < d->symbol_lengths[first] + 1) {
      sym = first;
    } else {
      lit -= d->symbol_lengths[first] + 1;
      sym = (w[2] << 4) | (w[1] >> 4);
    }
  }
  return d->symbol_patterns[3 * sym];
}

// ---- indexing ----

// Combinatorial rank of the group p[i..i+g), sorted here, among the squares
// that the pieces before it leave free, less offset.
uint64_t group_rank(int* p, int i, int g, int offset) {
  std::sort(p + i, p + i + g);
  uint64_t s = 0;
  for (int m = i; m < i + g; m++) {
    int j = 0;
    for (int l = 0; l < i; l++) j += p[m] > p[l];
    s += binomial[m - i][p[m] - j - offset];
  }
  return s;
}

uint64_t encode_piece(const Material& mat, const TableSide& t, int* p) {
  const int n = mat.num;
  if (p[0] & 4)
    for (int i = 0; i < n; i++) p[i] ^= 7;
  if (p[0] & 32)
    for (int i = 0; i < n; i++) p[i] ^= 56;
  int i = 0;
  while (i < n && !offdiag[p[i]]) i++;
  if (i < (mat.enc_type == 0 ? 3 : 2) && i < n && offdiag[p[i]] > 0)
    for (int k = 0; k < n; k++) p[k] = flipdiag[p[k]];

  uint64_t idx;
  if (mat.enc_type == 0) {
    const int a = p[1] > p[0];
    const int b = (p[2] > p[0]) + (p[2] > p[1]);
    if (offdiag[p[0]])
      idx = triangle[p[0]] * 63 * 62 + (p[1] - a) * 62 + (p[2] - b);
    else if (offdiag[p[1]])
      idx = 6 * 63 * 62 + diag[p[0]] * 28 * 62 + lower[p[1]] * 62 + (p[2] - b);
    else if (offdiag[p[2]])
      idx = 6 * 63 * 62 + 4 * 28 * 62 + diag[p[0]] * 7 * 28 + (diag[p[1]] - a) * 28 + lower[p[2]];
    else
      idx = 6 * 63 * 62 + 4 * 28 * 62 + 4 * 7 * 28 + diag[p[0]] * 7 * 6 + (diag[p[1]] - a) * 6 + (diag[p[2]] - b);
    i = 3;
  } else {
    idx = uint64_t(int64_t(KK_idx[triangle[p[0]]][p[1]]));
    i = 2;
  }
  idx *= t.factors[0];
  for (; i < n; i += t.groups[i]) idx += group_rank(p, i, t.groups[i], 0) * t.factors[i];
  return idx;
}

uint64_t encode_pawn(const Material& mat, const TableSide& t, int* p) {
  const int n = mat.num, k = mat.pawns[0], k2 = mat.pawns[1];
  if (p[0] & 4)
    for (int i = 0; i < n; i++) p[i] ^= 7;
  for (int i = 1; i < k; i++)
    for (int j = i + 1; j < k; j++)
      if (ptwist[p[i]] < ptwist[p[j]]) std::swap(p[i], p[j]);
  const int t1 = k - 1;
  uint64_t idx = pawnidx[t1][flap[p[0]]];
  for (int i = t1; i > 0; i--) idx += binomial[t1 - i][ptwist[p[i]]];
  idx *= t.factors[0];

  int i = k;
  if (k2 > 0) {
    // The other side's pawns never stand on the first rank: offset 8.
    idx += group_rank(p, k, k2, 8) * t.factors[k];
    i += k2;
  }
  for (; i < n; i += t.groups[i]) idx += group_rank(p, i, t.groups[i], 0) * t.factors[i];
  return idx;
}

// Moves the leading pawn with the smallest flap to the front; its file table.
int pawn_file(const Material& mat, int* p) {
  for (int i = 1; i < mat.pawns[0]; i++)
    if (flap[p[0]] > flap[p[i]]) std::swap(p[0], p[i]);
  return file_to_file[p[0] & 7];
}

// Pawnless factors; returns the table size.
uint64_t calc_factors_piece(TableSide* t, const Material& mat, int order) {
  int n = 64 - t->groups[0];
  uint64_t f = 1;
  for (int i = t->groups[0], k = 0; i < mat.num || k == order; k++) {
    if (k == order) {
      t->factors[0] = int(f);
      f *= pivfac[mat.enc_type];
    } else {
      t->factors[i] = int(f);
      f *= binomial[t->groups[i] - 1][n];
      n -= t->groups[i];
      i += t->groups[i];
    }
  }
  return f;
}

uint64_t calc_factors_pawn(TableSide* t, const Material& mat, int order, int order2, int file) {
  int i = t->groups[0];
  if (order2 < 15) i += t->groups[i];
  int n = 64 - i;
  uint64_t f = 1;
  for (int k = 0; i < mat.num || k == order || k == order2; k++) {
    if (k == order) {
      t->factors[0] = int(f);
      f *= pfactor[t->groups[0] - 1][file];
    } else if (k == order2) {
      t->factors[t->groups[0]] = int(f);
      f *= binomial[t->groups[t->groups[0]] - 1][48 - t->groups[0]];
    } else {
      t->factors[i] = int(f);
      f *= binomial[t->groups[i] - 1][n];
      n -= t->groups[i];
      i += t->groups[i];
    }
  }
  return f;
}

// Reads the piece codes of one stored side (shift 0: low nibbles, 4: high),
// checks them against the material, and sets groups and factors. Returns the
// table size, 0 when the codes do not describe the material.
uint64_t setup_side(TableSide* t, const Material& mat, const uint8_t* codes, int shift, int order, int order2,
                    int file) {
  uint8_t count[16] = {};
  for (int i = 0; i < mat.num; i++) {
    t->piece_codes[i] = (codes[i] >> shift) & 15;
    count[t->piece_codes[i]]++;
    t->groups[i] = 0;
    t->factors[i] = 0;
  }
  if (std::memcmp(count, mat.count, sizeof count) != 0) return 0;
  const uint8_t* pc = t->piece_codes;
  if (mat.pawned) {
    const int k = mat.pawns[0], k2 = mat.pawns[1];
    for (int i = 0; i < k + k2; i++)
      if (PieceType(pc[i]) != Pawn || (pc[i] == pc[0]) != (i < k)) return 0;
    t->groups[0] = uint8_t(k);
    if (k2) t->groups[k] = uint8_t(k2);
  } else {
    const int lead = mat.enc_type == 0 ? 3 : 2;
    for (int i = 0; i < lead; i++)
      if (mat.count[pc[i]] != 1 || (mat.enc_type == 2 && PieceType(pc[i]) != King)) return 0;
    t->groups[0] = uint8_t(lead);
  }
  int i = mat.pawned ? mat.pawns[0] + mat.pawns[1] : t->groups[0];
  while (i < mat.num) {
    int g = 1;
    while (i + g < mat.num && pc[i + g] == pc[i]) g++;
    t->groups[i] = uint8_t(g);
    i += g;
  }
  // The order nibble must name a slot inside the product.
  int slots = 0;
  for (i = 0; i < mat.num; i++) slots += t->groups[i] != 0;
  if (order >= slots || (order2 < 15 && (order2 >= slots || order2 == order))) return 0;
  return mat.pawned ? calc_factors_pawn(t, mat, order, order2, file) : calc_factors_piece(t, mat, order);
}

// ---- loading ----

// A cursor over a mapped file; any step past the end marks the walk failed.
struct Walk {
  const uint8_t* base;
  uint64_t size;
  uint64_t pos;
  bool ok;
  const uint8_t* at() const { return base + pos; }
  const uint8_t* end() const { return base + size; }
  bool need(uint64_t n) { return ok = ok && pos <= size && n <= size - pos; }
  void skip(uint64_t n) {
    if (need(n)) pos += n;
  }
  void align(uint64_t a) {
    const uint64_t to = (pos + a - 1) / a * a;
    if (need(to - pos)) pos = to;
  }
};

bool read_pairs(Walk* w, TableSide* t, uint64_t tb_size, uint64_t sizes[3], uint8_t* flags, bool wdl) {
  const uint8_t* next = nullptr;
  if (!w->ok || !setup_pairs(&t->pairs, w->at(), w->end(), tb_size, sizes, &next, flags, wdl)) return w->ok = false;
  w->pos = uint64_t(next - w->base);
  t->present = true;
  return true;
}

void place_index(Walk* w, TableSide* t, const uint64_t sizes[3]) {
  t->pairs.index_table = w->at();
  w->skip(sizes[0]);
}
void place_sizes(Walk* w, TableSide* t, const uint64_t sizes[3]) {
  t->pairs.size_table = w->at();
  w->skip(sizes[1]);
}
void place_data(Walk* w, TableSide* t, const uint64_t sizes[3]) {
  if (!sizes[2]) return;  // constant tables have no data area
  w->align(64);
  t->pairs.data = w->at();
  w->skip(sizes[2]);
}

void release_sides(TableSide* sides, int n) {
  for (int i = 0; i < n; i++) {
    sides[i].pairs = PairsTable{};
    sides[i].present = false;
  }
}

bool parse_wdl(TbEntry* e) {
  const Material& mat = e->mat;
  Walk w{e->map.data, e->map.size, 5, true};
  const int split = w.base[4] & 1;
  const int files = (w.base[4] & 2) ? 4 : 1;
  const int sides = split ? 2 : 1;
  const int n = mat.num;
  uint64_t tb_size[4][2] = {};
  uint64_t sizes[4][2][3] = {};
  uint8_t flags;
  if (!mat.pawned) {
    if (!w.need(n + 1)) return false;
    const uint8_t* p = w.at();
    for (int s = 0; s < 2; s++)
      if (!(tb_size[0][s] = setup_side(&e->side[0][s], mat, p + 1, 4 * s, (p[0] >> (4 * s)) & 15, 15, 0)))
        return false;
    w.skip(n + 1);
    w.align(2);
    for (int s = 0; s < sides; s++) read_pairs(&w, &e->side[0][s], tb_size[0][s], sizes[0][s], &flags, true);
    for (int s = 0; s < sides; s++) place_index(&w, &e->side[0][s], sizes[0][s]);
    for (int s = 0; s < sides; s++) place_sizes(&w, &e->side[0][s], sizes[0][s]);
    for (int s = 0; s < sides; s++) place_data(&w, &e->side[0][s], sizes[0][s]);
    return w.ok;
  }
  if (files != 4) return false;
  const int so = mat.pawns[1] > 0 ? 2 : 1;
  for (int f = 0; f < 4; f++) {
    if (!w.need(n + so)) return false;
    const uint8_t* p = w.at();
    for (int s = 0; s < 2; s++) {
      const int order2 = so == 2 ? (p[1] >> (4 * s)) & 15 : 15;
      if (!(tb_size[f][s] = setup_side(&e->side[f][s], mat, p + so, 4 * s, (p[0] >> (4 * s)) & 15, order2, f)))
        return false;
    }
    w.skip(n + so);
  }
  w.align(2);
  for (int f = 0; f < 4; f++)
    for (int s = 0; s < sides; s++) read_pairs(&w, &e->side[f][s], tb_size[f][s], sizes[f][s], &flags, true);
  for (int f = 0; f < 4; f++)
    for (int s = 0; s < sides; s++) place_index(&w, &e->side[f][s], sizes[f][s]);
  for (int f = 0; f < 4; f++)
    for (int s = 0; s < sides; s++) place_sizes(&w, &e->side[f][s], sizes[f][s]);
  for (int f = 0; f < 4; f++)
    for (int s = 0; s < sides; s++) place_data(&w, &e->side[f][s], sizes[f][s]);
  return w.ok;
}

// Called with TB_MUTEX held. Every failure is reported in one line.
bool open_wdl_table(TbEntry* e) {
  const MapResult r = map_file(e->mat.name, ".rtbw", &e->map);
  if (r == NotFound) {
    std::fprintf(stderr, "Could not find %s.rtbw\n", e->mat.name);
    return false;
  }
  if (r == Unmappable) {
    std::fprintf(stderr, "Could not mmap() %s.\n", e->mat.name);
    return false;
  }
  if (e->map.size < 5 || load_le<uint32_t>(e->map.data) != kWdlMagic || !parse_wdl(e)) {
    std::fprintf(stderr, "Corrupted table.\n");
    release_sides(&e->side[0][0], 8);
    UnmapFile(&e->map);
    return false;
  }
  return true;
}

bool parse_dtz(DtzTable* t) {
  const Material& mat = t->mat;
  Walk w{t->map.data, t->map.size, 5, true};
  const int files = (w.base[4] & 2) ? 4 : 1;
  const int n = mat.num;
  uint64_t tb_size[4] = {};
  uint64_t sizes[4][3] = {};
  auto read_maps = [&](int f) {
    t->map_idx[f][0] = 0;
    for (int i = 0; i < 4; i++) {
      if (!w.need(1)) return;
      const uint64_t offset = w.pos + 1 - uint64_t(t->value_map - w.base);
      if (offset > 0xFFFF) return void(w.ok = false);
      t->map_idx[f][i] = uint16_t(offset);
      w.skip(1 + *w.at());
    }
  };
  if (!mat.pawned) {
    if (!w.need(n + 1)) return false;
    const uint8_t* p = w.at();
    if (!(tb_size[0] = setup_side(&t->side[0], mat, p + 1, 0, p[0] & 15, 15, 0))) return false;
    w.skip(n + 1);
    w.align(2);
    read_pairs(&w, &t->side[0], tb_size[0], sizes[0], &t->flags[0], false);
    t->value_map = w.at();
    if (t->flags[0] & 2) {
      read_maps(0);
      w.align(2);
    }
    place_index(&w, &t->side[0], sizes[0]);
    place_sizes(&w, &t->side[0], sizes[0]);
    place_data(&w, &t->side[0], sizes[0]);
    return w.ok;
  }
  if (files != 4) return false;
  const int so = mat.pawns[1] > 0 ? 2 : 1;
  for (int f = 0; f < 4; f++) {
    if (!w.need(n + so)) return false;
    const uint8_t* p = w.at();
    const int order2 = so == 2 ? p[1] & 15 : 15;
    if (!(tb_size[f] = setup_side(&t->side[f], mat, p + so, 0, p[0] & 15, order2, f))) return false;
    w.skip(n + so);
  }
  w.align(2);
  for (int f = 0; f < 4; f++) read_pairs(&w, &t->side[f], tb_size[f], sizes[f], &t->flags[f], false);
  t->value_map = w.at();
  for (int f = 0; f < 4; f++)
    if (t->flags[f] & 2) read_maps(f);
  w.align(2);
  for (int f = 0; f < 4; f++) place_index(&w, &t->side[f], sizes[f]);
  for (int f = 0; f < 4; f++) place_sizes(&w, &t->side[f], sizes[f]);
  for (int f = 0; f < 4; f++) place_data(&w, &t->side[f], sizes[f]);
  return w.ok;
}

void free_dtz(DtzTable* t) {
  if (!t) return;
  UnmapFile(&t->map);
  delete t;
}

void release_entry(TbEntry* e) {
  UnmapFile(&e->map);
  release_sides(&e->side[0][0], 8);
  e->ready.store(NotLoaded, std::memory_order_relaxed);
  e->dtz_disabled = 0;
}

TbEntry* find_entry(uint64_t key) {
  for (const HashSlot& slot : TB_hash[key >> 54])
    if (slot.key == key) return slot.entry;
  return nullptr;
}

// Loads a WDL table on first use; a failure disables the material in both
// colour orientations, since both keys lead to the one entry.
bool load_wdl(TbEntry* e) {
  uint8_t state = e->ready.load(std::memory_order_acquire);
  if (state == NotLoaded) {
    std::lock_guard<std::mutex> lock(TB_MUTEX);
    state = e->ready.load(std::memory_order_relaxed);
    if (state == NotLoaded) {
      state = open_wdl_table(e) ? Ready : Disabled;
      e->ready.store(state, std::memory_order_release);
    }
  }
  return state == Ready;
}

// Damaged data found while decoding: report once, probe no more.
void disable_wdl(TbEntry* e) {
  uint8_t expected = Ready;
  if (e->ready.compare_exchange_strong(expected, Disabled, std::memory_order_acq_rel))
    std::fprintf(stderr, "Corrupted table.\n");
}

DtzTable* load_dtz(TbEntry* e) {
  DtzTable* t = new (std::nothrow) DtzTable{};
  if (!t) return nullptr;  // the probe fails; a later one may find memory
  t->mat = e->mat;
  const MapResult r = map_file(e->mat.name, ".rtbz", &t->map);
  if (r == Mapped && t->map.size >= 5 && load_le<uint32_t>(t->map.data) == kDtzMagic && parse_dtz(t)) return t;
  if (r == Unmappable) std::fprintf(stderr, "Could not mmap() %s.\n", e->mat.name);
  if (r == Mapped) std::fprintf(stderr, "Corrupted table.\n");
  if (r != NotFound) e->dtz_disabled = 1;
  free_dtz(t);
  return nullptr;
}

DtzTable* open_dtz_table(const TbPosition* pos) {
  const uint64_t key = calc_key(pos, 0);
  if (DTZ_table[0].key1 == key || DTZ_table[0].key2 == key) return DTZ_table[0].table;
  for (int i = 1; i < kDtzSlots; i++)
    if (DTZ_table[i].key1 == key) {
      const DtzSlot hit = DTZ_table[i];
      std::move_backward(DTZ_table, DTZ_table + i, DTZ_table + i + 1);
      DTZ_table[0] = hit;
      return hit.table;
    }
  TbEntry* e = find_entry(key);
  if (!e || e->dtz_disabled) return nullptr;
  free_dtz(DTZ_table[kDtzSlots - 1].table);
  std::move_backward(DTZ_table, DTZ_table + kDtzSlots - 1, DTZ_table + kDtzSlots);
  const int mirror = key != e->mat.key;
  DTZ_table[0] = DtzSlot{calc_key(pos, mirror), calc_key(pos, !mirror), load_dtz(e)};
  return DTZ_table[0].table;
}

// ---- reading a position's value ----

struct Orientation {
  int c;  // colour flip of piece codes
  int m;  // square flip (pawned tables only)
  int s;  // stored side
};

Orientation orient(const TbPosition* pos, const Material& mat, uint64_t key) {
  const int black = !pos->turn;
  if (mat.symmetric) return {black ? 8 : 0, black && mat.pawned ? 56 : 0, 0};
  if (key == mat.key) return {0, 0, black};
  return {8, mat.pawned ? 56 : 0, !black};
}

int collect(const TbPosition* pos, const TableSide& t, int from, int n, Orientation o, int* p) {
  int i = from;
  while (i < n) {
    uint64_t b = get_pieces(pos, t.piece_codes[i] ^ o.c);
    if (!b) return i;
    for (; b && i < n; b &= b - 1) p[i++] = LSB(b) ^ o.m;
  }
  return i;
}

// The file table and index of a position: side s of file f of sides[f][..].
template <class SideOf>
bool index_position(const TbPosition* pos, const Material& mat, Orientation o, SideOf side_of,
                    const TableSide** table, uint64_t* idx) {
  int p[kTbPieces];
  if (!mat.pawned) {
    const TableSide* t = side_of(0);
    if (!t->present || collect(pos, *t, 0, mat.num, o, p) != mat.num) return false;
    *table = t;
    *idx = encode_piece(mat, *t, p);
    return true;
  }
  const TableSide* t0 = side_of(-1);  // side 0 of file 0 names the leading pawns
  int k = 0;
  for (uint64_t b = get_pieces(pos, t0->piece_codes[0] ^ o.c); b && k < mat.pawns[0]; b &= b - 1)
    p[k++] = LSB(b) ^ o.m;
  if (k != mat.pawns[0]) return false;
  const TableSide* t = side_of(pawn_file(mat, p));
  if (!t->present || collect(pos, *t, k, mat.num, o, p) != mat.num) return false;
  *table = t;
  *idx = encode_pawn(mat, *t, p);
  return true;
}

constexpr int wdl_to_map[5] = {1, 3, 0, 2, 0};
constexpr uint8_t pa_flags[5] = {8, 0, 0, 0, 4};

}  // namespace

uint64_t calc_key(const TbPosition* pos, int swap) {
  uint8_t count[16] = {};
  for (int type = Pawn; type <= Queen; type++) {
    count[type] = uint8_t(PopCount(get_pieces(pos, type)));
    count[type | 8] = uint8_t(PopCount(get_pieces(pos, type | 8)));
  }
  return key_of_counts(count, swap != 0);
}

void prt_str(const TbPosition* pos, char* out, int swap) {
  const int first = swap ? 8 : 0;
  for (int side : {first, first ^ 8}) {
    *out++ = 'K';
    for (int type = Queen; type >= Pawn; type--)
      for (int n = PopCount(get_pieces(pos, type | side)); n > 0; n--) *out++ = pchr[6 - type];
    if (side == first) *out++ = 'v';
  }
  *out = 0;
}

int wdl_table_value(const TbPosition* pos, int* success) {
  const uint64_t key = calc_key(pos, 0);
  if (!key) return 0;
  TbEntry* e = find_entry(key);
  if (!e || !load_wdl(e)) return *success = 0;
  const Orientation o = orient(pos, e->mat, key);
  const TableSide* t;
  uint64_t idx;
  const auto side_of = [e, o](int f) { return f < 0 ? &e->side[0][0] : &e->side[f][o.s]; };
  if (!index_position(pos, e->mat, o, side_of, &t, &idx)) return *success = 0;
  const int v = decompress_pairs(&t->pairs, idx);
  if (v < 0 || v > 4) {
    disable_wdl(e);
    return *success = 0;
  }
  return v - 2;
}

int dtz_table_value(const TbPosition* pos, int wdl, int* success) {
  DtzTable* t = open_dtz_table(pos);
  if (!t) return *success = 0;
  const Orientation o = orient(pos, t->mat, calc_key(pos, 0));
  const TableSide* side;
  uint64_t idx;
  const auto side_of = [t](int f) { return &t->side[f < 0 ? 0 : f]; };
  if (!index_position(pos, t->mat, o, side_of, &side, &idx)) return *success = 0;
  const int f = int(side - t->side);
  const uint8_t flags = t->flags[f];
  if ((t->mat.pawned || !t->mat.symmetric) && (flags & 1) != o.s) return *success = -1;
  int r = decompress_pairs(&side->pairs, idx);
  if (r >= 0 && (flags & 2)) {
    const uint16_t list = t->map_idx[f][wdl_to_map[wdl + 2]];
    r = r < t->value_map[list - 1] ? t->value_map[list + r] : -1;
  }
  if (r < 0) {
    TbEntry* e = find_entry(t->mat.key);
    if (e && !e->dtz_disabled) std::fprintf(stderr, "Corrupted table.\n");
    if (e) e->dtz_disabled = 1;
    return *success = 0;
  }
  if ((flags & pa_flags[wdl + 2]) && !(wdl & 1)) return r + 1;
  return 2 * r + 1 + ((wdl & 1) ? 100 : 0);
}

namespace {

void init_tb(const char* name) {
  Material mat{};
  int colour = 0;
  for (const char* c = name; *c; c++) {
    if (*c == 'v') {
      colour = 8;
      continue;
    }
    const char* at = std::strchr(pchr, *c);
    if (at) mat.count[(6 - int(at - pchr)) | colour]++;
  }
  for (int code = 0; code < 16; code++) mat.num = uint8_t(mat.num + mat.count[code]);
  mat.key = key_of_counts(mat.count, 0);
  const uint64_t key2 = key_of_counts(mat.count, 1);
  mat.symmetric = mat.key == key2;
  const int wp = mat.count[Pawn], bp = mat.count[Pawn | 8];
  mat.pawned = wp + bp > 0;
  TbEntry* e;
  if (mat.pawned) {
    if (TBnum_pawn == TBMAX_PAWN) {
      std::fprintf(stderr, "TBMAX_PAWN limit too low!\n");
      std::exit(1);
    }
    e = &TB_pawn[TBnum_pawn++];
    const bool black_leads = bp > 0 && (wp == 0 || bp < wp);
    mat.pawns[0] = uint8_t(black_leads ? bp : wp);
    mat.pawns[1] = uint8_t(black_leads ? wp : bp);
  } else {
    if (TBnum_piece == TBMAX_PIECE) {
      std::fprintf(stderr, "TBMAX_PIECE limit too low!\n");
      std::exit(1);
    }
    e = &TB_piece[TBnum_piece++];
    int singles = 0;
    for (int code = 0; code < 16; code++) singles += mat.count[code] == 1;
    mat.enc_type = singles >= 3 ? 0 : 2;
  }
  std::snprintf(mat.name, sizeof mat.name, "%s", name);
  e->mat = mat;
  e->ready.store(NotLoaded, std::memory_order_relaxed);
  TB_LARGEST = std::max<int>(TB_LARGEST, mat.num);
  for (uint64_t key : {mat.key, key2}) {
    HashSlot* bucket = TB_hash[key >> 54];
    int i = 0;
    while (i < HSHMAX && bucket[i].entry) i++;
    if (i == HSHMAX) {
      std::fprintf(stderr, "HSHMAX too low!\n");
      std::exit(1);
    }
    bucket[i] = HashSlot{key, e};
    if (key2 == mat.key) break;
  }
}

void try_name(const char* name) {
  std::string path;
  if (open_tb(name, ".rtbw", &path)) init_tb(name);
}

void register_all() {
  constexpr char L[] = "QRBNP";
  char n[16];
  for (int a = 0; a < 5; a++) {
    std::snprintf(n, sizeof n, "K%cvK", L[a]);
    try_name(n);
  }
  for (int a = 0; a < 5; a++)
    for (int b = a; b < 5; b++) {
      std::snprintf(n, sizeof n, "K%cvK%c", L[a], L[b]);
      try_name(n);
    }
  for (int a = 0; a < 5; a++)
    for (int b = a; b < 5; b++) {
      std::snprintf(n, sizeof n, "K%c%cvK", L[a], L[b]);
      try_name(n);
    }
  for (int a = 0; a < 5; a++)
    for (int b = a; b < 5; b++)
      for (int c = 0; c < 5; c++) {
        std::snprintf(n, sizeof n, "K%c%cvK%c", L[a], L[b], L[c]);
        try_name(n);
      }
  for (int a = 0; a < 5; a++)
    for (int b = a; b < 5; b++)
      for (int c = b; c < 5; c++) {
        std::snprintf(n, sizeof n, "K%c%c%cvK", L[a], L[b], L[c]);
        try_name(n);
      }
  for (int a = 0; a < 5; a++)
    for (int b = a; b < 5; b++)
      for (int c = a; c < 5; c++)
        for (int d = c == a ? b : c; d < 5; d++) {
          std::snprintf(n, sizeof n, "K%c%cvK%c%c", L[a], L[b], L[c], L[d]);
          try_name(n);
        }
  for (int a = 0; a < 5; a++)
    for (int b = a; b < 5; b++)
      for (int c = b; c < 5; c++)
        for (int d = 0; d < 5; d++) {
          std::snprintf(n, sizeof n, "K%c%c%cvK%c", L[a], L[b], L[c], L[d]);
          try_name(n);
        }
  for (int a = 0; a < 5; a++)
    for (int b = a; b < 5; b++)
      for (int c = b; c < 5; c++)
        for (int d = c; d < 5; d++) {
          std::snprintf(n, sizeof n, "K%c%c%c%cvK", L[a], L[b], L[c], L[d]);
          try_name(n);
        }
}

}  // namespace

void init_tablebases(const char* path) {
  if (initialized) {
    for (int i = 0; i < TBnum_piece; i++) release_entry(&TB_piece[i]);
    for (int i = 0; i < TBnum_pawn; i++) release_entry(&TB_pawn[i]);
    // Keys go with the tables: a slot kept for a material would otherwise
    // fail every DTZ probe of it under the new path.
    for (DtzSlot& slot : DTZ_table) {
      free_dtz(slot.table);
      slot = DtzSlot{};
    }
  } else {
    init_indices();
    initialized = true;
  }
  paths.clear();
  TBnum_piece = TBnum_pawn = TB_LARGEST = 0;
  std::memset(TB_hash, 0, sizeof TB_hash);
  if (!path || !*path || !std::strcmp(path, "<empty>")) return;
  for (const char* p = path; *p;) {
    const char* sep = std::strchr(p, kPathSeparator);
    const size_t len = sep ? size_t(sep - p) : std::strlen(p);
    if (len) paths.emplace_back(p, len);
    p += len + (sep ? 1 : 0);
  }
  register_all();
  std::printf("info string found %d tablebases\n", TBnum_piece + TBnum_pawn);
  std::fflush(stdout);
}
