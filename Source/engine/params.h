// The parameter record: every option and tunable weight as a flat array of
// signed 16-bit fields, addressed by index by the tuners and by name elsewhere.
#pragma once
#include <cstddef>
#include <cstdint>

constexpr int kParamCount = 1202;
constexpr int kPathSize = 144;      // OwnBook_File and SyzygyPath, NUL included
constexpr int kFileArgSize = 4096;  // tool and game file arguments: any whole path, NUL included

// The 32-bit ARM boards have little memory to spare for the table.
#if defined(__arm__) || defined(_M_ARM)
constexpr int16_t kDefaultHash = 4;
#else
constexpr int16_t kDefaultHash = 64;
#endif
// The largest Hash in MB: a 32-bit address space holds 2 to 4 GB for
// everything, so 1 GB is what those builds can count on.
constexpr int16_t kMaxHash = sizeof(void*) < 8 ? 1024 : 8192;

union PersonalityRecord {
  int16_t f[kParamCount];
  struct {
    int16_t Hash;               // 0
    int16_t Threads;            // 1
    int16_t MoveOverhead;       // 2
    int16_t Ponder;             // 3
    int16_t MultiPV;            // 4
    int16_t OwnBook;            // 5
    int16_t OwnBook_Variety;    // 6
    int16_t OwnBook_Depth;      // 7
    int16_t Log;                // 8
    char OwnBook_File[kPathSize];  // 9..80
    char SyzygyPath[kPathSize];    // 81..152
    int16_t SyzygyProbeDepth5;  // 153
    int16_t SyzygyProbeDepth6;  // 154
    int16_t UCI_LimitStrength;  // 155
    int16_t UCI_Elo;            // 156
    int16_t Contempt;           // 157
    int16_t unused158;          // 158
    int16_t SingularExtension;  // 159, written by the match tool only
    int16_t SEP_depth;          // 160
    int16_t SEP_margin;
    int16_t NMP_depth;
    int16_t FP_depth;
    int16_t FP_margin;
    int16_t LMP_depth;
    int16_t LMP_count;
    int16_t LMR_depth;
    int16_t LMR_strength;       // 168
    int16_t pawn_value_op, pawn_value_en;          // 169
    int16_t knight_value_op, knight_value_en;      // 171
    int16_t bishop_value_op, bishop_value_en;      // 173
    int16_t rook_value_op, rook_value_en;          // 175
    int16_t queen_value_op, queen_value_en;        // 177
    int16_t bishop_pair_op, bishop_pair_en;        // 179
    int16_t pawn_isolated_op, pawn_isolated_en;    // 181
    int16_t pawn_backward_op, pawn_backward_en;    // 183
    int16_t pawn_doubled_op, pawn_doubled_en;      // 185
    int16_t pawn_weak_op, pawn_weak_en;            // 187
    int16_t pawn_connected_op, pawn_connected_en;  // 189
    int16_t pawn_defended_op, pawn_defended_en;    // 191
    int16_t pawn_passed_op, pawn_passed_en;        // 193
    int16_t unused195[6];                          // 195..200
    int16_t pawn_candidate_op, pawn_candidate_en;  // 201
    int16_t knight_mobility_op, knight_mobility_en;  // 203
    int16_t knight_outpost, knight_outpost_2;      // 205
    int16_t bishop_mobility_op, bishop_mobility_en;  // 207
    int16_t bishop_outpost, bishop_outpost_2;      // 209
    int16_t rook_mobility_op, rook_mobility_en;    // 211
    int16_t rook_open_file_op, rook_open_file_en;  // 213
    int16_t rook_half_open_file_op, rook_half_open_file_en;  // 215
    int16_t rook_rank7_op, rook_rank7_en;          // 217
    int16_t rook_trapped_op, rook_trapped_en;      // 219
    int16_t queen_mobility_op, queen_mobility_en;  // 221
    int16_t queen_rank7_op, queen_rank7_en;        // 223
    int16_t pawn_shield, pawn_shield_2;            // 225
    int16_t pawn_storm, pawn_storm_2;              // 227
    int16_t king_safety, king_safety_2;            // 229
    int16_t safe_check_op, safe_check_en;          // 231
    int16_t unused233;                             // 233
    int16_t hung_pawn_op, hung_pawn_en;            // 234
    int16_t hung_piece_op, hung_piece_en;          // 236
    int16_t PST_P_op, PST_P_en;                    // 238
    int16_t PST_N_op, PST_N_en;                    // 240
    int16_t PST_B_op, PST_B_en;                    // 242
    int16_t PST_R_op, PST_R_en;                    // 244
    int16_t PST_Q_op, PST_Q_en;                    // 246
    int16_t PST_K_op, PST_K_en;                    // 248
    int16_t pst_scale_op, pst_scale_en;            // 250
    int16_t mobility_scale_op, mobility_scale_en;  // 252
    int16_t pawn_struct_scale_op, pawn_struct_scale_en;  // 254
    int16_t threat_scale_op, threat_scale_en;      // 256
    // Explicit piece-square tables: [1 + type - 1][square][phase]; slot 0
    // (indices 258..385) belongs to no piece.
    int16_t pst[7][64][2];                         // 258..1153
    int16_t pst_half[32];                          // 1154..1185, pst_a1..pst_d8
    int16_t p[15];                                 // 1186..1200, p1..p15
    int16_t tune;                                  // 1201
  };
};

