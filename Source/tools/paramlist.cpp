#include "tools/paramlist.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string_view>

#include "engine/params.h"

ParamRecord ParamList[kMaxParams];
int nParams = 0;
int flag = 0;

void NewParam(const char* name, int16_t* field) {
  if (nParams >= kMaxParams) return;
  ParamRecord& p = ParamList[nParams++];
  CopyText(p.name, sizeof p.name, name);
  p.field = field;
  p.value = *field;
  p.gradient = 0.0;
  p.selected = 0;
}

namespace {

// Consecutive Personality fields, registered in this order; the order fixes
// what the tuners print and how -tune4 draws its random numbers.
struct ParamRun {
  int index;
  const char* names[12];
};

constexpr ParamRun kRuns[] = {
    {169, {"pawn_value_op", "pawn_value_en", "knight_value_op", "knight_value_en", "bishop_value_op",
           "bishop_value_en", "rook_value_op", "rook_value_en", "queen_value_op", "queen_value_en",
           "bishop_pair_op", "bishop_pair_en"}},
    {203, {"knight_mobility_op", "knight_mobility_en"}},
    {207, {"bishop_mobility_op", "bishop_mobility_en"}},
    {211, {"rook_mobility_op", "rook_mobility_en"}},
    {221, {"queen_mobility_op", "queen_mobility_en"}},
    {185, {"pawn_doubled_op", "pawn_doubled_en"}},
    {183, {"pawn_backward_op", "pawn_backward_en"}},
    {181, {"pawn_isolated_op", "pawn_isolated_en"}},
    {187, {"pawn_weak_op", "pawn_weak_en", "pawn_connected_op", "pawn_connected_en", "pawn_defended_op",
           "pawn_defended_en"}},
    {201, {"pawn_candidate_op", "pawn_candidate_en"}},
    {193, {"pawn_passed_op", "pawn_passed_en"}},
    {205, {"knight_outpost"}},
    {209, {"bishop_outpost"}},
    {213, {"rook_open_file_op", "rook_open_file_en", "rook_half_open_file_op", "rook_half_open_file_en",
           "rook_rank7_op", "rook_rank7_en", "rook_trapped_op", "rook_trapped_en"}},
    {223, {"queen_rank7_op", "queen_rank7_en"}},
    {229, {"king_safety"}},
    {225, {"pawn_shield"}},
    {227, {"pawn_storm"}},
    {231, {"safe_check_op", "safe_check_en"}},
    {234, {"hung_pawn_op", "hung_pawn_en", "hung_piece_op", "hung_piece_en"}},
    {238, {"PST_P_op", "PST_P_en", "PST_N_op", "PST_N_en", "PST_B_op", "PST_B_en", "PST_R_op", "PST_R_en",
           "PST_Q_op", "PST_Q_en", "PST_K_op", "PST_K_en"}},
};

constexpr ParamRun kScales = {
    250, {"pst_scale_op", "pst_scale_en", "mobility_scale_op", "mobility_scale_en", "pawn_struct_scale_op",
          "pawn_struct_scale_en", "threat_scale_op", "threat_scale_en"}};

void AddRun(const ParamRun& run) {
  for (int i = 0; i < 12 && run.names[i]; i++) NewParam(run.names[i], &Personality.f[run.index + i]);
}

}  // namespace

void AddParams() {
  if (flag > 0) return;
  flag = 1;
  for (const ParamRun& run : kRuns) AddRun(run);
  // The half-board squares, files a-d within each rank, rank 1 first.
  for (int i = 0; i < 32; i++) {
    char name[24];
    std::snprintf(name, sizeof name, "pst_%c%d", 'a' + i % 4, 1 + i / 4);
    NewParam(name, &Personality.pst_half[i]);
  }
  AddRun(kScales);
  for (int i = 0; i < 15; i++) {
    char name[24];
    std::snprintf(name, sizeof name, "p%d", i + 1);
    NewParam(name, &Personality.p[i]);
  }
  NewParam("tune", &Personality.tune);
}

namespace {

ParamRecord* Registered(const char* name) {
  for (int i = 0; i < nParams; i++)
    if (std::string_view(ParamList[i].name) == name) return &ParamList[i];
  return nullptr;
}

}  // namespace

ParamRecord* FindParam(const char* name) {
  AddParams();
  return Registered(name);
}

void SetFlag(const char* name) {
  if (ParamRecord* p = Registered(name)) p->selected = 1;
}

namespace {

ParamRange RangeOfEntry(const ParamRecord& p) { return RangeOf(int(p.field - Personality.f)); }

}  // namespace

int16_t BoundedValue(const ParamRecord& p, double v) {
  const ParamRange r = RangeOfEntry(p);
  return int16_t(std::lround(std::clamp(v, double(r.lo), double(r.hi))));
}

void MoveValue(ParamRecord& p, double step) {
  const ParamRange r = RangeOfEntry(p);
  p.value = std::clamp(p.value + step, double(r.lo), double(r.hi));
}
