// Evaluation weights derived from the parameter record.
#pragma once
#include <cstdint>

// Packed scores first (see eval/packed.h), then plain 16-bit values.
struct EvalParamsRecord {
  int32_t piece_value[5];  // pawn, knight, bishop, rook, queen
  int32_t bishop_pair;
  int32_t lone_queen;
  int32_t pst[6][64];  // pawn .. king, square seen from White
  int32_t nmob[16];
  int32_t bmob[16];
  int32_t rmob[16];
  int32_t qmob[32];
  int32_t bextra[6];
  int32_t rextra[6];
  int32_t pawn_doubled;
  int32_t pawn_backward;
  int32_t pawn_isolated;
  int32_t pawn_weak;
  int32_t pawn_blocked;
  int32_t rook_open_file;
  int32_t rook_half_open_file;
  int32_t rook_rank7;
  int32_t rook_trapped;
  int32_t pawn_candidate;
  int32_t pawn_shield;
  int32_t pawn_storm;
  int32_t safe_check;
  int32_t knight_outpost;
  int32_t knight_outpost_half;
  int32_t bishop_outpost;
  int32_t bishop_outpost_half;
  int32_t bad_bishop_pawn;
  int32_t hung_pawn;
  int32_t hung_piece;
  int32_t connected[64];
  int32_t defended[64];
  int16_t contempt;
  int16_t ppawn_op[8];
  int16_t ppawn_en[8];
  int16_t king_safety;
  int16_t KingDanger[64];
};

extern EvalParamsRecord EvalParams;

// Lowest and highest set bit of an 8-bit pawn-file mask; 8 and 255 for 0.
extern uint8_t leftbit[256];
extern uint8_t rightbit[256];

// Salts mixed into the keys of the per-thread caches. They are derived from
// the content of EvalParams, so an entry written under other weights (or, for
// the evaluation cache, another contempt state) can never match again, while
// returning to identical weights finds its entries valid.
struct EvalCacheSalts {
  uint64_t eval[3];  // contempt off, engine White, engine Black
  uint64_t pawn;
};
extern EvalCacheSalts EvalSalts;

// Re-derives EvalParams from Personality; called after every change of it.
void SetEvalParams();
// Rebuilds the piece-square tables (and, from templates, the connected- and
// defended-pawn tables); called by SetEvalParams.
void InitPieceSqTables();