static_assert(sizeof(PersonalityRecord) == kParamCount * 2);
static_assert(offsetof(PersonalityRecord, OwnBook_File) == 9 * 2);
static_assert(offsetof(PersonalityRecord, SyzygyPath) == 81 * 2);
static_assert(offsetof(PersonalityRecord, SyzygyProbeDepth5) == 153 * 2);
static_assert(offsetof(PersonalityRecord, SEP_depth) == 160 * 2);
static_assert(offsetof(PersonalityRecord, pawn_value_op) == 169 * 2);
static_assert(offsetof(PersonalityRecord, pawn_candidate_op) == 201 * 2);
static_assert(offsetof(PersonalityRecord, hung_pawn_op) == 234 * 2);
static_assert(offsetof(PersonalityRecord, threat_scale_en) == 257 * 2);
static_assert(offsetof(PersonalityRecord, pst) == 258 * 2);
static_assert(offsetof(PersonalityRecord, pst_half) == 1154 * 2);
static_assert(offsetof(PersonalityRecord, tune) == 1201 * 2);

extern PersonalityRecord Personality;
extern PersonalityRecord DefaultPersonality;

// The index of a field of the record, as RangeOf and Bounded take it.
#define PARAM_INDEX(name) int(offsetof(PersonalityRecord, name) / sizeof(int16_t))

// The values one run of fields may hold. Every setter of a weight or a search
// parameter (UCI, console "set", test1.rc, the tuners) stores through
// Bounded, so a field has one range however it is set.
struct ParamRange {
  int first, last;  // indices
  int16_t lo, hi;
};

