#include "tools/match.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "board/position.h"
#include "engine/infile.h"
#include "engine/outfile.h"
#include "engine/output.h"
#include "engine/params.h"
#include "engine/textline.h"
#include "search/searchdata.h"
#include "tools/paramlist.h"
#include "tools/selfplay.h"

namespace {

constexpr int kRcLineSize = 256;  // 255 characters and the NUL
constexpr const char* kBlanks = " \t\r\n";

// Live keys (and SyzygyPath) write the running record, which the match
// replaces before every move, so they do not reach the games.
enum class Target { Live, Single, Pair, Table };

// A key of "test1.rc": the field it sets (a pair sets the field after it to
// the second value), or for a table, 2 x piece type + phase.
struct RcKey {
  const char* name;
  Target target;
  int index;
};

#define FIELD(name) PARAM_INDEX(name)
constexpr RcKey kRcKeys[] = {
    {"BookVariety", Target::Live, FIELD(OwnBook_Variety)},
    {"BookDepth", Target::Live, FIELD(OwnBook_Depth)},
    {"SyzygyProbeDepth5", Target::Live, FIELD(SyzygyProbeDepth5)},
    {"SyzygyProbeDepth6", Target::Live, FIELD(SyzygyProbeDepth6)},
    {"contempt", Target::Single, FIELD(Contempt)},
    {"NMP_depth", Target::Single, FIELD(NMP_depth)},
    {"SEP_depth", Target::Single, FIELD(SEP_depth)},
    {"SEP_margin", Target::Single, FIELD(SEP_margin)},
    {"FP_depth", Target::Single, FIELD(FP_depth)},
    {"FP_margin", Target::Single, FIELD(FP_margin)},
    {"LMP_depth", Target::Single, FIELD(LMP_depth)},
    {"LMP_count", Target::Single, FIELD(LMP_count)},
    {"LMR_depth", Target::Single, FIELD(LMR_depth)},
    {"LMR_strength", Target::Single, FIELD(LMR_strength)},
    {"SingularExtension", Target::Single, FIELD(SingularExtension)},
    {"tune", Target::Single, FIELD(tune)},
    {"pawn_value", Target::Pair, FIELD(pawn_value_op)},
    {"knight_value", Target::Pair, FIELD(knight_value_op)},
    {"bishop_value", Target::Pair, FIELD(bishop_value_op)},
    {"rook_value", Target::Pair, FIELD(rook_value_op)},
    {"queen_value", Target::Pair, FIELD(queen_value_op)},
    {"bishop_pair", Target::Pair, FIELD(bishop_pair_op)},
    {"knight_mobility", Target::Pair, FIELD(knight_mobility_op)},
    {"bishop_mobility", Target::Pair, FIELD(bishop_mobility_op)},
    {"rook_mobility", Target::Pair, FIELD(rook_mobility_op)},
    {"queen_mobility", Target::Pair, FIELD(queen_mobility_op)},
    {"pawn_doubled", Target::Pair, FIELD(pawn_doubled_op)},
    {"pawn_backward", Target::Pair, FIELD(pawn_backward_op)},
    {"pawn_isolated", Target::Pair, FIELD(pawn_isolated_op)},
    {"pawn_weak", Target::Pair, FIELD(pawn_weak_op)},
    {"pawn_connected", Target::Pair, FIELD(pawn_connected_op)},
    {"pawn_candidate", Target::Pair, FIELD(pawn_candidate_op)},
    {"pawn_passed", Target::Pair, FIELD(pawn_passed_op)},
    {"rook_open_file", Target::Pair, FIELD(rook_open_file_op)},
    {"rook_half_open_file", Target::Pair, FIELD(rook_half_open_file_op)},
    {"rook_rank7", Target::Pair, FIELD(rook_rank7_op)},
    {"rook_trapped", Target::Pair, FIELD(rook_trapped_op)},
    {"queen_rank7", Target::Pair, FIELD(queen_rank7_op)},
    {"knight_outpost", Target::Pair, FIELD(knight_outpost)},
    {"bishop_outpost", Target::Pair, FIELD(bishop_outpost)},
    {"king_safety", Target::Pair, FIELD(king_safety)},
    {"pawn_shield", Target::Pair, FIELD(pawn_shield)},
    {"pawn_storm", Target::Pair, FIELD(pawn_storm)},
    {"PST_pawn_op", Target::Table, 2 * Pawn + 0},
    {"PST_pawn_en", Target::Table, 2 * Pawn + 1},
    {"PST_knight_op", Target::Table, 2 * Knight + 0},
    {"PST_knight_en", Target::Table, 2 * Knight + 1},
    {"PST_bishop_op", Target::Table, 2 * Bishop + 0},
    {"PST_bishop_en", Target::Table, 2 * Bishop + 1},
    {"PST_rook_op", Target::Table, 2 * Rook + 0},
    {"PST_rook_en", Target::Table, 2 * Rook + 1},
    {"PST_queen_op", Target::Table, 2 * Queen + 0},
    {"PST_queen_en", Target::Table, 2 * Queen + 1},
    {"PST_king_op", Target::Table, 2 * King + 0},
    {"PST_king_en", Target::Table, 2 * King + 1},
};

struct RcState {
  FILE* f;
  int skipped;  // over-long lines
  int tables;
  bool refused;  // a value that does not fit its field
};

int SplitWords(char* line, char* words[], int max) {
  int n = 0;
  for (char* w = std::strtok(line, kBlanks); w && n < max; w = std::strtok(nullptr, kBlanks)) words[n++] = w;
  return n;
}

int16_t Value(const char* text) { return int16_t(std::clamp(std::strtol(text, nullptr, 10), -32768L, 32767L)); }

// The next 8 lines, rank 8 first, file a first; missing numbers leave their
// squares as they were.
void LoadPST(PersonalityRecord* set, int type, int phase, RcState* rc) {
  char line[kRcLineSize];
  for (int k = 0; k < 8 && ReadTextLine(rc->f, line, sizeof line, &rc->skipped); k++) {
    char* words[8];
    const int n = SplitWords(line, words, 8);
    for (int j = 0; j < n; j++) set->pst[type][56 - 8 * k + j][phase] = Value(words[j]);
  }
}

// The values of key into its field (and the one after it), each held to its
// field's range as UCI holds an option; one line tells when one was outside.
void StoreValues(PersonalityRecord* set, const RcKey& key, const long long* values, int count) {
  bool held = false;
  for (int i = 0; i < count; i++) {
    set->f[key.index + i] = Bounded(key.index + i, values[i]);
    held |= set->f[key.index + i] != values[i];
  }
  if (!held) return;
  const int16_t* v = &set->f[key.index];
  if (count == 1)
    ShowFormatted("%s: %s out of range, set to %d", kMatchParamFile, key.name, v[0]);
  else
    ShowFormatted("%s: %s out of range, set to %d %d", kMatchParamFile, key.name, v[0], v[1]);
}

void ApplyLine(char* line, PersonalityRecord* set, RcState* rc) {
  for (char* c = line; *c; c++)
    if (*c == '=' || *c == ',') *c = ' ';
  if (const char* key = std::strstr(line, "SyzygyPath")) {
    const char* w = key + std::strlen("SyzygyPath");
    w += std::strspn(w, " \"");
    const int n = int(std::strcspn(w, " \""));
    // Refused whole: a cut path names other folders.
    if (n < kPathSize) {
      std::snprintf(Personality.SyzygyPath, kPathSize, "%.*s", n, w);
    } else {
      ShowFormatted("%s: SyzygyPath is longer than %d characters, not changed", kMatchParamFile, kPathSize - 1);
      rc->refused = true;
    }
    return;
  }
  char* words[10];
  const int n = SplitWords(line, words, 10);
  if (!n) return;
  // Read wide (saturating), so that no number wraps before its range holds it.
  const long long values[2] = {n > 1 ? std::strtoll(words[1], nullptr, 10) : 0,
                               n > 2 ? std::strtoll(words[2], nullptr, 10) : 0};
  for (const RcKey& k : kRcKeys) {
    if (std::strcmp(k.name, words[0])) continue;
    switch (k.target) {
      case Target::Live:
        StoreValues(&Personality, k, values, 1);
        break;
      case Target::Single:
        StoreValues(set, k, values, 1);
        break;
      case Target::Pair:
        StoreValues(set, k, values, 2);
        break;
      case Target::Table:
        LoadPST(set, k.index / 2, k.index % 2, rc);
        rc->tables++;
        break;
    }
    return;
  }
}

// Reads "test1.rc" over set; false when it cannot be read.
bool ReadParamFile(PersonalityRecord* set, int* tables, bool* refused) {
  RcState rc{OpenTextInput(kMatchParamFile), 0, 0, false};
  if (!rc.f) return false;
  char line[kRcLineSize];
  while (ReadTextLine(rc.f, line, sizeof line, &rc.skipped)) {
    line[std::strcspn(line, "\r\n")] = 0;
    if (line[0] && line[0] != '#') ApplyLine(line, set, &rc);
  }
  std::fclose(rc.f);
  if (rc.skipped) {
    char text[96];
    std::snprintf(text, sizeof text, "%s: %d lines over %d characters skipped", kMatchParamFile, rc.skipped,
                  kRcLineSize - 1);
    ShowMessage(text);
  }
  *tables = rc.tables;
  *refused = rc.refused;
  return true;
}

void SetMatchLimits(uint64_t nodes) {
  SearchData.time_control = TimeFixed;
  SearchData.clock[White] = SearchData.clock[Black] = 1.0;
  SearchData.node_limit = nodes;
  PBlock.info_delay = kSilentInfoDelay;
}

constexpr int kSelfPlayRounds = 50000;
constexpr const char* kSelfPlayParams[] = {
    "knight_value_op",    "bishop_value_op",    "rook_value_op",     "queen_value_op",    "bishop_pair_op",
    "knight_mobility_op", "bishop_mobility_op", "rook_mobility_op",  "queen_mobility_op", "pawn_connected_op",
    "pawn_candidate_en",  "pawn_passed_en",     "king_safety",       "pawn_shield",       "pawn_storm",
    "hung_pawn_op",       "hung_piece_op",
};

// The field of p in a copy of the record.
int16_t FieldIn(const PersonalityRecord& set, const ParamRecord& p) { return set.f[p.field - Personality.f]; }

// A step of -20 % to +20 % of the value, at least 1.5 either way.
void Perturb(const ParamRecord& p) {
  const double v = p.value;
  double x = (0.001 * (std::rand() % 400) - 0.2) * v;
  if (x > 0 && x < 1.5) x = 1.5;
  if (x < 0 && x > -1.5) x = -1.5;
  *p.field = BoundedValue(p, v + x);
}

// Only opening values are tuned; the endgame values follow them, within
// their own ranges.
void DeriveEndgameValues(PersonalityRecord* s) {
  constexpr struct {
    int op, offset;  // the endgame value is the field after op
  } kFollow[] = {
      {FIELD(knight_value_op), -25},   {FIELD(bishop_value_op), -25},   {FIELD(rook_value_op), 100},
      {FIELD(queen_value_op), 0},      {FIELD(bishop_pair_op), 30},     {FIELD(knight_mobility_op), 10},
      {FIELD(bishop_mobility_op), 10}, {FIELD(rook_mobility_op), 10},   {FIELD(queen_mobility_op), 40},
      {FIELD(hung_pawn_op), 0},        {FIELD(hung_piece_op), 0},
  };
  for (const auto& f : kFollow) s->f[f.op + 1] = Bounded(f.op + 1, s->f[f.op] + f.offset);
}
#undef FIELD

void ShowRound(int games, const PersonalityRecord& perturbed) {
  std::printf("ngames= %d\n", games);
  for (int i = 0; i < nParams; i++) {
    const ParamRecord& p = ParamList[i];
    if (p.selected) std::printf(" * %-24s : %6.1f  %4d\n", p.name, p.value, FieldIn(perturbed, p));
  }
  std::fflush(stdout);
}

}  // namespace

