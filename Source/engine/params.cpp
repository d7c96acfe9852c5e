#include "engine/params.h"

#include <cctype>
#include <cstring>

#include "search/calibrate.h"
#include "search/searchdata.h"

PersonalityRecord Personality;
PersonalityRecord DefaultPersonality;
ProgramBlock PBlock;

void SetDefaultPersonality() {
  PersonalityRecord& d = DefaultPersonality;
  std::memset(&d, 0, sizeof d);

  d.Hash = kDefaultHash;
  d.Threads = 1;
  d.MoveOverhead = 50;
  d.Ponder = 1;
  d.MultiPV = 1;
  d.OwnBook = 0;
  d.OwnBook_Variety = 25;
  d.OwnBook_Depth = 28;
  d.Log = 0;
  d.SyzygyProbeDepth5 = 0;
  d.SyzygyProbeDepth6 = 2;
  d.UCI_LimitStrength = 0;
  d.UCI_Elo = kHighestElo;  // full strength
  d.Contempt = 0;

  d.SEP_depth = 3;
  d.SEP_margin = 75;
  d.NMP_depth = 3;
  d.FP_depth = 3;
  d.FP_margin = 125;
  d.LMP_depth = 5;
  d.LMP_count = 3;
  d.LMR_depth = 3;
  d.LMR_strength = 100;

  d.pawn_value_op = 90;             d.pawn_value_en = 110;
  d.knight_value_op = 380;          d.knight_value_en = 360;
  d.bishop_value_op = 390;          d.bishop_value_en = 370;
  d.rook_value_op = 530;            d.rook_value_en = 630;
  d.queen_value_op = 1180;          d.queen_value_en = 1180;
  d.bishop_pair_op = 32;            d.bishop_pair_en = 52;
  d.pawn_isolated_op = -6;          d.pawn_isolated_en = -8;
  d.pawn_backward_op = -4;          d.pawn_backward_en = -6;
  d.pawn_doubled_op = -4;           d.pawn_doubled_en = -6;
  d.pawn_weak_op = -6;              d.pawn_weak_en = -8;
  d.pawn_connected_op = 32;         d.pawn_connected_en = 32;
  d.pawn_defended_op = 8;           d.pawn_defended_en = 8;
  d.pawn_passed_op = 90;            d.pawn_passed_en = 135;
  d.pawn_candidate_op = 0;          d.pawn_candidate_en = 40;
  d.knight_mobility_op = 50;        d.knight_mobility_en = 60;
  d.knight_outpost = 16;
  d.bishop_mobility_op = 60;        d.bishop_mobility_en = 70;
  d.bishop_outpost = 16;
  d.rook_mobility_op = 52;          d.rook_mobility_en = 62;
  d.rook_open_file_op = 16;         d.rook_open_file_en = 4;
  d.rook_half_open_file_op = 8;     d.rook_half_open_file_en = 0;
  d.rook_rank7_op = 10;             d.rook_rank7_en = 15;
  d.rook_trapped_op = -30;          d.rook_trapped_en = 0;
  d.queen_mobility_op = 34;         d.queen_mobility_en = 78;
  d.queen_rank7_op = 0;             d.queen_rank7_en = 10;
  d.pawn_shield = 68;
  d.pawn_storm = -11;
  d.king_safety = 100;
  d.safe_check_op = -12;            d.safe_check_en = -12;
  d.hung_pawn_op = -20;             d.hung_pawn_en = -30;
  d.hung_piece_op = -32;            d.hung_piece_en = -42;
  d.PST_P_op = 28;                  d.PST_P_en = 6;
  d.PST_N_op = 36;                  d.PST_N_en = 46;
  d.PST_B_op = 16;                  d.PST_B_en = 18;
  d.PST_R_op = 8;                   d.PST_R_en = 0;
  d.PST_Q_op = 16;                  d.PST_Q_en = 32;
  d.PST_K_op = 32;                  d.PST_K_en = 68;
  d.pst_scale_op = 100;             d.pst_scale_en = 100;
  d.mobility_scale_op = 100;        d.mobility_scale_en = 100;
  d.pawn_struct_scale_op = 100;     d.pawn_struct_scale_en = 100;
  d.threat_scale_op = 100;          d.threat_scale_en = 100;

  // Half-board table a1..d1, a2..d2, ... a8..d8; symmetric about the middle ranks.
  static constexpr int16_t half_board[32] = {
      -50, -35, -25, -20,
      -35, -20, -10, -5,
      -25, -10, 0,   5,
      -20, -5,  5,   10,
      -20, -5,  5,   10,
      -25, -10, 0,   5,
      -35, -20, -10, -5,
      -50, -35, -25, -20,
  };
  std::memcpy(d.pst_half, half_board, sizeof half_board);

  static constexpr int16_t slots[15] = {2, 4, 8, 16, 32, 64, 128, 24, 8, 8, 8, 24, 0, 0, 100};
  std::memcpy(d.p, slots, sizeof slots);
  d.tune = 256;
}

void SetStartValues() {
  SearchData.time_control = 1;
  SearchData.max_depth = 66;
  SearchData.fixed_time = 5.0;
  SearchData.clock[0] = SearchData.clock[1] = 5.0;
  SearchData.increment = 0.0;
  SearchData.node_limit = 0;
  SearchData.target_time = 1.0;
  SearchData.target_nps.store(1e9);
  SearchData.calibrated_nps = 0.0;
  SearchData.hash_enabled = 1;
  SearchData.age = 0;
  SearchData.state.store(StateIdle);
  SearchData.go_request = 0;
  SearchData.stop.store(StopRun);

  PBlock.quit = 0;
  PBlock.info_delay = 0.0;
  PBlock.trace_depth = 0;
  PBlock.eval_trace = 0;
  PBlock.numa = 0;
  PBlock.tune_percent = 100;
  PBlock.tool_file[0] = '\0';
  PBlock.game_file[0] = '\0';
  PBlock.pst_mode = 1;
}

void CopyText(char* field, size_t size, const char* text) {
  size_t n = 0;
  while (n + 1 < size && text[n]) {
    field[n] = text[n];
    ++n;
  }
  field[n] = '\0';
}

void CopyPath(char* field, size_t size, const char* text) {
  size_t n = std::strlen(text);
  while (n && std::isspace(static_cast<unsigned char>(text[n - 1]))) n--;
  if (n >= size) n = size - 1;
  std::memcpy(field, text, n);
  field[n] = '\0';
}