// Weights with a UCI option keep the option's bounds. The evaluation adds
// packed scores (op + 65536 * en) as plain ints and tapers the difference of
// the two sides' sums, so each half of that difference must stay within 16
// bits; an endgame half beyond it overflows the int itself. Material is
// summed apart: 15 men at 2000 and a pair of 500 lead two bishops at 20 with
// a pair of -500 by 30,960. The other bounds hold the positional lead of 15
// men and a king, every term at its worst (scales 200 %, passers 230, king
// safety 200), below 32,000.
inline constexpr ParamRange kParamRanges[] = {
    {157, 157, -150, 150},    // Contempt
    // The search parameters: their options' bounds, widened where the console
    // shuts a gate (0) or opens it to every depth. The margin and count
    // tables end at depth 9, and the reduction tables have no row for the
    // in-check nodes below the horizon that the move loop also searches.
    {159, 159, 0, 100},       // SingularExtension: a depth, read by no search yet
    {160, 160, 0, 9},         // SEP_depth
    {161, 161, 0, 256},       // SEP_margin
    {162, 162, 0, 100},       // NMP_depth
    {163, 163, 0, 9},         // FP_depth
    {164, 164, 0, 256},       // FP_margin
    {165, 165, 0, 9},         // LMP_depth
    {166, 166, 0, 10},        // LMP_count
    {167, 167, 1, 100},       // LMR_depth
    {168, 168, 0, 200},       // LMR_strength
    {169, 178, 20, 2000},     // piece values
    {179, 180, -500, 500},    // bishop pair
    {181, 188, -32, 32},      // isolated, backward, doubled, weak pawns
    {189, 190, -64, 64},      // connected pawns
    {191, 192, -32, 32},      // defended pawns
    {193, 194, 0, 230},       // passed pawns
    {201, 202, -128, 128},    // candidate pawns
    {203, 204, -150, 150},    // knight mobility
    {205, 206, -64, 64},      // knight outpost
    {207, 208, -150, 150},    // bishop mobility
    {209, 210, -64, 64},      // bishop outpost
    {211, 212, -150, 150},    // rook mobility
    {213, 218, -64, 64},      // rook on an open or half-open file, on the 7th
    {219, 220, -100, 100},    // trapped rook
    {221, 222, -200, 200},    // queen mobility
    {223, 224, -64, 64},      // queen on the 7th
    {225, 226, -200, 200},    // pawn shield
    {227, 228, -100, 100},    // pawn storm
    {229, 230, 0, 200},       // king safety
    {231, 232, -32, 32},      // safe checks
    {234, 235, -64, 64},      // hung pawn
    {236, 237, -100, 100},    // hung piece
    {238, 239, -64, 64},      // pawn table
    {240, 241, -128, 128},    // knight table
    {242, 243, -100, 100},    // bishop table
    {244, 245, -64, 64},      // rook table
    {246, 247, -100, 100},    // queen table
    {248, 249, -200, 200},    // king table
    {250, 257, 0, 200},       // the four scale percentages
};

// The range of field index; a field outside the table may take any 16-bit value.
constexpr ParamRange RangeOf(int index) {
  for (const ParamRange& r : kParamRanges)
    if (index >= r.first && index <= r.last) return r;
  return {index, index, INT16_MIN, INT16_MAX};
}

// v held to the range of field index.
constexpr int16_t Bounded(int index, long long v) {
  const ParamRange r = RangeOf(index);
  return int16_t(v < r.lo ? r.lo : v > r.hi ? r.hi : v);
}

// Writes the compiled defaults into DefaultPersonality (every other field 0).
void SetDefaultPersonality();

// Per-term values of one traced evaluation, shown by the evaluation display.
struct EvalDisplay {
  int16_t square[64];
  int16_t stage;
  int16_t material[2];
  int16_t positional[2];
  int16_t passers[2];
  int16_t pawns[2];
  int16_t knights[2];
  int16_t bishops[2];
  int16_t rooks[2];
  int16_t queens[2];
  int16_t kings[2];
  uint64_t hung;
  uint64_t pinned;
  uint64_t free_pawns;
  double draw_adj;
};

// The info delay that silences the search's info lines altogether (the
// tools and -quiet).
constexpr double kSilentInfoDelay = 9999.0;

struct ProgramBlock {
  uint8_t quit;
  uint8_t pst_mode;
  double info_delay;  // seconds before info lines are shown; kSilentInfoDelay: never
  uint8_t extra_options;
  int16_t numa;
  uint16_t trace_depth;
  uint16_t eval_trace;
  char tool_file[kFileArgSize];
  char game_file[kFileArgSize];
  uint8_t tune_percent;
  EvalDisplay display;
  uint16_t protocol;  // 1 UCI, 0 console
};

extern ProgramBlock PBlock;

// Copies text into a fixed field of the given size, cutting it to fit.
void CopyText(char* field, size_t size, const char* text);
// The same without trailing white space: GUIs pad option values, and a padded
// path names no file or folder.
void CopyPath(char* field, size_t size, const char* text);

// Start values of SearchData and PBlock, set once before the switches are read.
void SetStartValues();
