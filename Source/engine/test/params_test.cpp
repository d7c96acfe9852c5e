#include <gtest/gtest.h>

#include <cstddef>
#include <iterator>
#include <set>

#include "engine/params.h"
#include "search/searchdata.h"

namespace {

struct Field {
  const char* name;
  size_t offset;
  int index;
  int value;
};

#define F(name, index, value) {#name, offsetof(PersonalityRecord, name), index, value}

#if defined(__arm__) || defined(_M_ARM)
constexpr int kHash = 4;
#else
constexpr int kHash = 64;
#endif

// Every named field with its index and compiled default, as the option table
// lists them.
const Field kFields[] = {
    F(Hash, 0, kHash), F(Threads, 1, 1), F(MoveOverhead, 2, 50), F(Ponder, 3, 1),
    F(MultiPV, 4, 1), F(OwnBook, 5, 0), F(OwnBook_Variety, 6, 25), F(OwnBook_Depth, 7, 28),
    F(Log, 8, 0), F(SyzygyProbeDepth5, 153, 0), F(SyzygyProbeDepth6, 154, 2),
    F(UCI_LimitStrength, 155, 0), F(UCI_Elo, 156, 3000), F(Contempt, 157, 0),
    F(SEP_depth, 160, 3), F(SEP_margin, 161, 75), F(NMP_depth, 162, 3), F(FP_depth, 163, 3),
    F(FP_margin, 164, 125), F(LMP_depth, 165, 5), F(LMP_count, 166, 3), F(LMR_depth, 167, 3),
    F(LMR_strength, 168, 100),
    F(pawn_value_op, 169, 90), F(pawn_value_en, 170, 110),
    F(knight_value_op, 171, 380), F(knight_value_en, 172, 360),
    F(bishop_value_op, 173, 390), F(bishop_value_en, 174, 370),
    F(rook_value_op, 175, 530), F(rook_value_en, 176, 630),
    F(queen_value_op, 177, 1180), F(queen_value_en, 178, 1180),
    F(bishop_pair_op, 179, 32), F(bishop_pair_en, 180, 52),
    F(pawn_isolated_op, 181, -6), F(pawn_isolated_en, 182, -8),
    F(pawn_backward_op, 183, -4), F(pawn_backward_en, 184, -6),
    F(pawn_doubled_op, 185, -4), F(pawn_doubled_en, 186, -6),
    F(pawn_weak_op, 187, -6), F(pawn_weak_en, 188, -8),
    F(pawn_connected_op, 189, 32), F(pawn_connected_en, 190, 32),
    F(pawn_defended_op, 191, 8), F(pawn_defended_en, 192, 8),
    F(pawn_passed_op, 193, 90), F(pawn_passed_en, 194, 135),
    F(pawn_candidate_op, 201, 0), F(pawn_candidate_en, 202, 40),
    F(knight_mobility_op, 203, 50), F(knight_mobility_en, 204, 60),
    F(knight_outpost, 205, 16), F(knight_outpost_2, 206, 0),
    F(bishop_mobility_op, 207, 60), F(bishop_mobility_en, 208, 70),
    F(bishop_outpost, 209, 16), F(bishop_outpost_2, 210, 0),
    F(rook_mobility_op, 211, 52), F(rook_mobility_en, 212, 62),
    F(rook_open_file_op, 213, 16), F(rook_open_file_en, 214, 4),
    F(rook_half_open_file_op, 215, 8), F(rook_half_open_file_en, 216, 0),
    F(rook_rank7_op, 217, 10), F(rook_rank7_en, 218, 15),
    F(rook_trapped_op, 219, -30), F(rook_trapped_en, 220, 0),
    F(queen_mobility_op, 221, 34), F(queen_mobility_en, 222, 78),
    F(queen_rank7_op, 223, 0), F(queen_rank7_en, 224, 10),
    F(pawn_shield, 225, 68), F(pawn_shield_2, 226, 0),
    F(pawn_storm, 227, -11), F(pawn_storm_2, 228, 0),
    F(king_safety, 229, 100), F(king_safety_2, 230, 0),
    F(safe_check_op, 231, -12), F(safe_check_en, 232, -12),
    F(hung_pawn_op, 234, -20), F(hung_pawn_en, 235, -30),
    F(hung_piece_op, 236, -32), F(hung_piece_en, 237, -42),
    F(PST_P_op, 238, 28), F(PST_P_en, 239, 6),
    F(PST_N_op, 240, 36), F(PST_N_en, 241, 46),
    F(PST_B_op, 242, 16), F(PST_B_en, 243, 18),
    F(PST_R_op, 244, 8), F(PST_R_en, 245, 0),
    F(PST_Q_op, 246, 16), F(PST_Q_en, 247, 32),
    F(PST_K_op, 248, 32), F(PST_K_en, 249, 68),
    F(pst_scale_op, 250, 100), F(pst_scale_en, 251, 100),
    F(mobility_scale_op, 252, 100), F(mobility_scale_en, 253, 100),
    F(pawn_struct_scale_op, 254, 100), F(pawn_struct_scale_en, 255, 100),
    F(threat_scale_op, 256, 100), F(threat_scale_en, 257, 100),
    F(tune, 1201, 256),
};

// pst_a1..pst_d8 by rank, files a to d.
const int kHalfBoard[8][4] = {
    {-50, -35, -25, -20}, {-35, -20, -10, -5}, {-25, -10, 0, 5}, {-20, -5, 5, 10},
    {-20, -5, 5, 10},     {-25, -10, 0, 5},    {-35, -20, -10, -5}, {-50, -35, -25, -20},
};
const int kSlots[15] = {2, 4, 8, 16, 32, 64, 128, 24, 8, 8, 8, 24, 0, 0, 100};

}  // namespace

