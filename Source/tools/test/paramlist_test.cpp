#include "tools/paramlist.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "engine/params.h"

namespace {

int IndexOf(const char* name) {
  for (int i = 0; i < nParams; i++)
    if (std::strcmp(ParamList[i].name, name) == 0) return i;
  return -1;
}

int FieldIndex(const ParamRecord& p) { return int(p.field - Personality.f); }

}  // namespace

TEST(ParamList, RegistersTheWeightsOnceInOrderBoundToLiveFields) {
  AddParams();
  ASSERT_EQ(nParams, 125);
  AddParams();
  EXPECT_EQ(nParams, 125);

  // {registration order, name, Personality index}
  struct Row { int order; const char* name; int field; };
  const Row rows[] = {
      {1, "pawn_value_op", 169},       {12, "bishop_pair_en", 180},    {13, "knight_mobility_op", 203},
      {20, "queen_mobility_en", 222},  {21, "pawn_doubled_op", 185},   {26, "pawn_isolated_en", 182},
      {33, "pawn_candidate_op", 201},  {36, "pawn_passed_en", 194},    {37, "knight_outpost", 205},
      {38, "bishop_outpost", 209},     {41, "rook_half_open_file_op", 215}, {49, "king_safety", 229},
      {50, "pawn_shield", 225},        {51, "pawn_storm", 227},        {57, "hung_piece_en", 237},
      {69, "PST_K_en", 249},           {70, "pst_a1", 1154},           {73, "pst_d1", 1157},
      {74, "pst_a2", 1158},            {101, "pst_d8", 1185},          {109, "threat_scale_en", 257},
      {110, "p1", 1186},               {124, "p15", 1200},             {125, "tune", 1201},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    ASSERT_EQ(IndexOf(r.name), r.order - 1);
    EXPECT_EQ(FieldIndex(ParamList[r.order - 1]), r.field);
  }
  // Every entry is its own field, holding the field's value.
  for (int i = 0; i < nParams; i++) {
    EXPECT_EQ(ParamList[i].value, *ParamList[i].field) << ParamList[i].name;
    for (int j = 0; j < i; j++) EXPECT_NE(ParamList[i].field, ParamList[j].field) << ParamList[i].name;
  }

  SetFlag("Knight_value_op");  // case matters
  SetFlag("no_such_weight");
  for (int i = 0; i < nParams; i++) EXPECT_EQ(ParamList[i].selected, 0) << ParamList[i].name;
  SetFlag("king_safety");
  EXPECT_EQ(ParamList[48].selected, 1);
  ParamList[48].selected = 0;
}