int Tune_3() {
  if (OutputIsInput(kMatchParamFile, {PBlock.game_file})) return 1;
  PersonalityRecord candidate = DefaultPersonality;
  int tables = 0;
  bool refused = false;
  if (!ReadParamFile(&candidate, &tables, &refused)) {
    ShowMessage("Can't open file test1.rc\n");
    return 1;
  }
  if (refused) return 1;
  char text[96];
  std::snprintf(text, sizeof text, "loaded parameters from %s", kMatchParamFile);
  ShowMessage(text);
  // The evaluation builds its tables from templates; nothing switches it to
  // explicit ones.
  if (tables) ShowMessage("the piece-square tables of test1.rc are read but do not change the evaluation");
  FILE* pgn = OpenOutput(PBlock.game_file);
  if (!pgn) return 1;
  candidate.tune = -1;
  SearchData.fixed_time = 1.0;
  SetMatchLimits(uint64_t(std::rand() % 11 + 95) * 750);
  ShowMessage("Starting match...");
  MatchScore score;
  PlayMatch(candidate, DefaultPersonality, 8000, &score, pgn);
  return CloseOutput(pgn, PBlock.game_file) ? 0 : 1;
}

int Tune_4() {
  if (flag <= 0) AddParams();
  for (const char* name : kSelfPlayParams) SetFlag(name);
  CopyText(PBlock.game_file, kFileArgSize, "self.pgn");
  FILE* pgn = OpenOutput(PBlock.game_file);
  if (!pgn) return 1;
  SetMatchLimits(10000);
  ShowMessage("Starting match...");
  PersonalityRecord base, perturbed;
  for (int round = 0; round < kSelfPlayRounds; round++) {
    for (int i = 0; i < nParams; i++) *ParamList[i].field = BoundedValue(ParamList[i], ParamList[i].value);
    base = Personality;
    for (int i = 0; i < nParams; i++)
      if (ParamList[i].selected) Perturb(ParamList[i]);
    perturbed = Personality;
    DeriveEndgameValues(&base);
    DeriveEndgameValues(&perturbed);
    if (round % 5 == 0) ShowRound(4 * round, perturbed);
    MatchScore score;
    PlayMatch(perturbed, base, 4, &score, pgn);
    if (PBlock.quit || std::ferror(pgn)) break;
    for (int i = 0; i < nParams; i++) {
      ParamRecord& p = ParamList[i];
      if (p.selected)
        MoveValue(p, (FieldIn(perturbed, p) - BoundedValue(p, p.value)) * (score.wins - score.losses) * 0.003);
    }
    Personality = base;
  }
  return CloseOutput(pgn, PBlock.game_file) ? 0 : 1;
}