TEST(Params, RecordHas1202FieldsWithStringsAtTheirIndexes) {
  EXPECT_EQ(std::size(Personality.f), 1202u);
  EXPECT_EQ(sizeof(PersonalityRecord), 2404u);
  EXPECT_EQ(offsetof(PersonalityRecord, OwnBook_File), 9u * 2);
  EXPECT_EQ(offsetof(PersonalityRecord, SyzygyPath), 81u * 2);
  EXPECT_EQ(sizeof(Personality.SyzygyPath), 144u);
  // Explicit tables: 258 + 128 t + 2 s + f.
  EXPECT_EQ(&DefaultPersonality.pst[1][0][0] - DefaultPersonality.f, 386);
  EXPECT_EQ(&DefaultPersonality.pst[3][10][1] - DefaultPersonality.f, 258 + 128 * 3 + 20 + 1);
  EXPECT_EQ(&DefaultPersonality.pst[6][63][1] - DefaultPersonality.f, 1153);
  EXPECT_EQ(&DefaultPersonality.pst_half[0] - DefaultPersonality.f, 1154);
  EXPECT_EQ(&DefaultPersonality.p[0] - DefaultPersonality.f, 1186);
}

TEST(Params, EveryCompiledDefaultAndZeroElsewhere) {
  SetDefaultPersonality();
  std::set<int> named;
  for (const Field& fd : kFields) {
    SCOPED_TRACE(fd.name);
    EXPECT_EQ(fd.offset, size_t(fd.index) * 2);
    EXPECT_EQ(DefaultPersonality.f[fd.index], fd.value);
    EXPECT_EQ(Bounded(fd.index, fd.value), fd.value) << "a default outside its range";
    named.insert(fd.index);
  }
  for (int rank = 0; rank < 8; ++rank)
    for (int file = 0; file < 4; ++file) {
      const int index = 1154 + 4 * rank + file;
      EXPECT_EQ(DefaultPersonality.f[index], kHalfBoard[rank][file]) << "index " << index;
      named.insert(index);
    }
  for (int i = 0; i < 15; ++i) {
    EXPECT_EQ(DefaultPersonality.f[1186 + i], kSlots[i]) << "p" << i + 1;
    named.insert(1186 + i);
  }
  EXPECT_EQ(named.size(), std::size(kFields) + 32 + 15);
  for (int i = 0; i < 1202; ++i)
    if (!named.count(i)) {
      EXPECT_EQ(DefaultPersonality.f[i], 0) << "index " << i;
    }
  EXPECT_STREQ(DefaultPersonality.OwnBook_File, "");
  EXPECT_STREQ(DefaultPersonality.SyzygyPath, "");
}

TEST(Params, DefaultsOverwriteEarlierValues) {
  DefaultPersonality.f[158] = 7;
  DefaultPersonality.Threads = 9;
  DefaultPersonality.SyzygyPath[0] = 'x';
  SetDefaultPersonality();
  EXPECT_EQ(DefaultPersonality.f[158], 0);
  EXPECT_EQ(DefaultPersonality.Threads, 1);
  EXPECT_STREQ(DefaultPersonality.SyzygyPath, "");
}

TEST(Params, StartValues) {
  SetStartValues();
  EXPECT_EQ(SearchData.time_control, 1);
  EXPECT_EQ(SearchData.max_depth, 66);
  EXPECT_EQ(SearchData.fixed_time, 5.0);
  EXPECT_EQ(SearchData.clock[0], 5.0);
  EXPECT_EQ(SearchData.clock[1], 5.0);
  EXPECT_EQ(SearchData.increment, 0.0);
  EXPECT_EQ(SearchData.node_limit, 0u);
  EXPECT_EQ(SearchData.target_time, 1.0);
  EXPECT_EQ(SearchData.target_nps.load(), 1e9);
  EXPECT_EQ(SearchData.hash_enabled, 1);
  EXPECT_EQ(SearchData.stop.load(), 0);
  EXPECT_EQ(PBlock.info_delay, 0.0);
  EXPECT_EQ(PBlock.tune_percent, 100);
  EXPECT_EQ(PBlock.pst_mode, 1);
}

TEST(Params, CopyTextCutsToTheField) {
  char field[8];
  CopyText(field, sizeof field, "abc");
  EXPECT_STREQ(field, "abc");
  CopyText(field, sizeof field, "abcdefghijk");
  EXPECT_STREQ(field, "abcdefg");
  CopyText(field, sizeof field, "");
  EXPECT_STREQ(field, "");
}
