#include "tools/paramlist.h"

#include <gtest/gtest.h>

#include <cstring>

#include "engine/params.h"

TEST(ParamList, RegistersTheWeightsOnceInOrderBoundToLiveFields) {
  AddParams();
  AddParams();
  ASSERT_EQ(nParams, 125);
  const struct {
    int order;
    const char* name;
    int field;
  } rows[] = {
      {1, "pawn_value_op", 169},  {13, "knight_mobility_op", 203}, {21, "pawn_doubled_op", 185},
      {26, "pawn_isolated_en", 182}, {37, "knight_outpost", 205}, {41, "rook_half_open_file_op", 215},
      {49, "king_safety", 229},   {50, "pawn_shield", 225},        {69, "PST_K_en", 249},
      {73, "pst_d1", 1157},       {74, "pst_a2", 1158},            {101, "pst_d8", 1185},
      {109, "threat_scale_en", 257}, {110, "p1", 1186},            {125, "tune", 1201},
  };
  for (const auto& r : rows) {
    const ParamRecord& p = ParamList[r.order - 1];
    EXPECT_STREQ(p.name, r.name);
    EXPECT_EQ(p.field - Personality.f, r.field) << r.name;
    EXPECT_EQ(FindParam(r.name), &p);
  }
  SetFlag("Knight_value_op");  // case matters
  SetFlag("no_such_weight");
  for (int i = 0; i < nParams; i++) EXPECT_EQ(ParamList[i].selected, 0) << ParamList[i].name;
  EXPECT_EQ(FindParam("no_such_weight"), nullptr);

  // The tuners store and move a weight within the range its UCI option keeps.
  ParamRecord& knight = *FindParam("knight_value_op");
  EXPECT_EQ(BoundedValue(knight, 1e9), 2000);
  MoveValue(knight, -1e9);
  EXPECT_EQ(knight.value, 20.0);
}
