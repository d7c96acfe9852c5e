#include "eval/display.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "board/bitboard.h"
#include "engine/output.h"
#include "engine/params.h"
#include "eval/packed.h"
#include "eval/weights.h"
#include "search/records.h"

namespace {

constexpr char kWhiteLetters[] = "-PNBRQK";
constexpr char kBlackLetters[] = "-onbrqk";
constexpr int kTextSize = 4096;

struct Text {
  char buf[kTextSize];
  size_t len = 0;
  void Add(const char* format, ...);
};

void Text::Add(const char* format, ...) {
  if (len >= sizeof buf) return;
  va_list args;
  va_start(args, format);
  const int n = std::vsnprintf(buf + len, sizeof buf - len, format, args);
  va_end(args);
  if (n > 0) len += size_t(n);
}

void AddSquares(Text* t, const char* title, Bitboard set) {
  if (!set) return;
  t->Add("%s", title);
  for (; set; set = ClearLSB(set)) t->Add("  %s", tbl[LSB(set)]);
  t->Add("\n");
}

// One letter per piece that a side has beyond the other's, Q R B N P.
void Surplus(const Position* pos, int side, char* out) {
  for (int type : {Queen, Rook, Bishop, Knight, Pawn}) {
    const int extra = PopCount(pos->bb[side][type]) - PopCount(pos->bb[side ^ 1][type]);
    for (int i = 0; i < extra; i++) *out++ = kWhiteLetters[type];
  }
  *out = 0;
}

void AddRow(Text* t, const char* label, const int16_t* v) {
  t->Add("%-11s%5d    %5d    %5d\n", label, v[White], v[Black], v[White] - v[Black]);
}

void AddDiagram(Text* t, const Position* pos, const EvalDisplay& d) {
  for (int rank = 7; rank >= 0; rank--) {
    for (int file = 0; file < 8; file++) {
      const int code = pos->board[rank * 8 + file];
      const char empty = (file + rank) % 2 == 0 ? '+' : '-';
      t->Add(" %c", !code ? empty
                          : PieceColour(code) == White ? kWhiteLetters[PieceType(code)]
                                                       : kBlackLetters[PieceType(code)]);
    }
    t->Add("    ");
    for (int file = 0; file < 8; file++) {
      const int sq = rank * 8 + file;
      if (pos->board[sq])
        t->Add(" %4d", d.square[sq]);
      else
        t->Add("    -");
    }
    t->Add("\n");
  }
}

void Pair(const char* name, int32_t v) { std::printf("%s= %d/%d\n", name, OpOf(v), EnOf(v)); }

}  // namespace

void ShowEvalInfo(int eval, int qscore) {
  const EvalDisplay& d = PBlock.display;
  const Position* pos = &CTD->pos;
  static Text t;
  t.len = 0;
  t.Add("\neval= %d, qscore= %d, stage= %d, draw_adj= %0.2f\n\n", eval, qscore, d.stage, d.draw_adj);
  AddSquares(&t, "hung pieces on: ", d.hung);
  AddSquares(&t, "pinned pieces on :", d.pinned);
  AddSquares(&t, "free pawns on :", d.free_pawns);
  t.Add("           white    black     diff\n");
  char white[40], black[40];
  Surplus(pos, White, white);
  Surplus(pos, Black, black);
  t.Add("mtl=       %5d    %5d    %5d   (%s :: %s)\n", d.material[White], d.material[Black],
        d.material[White] - d.material[Black], white, black);
  AddRow(&t, "pos=", d.positional);
  AddRow(&t, "pawns=", d.pawns);
  AddRow(&t, "knights=", d.knights);
  AddRow(&t, "bishops=", d.bishops);
  AddRow(&t, "rooks=", d.rooks);
  AddRow(&t, "queens=", d.queens);
  AddRow(&t, "kings=", d.kings);
  AddRow(&t, "passers=", d.passers);
  AddDiagram(&t, pos, d);
  t.Add("%s", pos->side == White ? "white\n" : "black\n");
  ShowMessage(t.buf);
}

void PrintPSQTable(const int32_t* table, const char* title) {
  for (int half = 0; half < 2; half++) {
    std::printf("%s\n", title);
    for (int rank = 7; rank >= 0; rank--) {
      for (int file = 0; file < 8; file++) {
        const int32_t v = table[rank * 8 + file];
        std::printf("  %3d ", half == 0 ? OpOf(v) : EnOf(v));
      }
      std::printf("\n");
    }
    std::printf("\n");
  }
}

void ShowEvalParams() {
  const EvalParamsRecord& e = EvalParams;
  std::printf("piece values=");
  for (int32_t v : e.piece_value) std::printf("  %d/%d", OpOf(v), EnOf(v));
  std::printf("\n");
  std::printf("bishop_pair= %d , %d\n\n", OpOf(e.bishop_pair), EnOf(e.bishop_pair));
  std::printf("KingDanger[]=");
  for (int i = 0; i < 64; i++) {
    if (i % 10 == 0) std::printf("\n%2d:  ", i);
    std::printf("  %3d ", e.KingDanger[i]);
  }
  std::printf("\n\n");
  for (int k = 0; k <= 14; k++)
    std::printf("%3d  nmob= %3d/%3d  bmob=%3d/%3d  rmob=%3d/%3d  qmob= %3d/%3d\n", k, OpOf(e.nmob[k]),
                EnOf(e.nmob[k]), OpOf(e.bmob[k]), EnOf(e.bmob[k]), OpOf(e.rmob[k]), EnOf(e.rmob[k]),
                OpOf(e.qmob[k]), EnOf(e.qmob[k]));
  std::printf("queen_mob[28] = %d/%d\n", OpOf(e.qmob[28]), EnOf(e.qmob[28]));
  for (int k = 0; k <= 5; k++)
    std::printf("%3d  bextra= %3d/%3d  rextra= %3d/%3d\n", k, OpOf(e.bextra[k]), EnOf(e.bextra[k]),
                OpOf(e.rextra[k]), EnOf(e.rextra[k]));
  for (int rank = 2; rank <= 7; rank++)
    std::printf("rank=%d,  ppawn= %3d / %3d\n", rank, e.ppawn_op[rank - 1], e.ppawn_en[rank - 1]);
  Pair("pawn_shield", e.pawn_shield);
  Pair("pawn_storm", e.pawn_storm);
  Pair("hung_pawn", e.hung_pawn);
  Pair("hung_piece", e.hung_piece);
  Pair("knight_outpost", e.knight_outpost);
  Pair("bishop_outpost", e.bishop_outpost);
  static const char* const titles[6] = {"Pawn", "Knight", "Bishop", "Rook", "Queen", "King"};
  for (int t = 0; t < 6; t++) PrintPSQTable(e.pst[t], titles[t]);
  PrintPSQTable(e.connected, "Connected Pawn");
  PrintPSQTable(e.defended, "Defended Pawn");
  std::printf("\n\n");
  std::fflush(stdout);
}
