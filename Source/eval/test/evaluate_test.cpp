#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "board/attacks.h"
#include "board/fen.h"
#include "eval/bitbase.h"
#include "eval/evaluate.h"
#include "eval/packed.h"
#include "eval/test/eval_fixture.h"
#include "search/keys.h"
#include "search/records.h"
#include "search/searchdata.h"

namespace {

ThreadRecord* td = nullptr;

class EvaluateTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    InitBitboards();
    InitHashKeys();
    BuildKPKBitbase();
    td = NewThreadRecord(0);
  }
  void SetUp() override {
    SetEvalDefaults();
    SearchData.target_time = 10.0;
    SearchData.engine_side = White;
    PBlock.display = EvalDisplay{};
  }
};

void Set(const std::string& fen, ThreadRecord* t = td) {
  ASSERT_EQ(SetPosition(&t->pos, fen.c_str()), kSetOk) << fen;
}

// Evaluates the position of t as the search would at the given depth and ply.
int EvalHere(ThreadRecord* t = td, int depth = 0, int ply = 1, int trace = 0) {
  const Position& p = t->pos;
  t->depth = uint8_t(depth);
  t->ply[ply].draw = 0;
  int in_check = SqAtakd(&p, p.list[p.side][King][0], p.side ^ 1);
  return Evaluate(t, p.side, ply, in_check, trace);
}

int Eval(const std::string& fen, int depth = 0, int ply = 1) {
  Set(fen);
  return EvalHere(td, depth, ply);
}

std::vector<std::string> Split(const std::string& s) {
  std::vector<std::string> out;
  size_t i = 0;
  while (i < s.size()) {
    size_t j = s.find(' ', i);
    if (j == std::string::npos) j = s.size();
    if (j > i) out.push_back(s.substr(i, j - i));
    i = j + 1;
  }
  return out;
}

// Ranks mirrored, colours and side to move swapped, rights and en passant too.
std::string ColourFlip(const std::string& fen) {
  std::vector<std::string> f = Split(fen);
  std::vector<std::string> ranks;
  for (size_t i = 0, j; i <= f[0].size(); i = j + 1) {
    j = f[0].find('/', i);
    if (j == std::string::npos) j = f[0].size();
    ranks.push_back(f[0].substr(i, j - i));
  }
  std::string placement;
  for (int r = 7; r >= 0; r--) {
    for (char ch : ranks[r]) placement += std::isalpha(ch) ? char(ch ^ 0x20) : ch;
    if (r) placement += '/';
  }
  std::string rights;
  for (char ch : std::string("KQkq"))
    if (f[2].find(char(ch ^ 0x20)) != std::string::npos) rights += ch;
  std::string ep = f[3] == "-" ? "-" : std::string{f[3][0], char('1' + '8' - f[3][1])};
  return placement + (f[1] == "w" ? " b " : " w ") + (rights.empty() ? "-" : rights) + " " + ep;
}

// Files mirrored; only for positions without castling rights.
std::string FileMirror(const std::string& fen) {
  std::vector<std::string> f = Split(fen);
  std::string placement, rank;
  for (char ch : f[0] + "/") {
    if (ch != '/') {
      rank.insert(rank.begin(), ch);
      continue;
    }
    placement += rank + "/";
    rank.clear();
  }
  placement.pop_back();
  std::string ep = f[3] == "-" ? "-" : std::string{char('a' + 'h' - f[3][0]), f[3][1]};
  return placement + " " + f[1] + " - " + ep;
}

std::vector<std::string> SymmetrySuite() {
  std::vector<std::string> fens;
  std::ifstream in(KERV_TESTDATA_DIR "/perft/perft-suite.txt");
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::vector<std::string> f = Split(line.substr(0, line.find(';')));
    fens.push_back(f[0] + " " + f[1] + " " + f[2] + " " + f[3]);
  }
  const char* more[] = {
      // Pawn endings, passers racing kings, candidates.
      "8/5k2/8/p7/8/8/5PPP/6K1 w - -", "8/8/P7/8/8/5k2/5p2/7K b - -",
      "8/1pp3k1/8/P7/8/8/6PP/6K1 w - -", "4k3/8/8/2pP4/2P5/8/8/4K3 w - -",
      "8/8/3k4/2p1p3/2P1P3/3K4/8/8 w - -", "8/6pk/8/5PPP/8/8/8/6K1 b - -",
      // Special endings and scaled endings.
      "4k3/8/8/8/8/2K5/2Q5/8 w - -", "4k3/8/8/8/8/8/8/R3K3 w - -",
      "4k3/8/8/8/8/8/8/1NB1K3 w - -", "4k3/8/8/8/8/8/8/1N2KB2 b - -",
      "4k3/8/4K3/4P3/8/8/8/8 w - -", "8/4k3/8/4K3/4P3/8/8/8 b - -",
      "k7/8/PK6/8/8/8/8/8 w - -", "8/8/8/3k4/8/8/2R5/1b2K3 w - -",
      "k7/8/P7/P7/1K6/8/8/4B3 w - -", "8/2b5/8/3k4/8/2KB4/3P4/8 w - -",
      // Middlegame with attacks on the king and a pinned piece.
      "r1bq1rk1/ppp2ppp/2n5/3np1N1/2B5/8/PPPP1PPP/RNBQK2R w KQ -",
      "2kr3r/ppp2ppp/2n5/2b1q3/4P3/2N5/PPPQ1PPP/R3KB1R b KQ -",
  };
  for (const char* f : more) fens.push_back(f);
  return fens;
}

int Queens(const std::string& fen, char q) {
  int n = 0;
  std::string placement = Split(fen)[0];
  for (char ch : placement) n += ch == q;
  return n;
}

// Contempt is left at 0: it deliberately favours the engine's side. The static
// exchange of a passer's advance takes the lowest-numbered of equal attackers,
// which could differ between mirrors only when such attackers x-ray
// differently; none of these positions has that.
TEST_F(EvaluateTest, ColourAndFileMirrorsScoreTheSame) {
  int compared = 0, mirrored = 0;
  for (const std::string& fen : SymmetrySuite()) {
    // Pins against a queen look at the first queen in the piece list, whose
    // order follows the text, so a side with two queens may differ.
    if (Queens(fen, 'Q') > 1 || Queens(fen, 'q') > 1) continue;
    int v = Eval(fen);
    if (v == -10000) continue;  // in check: nothing evaluated
    EXPECT_EQ(Eval(ColourFlip(fen)), v) << fen << " / " << ColourFlip(fen);
    compared++;
    if (Split(fen)[2] == "-") {
      EXPECT_EQ(Eval(FileMirror(fen)), v) << fen << " / " << FileMirror(fen);
      mirrored++;
    }
  }
  EXPECT_GE(compared, 50);
  EXPECT_GE(mirrored, 30);
}

int Traced(const std::string& fen) {
  Set(fen);
  PBlock.display = EvalDisplay{};
  return EvalHere(td, 0, 1, 1);
}

int Sq(const char* n) { return (n[1] - '1') * 8 + (n[0] - 'a'); }

TEST_F(EvaluateTest, StartPositionByHand) {
  const char* start = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR";
  // Every term cancels but the tempo S(16, 8); stage 0 gives P = 16, and the
  // boost adds (16 * 16 + 256) >> 9 = 1.
  EXPECT_EQ(Eval(std::string(start) + " w KQkq -"), 17);
  EXPECT_EQ(Eval(std::string(start) + " b KQkq -"), 17);
  // Material 8 * 90 + 2 * 380 + 2 * 390 + 2 * 530 + 1180 + pair 32 = 4532.
  EXPECT_EQ(Traced(std::string(start) + " w KQkq -"), 17);
  const EvalDisplay& d = PBlock.display;
  EXPECT_EQ(d.stage, 0);
  EXPECT_EQ(d.material[White], 4532);
  EXPECT_EQ(d.material[Black], 4532);
  EXPECT_EQ(d.positional[White] - d.positional[Black], 16);
  EXPECT_EQ(d.pawns[White], d.pawns[Black]);
  EXPECT_EQ(d.kings[White], d.kings[Black]);
  EXPECT_EQ(d.draw_adj, 1.0);
}

TEST_F(EvaluateTest, SpecialEndingsByHand) {
  // KQK: 100 * 10 + 200 - 10 * d(c3, e8) 5 + edge[e8] 30 = 1180.
  EXPECT_EQ(Eval("4k3/8/8/8/8/2K5/2Q5/8 w - -"), 1180);
  EXPECT_EQ(Eval("4k3/8/8/8/8/2K5/2Q5/8 b - -"), -1180);
  // KRK: 500 + 200 - 10 * d(e1, e8) 7 + 30 = 660.
  EXPECT_EQ(Eval("4k3/8/8/8/8/8/8/R3K3 w - -"), 660);
  // Pawns beside the rook are not counted; Black's rook mops up the same way.
  EXPECT_EQ(Eval("4k3/8/8/8/8/8/P7/R3K3 w - -"), 660);
  EXPECT_EQ(Eval("r3k3/8/8/8/8/8/8/4K3 b - -"), 660);
  // KBNK, dark bishop: 4 * (A[e1] 0 + 2 * B[e8] 14 + 200 - 2 * 7) = 856.
  EXPECT_EQ(Eval("4k3/8/8/8/8/8/8/1NB1K3 w - -"), 856);
  EXPECT_EQ(Eval("4k3/8/8/8/8/8/8/1NB1K3 b - -"), -856);
  // Light bishop mirrors the weak king to d8: 4 * (0 + 2 * 12 + 200 - 14) = 840.
  EXPECT_EQ(Eval("4k3/8/8/8/8/8/8/1N2KB2 w - -"), 840);
  // Black's bishop on c8 (light) and knight: the weak king e1 mirrors to d1,
  // B[d1] = 14, A[e8] = 0, d = 7: 4 * (0 + 28 + 200 - 14) = 856.
  EXPECT_EQ(Eval("2bnk3/8/8/8/8/8/8/4K3 b - -"), 856);
  // KPK from the bitbase: a win is +-800 by who moves, anything else 0.
  EXPECT_EQ(Eval("4k3/8/4K3/4P3/8/8/8/8 w - -"), 800);
  EXPECT_EQ(Eval("4k3/8/4K3/4P3/8/8/8/8 b - -"), -800);
  EXPECT_EQ(Eval("8/4k3/8/4K3/4P3/8/8/8 w - -"), 0);
  EXPECT_EQ(Eval("8/4k3/8/4K3/4P3/8/8/8 b - -"), -800);
  EXPECT_EQ(Eval("k7/8/PK6/8/8/8/8/8 w - -"), 0);
  EXPECT_EQ(Eval("k7/8/PK6/8/8/8/8/8 b - -"), 0);
  EXPECT_EQ(Eval("8/8/8/8/4p3/4k3/8/4K3 b - -"), 800);
  EXPECT_EQ(Eval("8/8/8/8/4p3/4k3/8/4K3 w - -"), -800);

  // No mating material: 0 and the draw flag; a pawn keeps the game alive.
  for (const char* fen : {"4k3/8/8/8/8/8/8/1N2K3 w - -", "4k3/8/8/8/8/8/8/1N2KN2 b - -",
                          "2n1k3/8/8/8/8/8/8/2B1K3 w - -", "2b1k3/8/8/8/8/8/8/2B1K3 w - -"}) {
    EXPECT_EQ(Eval(fen), 0) << fen;
    EXPECT_EQ(td->ply[1].draw, 1) << fen;
  }
  Eval("4k3/4p3/8/8/8/8/8/1N2KN2 w - -");
  EXPECT_EQ(td->ply[1].draw, 0);

  // In check: -10000 before anything is counted or cached.
  uint64_t evals = td->counters[CountEvals];
  EXPECT_EQ(Eval("4k3/8/8/8/8/8/8/4R1K1 b - -"), -10000);
  EXPECT_EQ(td->counters[CountEvals], evals);
}

TEST_F(EvaluateTest, ScoresStayClearOfTheMateRange) {
  // Nine queens, two rooks, bishops and knights: the mop-up alone is 11 400.
  EXPECT_EQ(Eval("QQQQQQQQ/QRRBBNNK/8/8/8/8/8/7k b - -"), -kMaxStaticScore);
  // The same with a black pawn goes through the full evaluation.
  EXPECT_EQ(Eval("QQQQQQQQ/QRRBBNNK/8/8/8/8/p7/7k b - -"), -kMaxStaticScore);
  EXPECT_EQ(Eval("qqqqqqqq/qrrbbnnk/8/8/8/8/P7/7K w - -"), -kMaxStaticScore);
}

// Every weight at an end of its range, all low, all high and mixed, on real
// and crowded positions: no packed sum leaves its int (the sanitizer build
// checks) and no half wraps into the other.
TEST_F(EvaluateTest, WeightsAtTheEndsOfTheirRanges) {
  std::vector<std::string> fens = SymmetrySuite();
  const std::string crowded[] = {"8/PPPPPPPP/8/8/8/8/8/k1K5 w - -", "QQRRBBNk/8/PPPPPPPP/8/8/8/p7/K7 b - -",
                                 "QQQQQQQQ/QRRBBNNK/8/8/8/8/p7/7k b - -"};
  for (const std::string& fen : crowded) fens.insert(fens.end(), {fen, ColourFlip(fen)});
  std::mt19937 random(1);
  for (int round = 0; round < 12; round++) {
    for (const ParamRange& r : kParamRanges)
      for (int i = r.first; i <= r.last; i++)
        Personality.f[i] = round == 1 || (round > 1 && random() % 2) ? r.lo : r.hi;
    SetEvalParams();
    for (const std::string& fen : fens) {
      const int v = Eval(fen);
      EXPECT_TRUE(v == -10000 || std::abs(v) <= kMaxStaticScore) << round << " " << fen << " " << v;
    }
    if (round == 0) {  // fifteen men at the largest values and the pair: 30 500 in both halves
      Traced(crowded[1]);
      EXPECT_EQ(PBlock.display.material[White], 15 * 2000 + 500);
    }
  }
}

TEST_F(EvaluateTest, TermsByHand) {
  // Rook h1 hemmed in by Kg1 and Ph2: pst -6/0, rmob[0] -20/-23, trapped -30/0,
  // S(-56, -23) at stage 22: (-23 * 22 - 56 * 2) / 24 = -25.
  Traced("4k3/p7/8/8/8/8/7P/6KR w - -");
  EXPECT_EQ(PBlock.display.square[Sq("h1")], -25);
  EXPECT_EQ(PBlock.display.rooks[White], -25);

  // d2/d3 doubled, backward, isolated and weak (c5 keeps them from passing):
  // S(1, 0) or S(3, 0) from the table plus S(-20, -28); at stage 20:
  // (-28 * 20 - 19 * 4) / 24 = -26 and (-28 * 20 - 17 * 4) / 24 = -26.
  Traced("r3k3/8/8/2p5/8/3P4/3P4/4K2R w - -");
  EXPECT_EQ(PBlock.display.square[Sq("d2")], -26);
  EXPECT_EQ(PBlock.display.square[Sq("d3")], -26);
  EXPECT_EQ(PBlock.display.pawns[White], -52);

  // Free passer on a6 (rank index 5): ppawn 54/85, twice half the step to
  // 90/135, unstoppable +4 * 25 as d(h8, a8) = 7 > 2, kings +3*6*7 - 2*6*7.
  Traced("7k/7p/P7/8/8/8/8/K7 w - -");
  EXPECT_EQ(PBlock.display.passers[White], 135 + 100 + 42);
  EXPECT_EQ(PBlock.display.free_pawns & SquareBit(Sq("a6")), SquareBit(Sq("a6")));
  // King on c8 is in the square: no unstoppable bonus, kings +3*6*2 - 2*6*7.
  Traced("2k5/7p/P7/8/8/8/8/K7 w - -");
  EXPECT_EQ(PBlock.display.passers[White], 135 + 36 - 84);

  // Bishop a1 with three blocked dark pawns: 3 * S(-4, -8) on top of the
  // table, one mobile square (b2) and one central square (c3).
  Traced("4k3/8/8/8/2p1p1p1/2P1P1P1/8/B3K3 w - -");
  const EvalParamsRecord& e = EvalParams;
  int32_t bishop = e.pst[2][0] + e.bmob[1] + e.bextra[1] + 3 * S(-4, -8);
  EXPECT_EQ(PBlock.display.bishops[White], Taper(bishop, PBlock.display.stage));

  // Draw scaling: KR v KB by 45, wrong rook pawns by 16, a rook up never.
  Traced("8/8/8/3k4/8/8/2R5/1b2K3 w - -");
  EXPECT_EQ(PBlock.display.draw_adj, 45 / 256.0);
  Traced("k7/8/P7/P7/1K6/8/8/4B3 w - -");
  EXPECT_EQ(PBlock.display.draw_adj, 16 / 256.0);
  Traced("4k3/4p3/8/8/8/8/4P3/R3K3 w - -");
  EXPECT_EQ(PBlock.display.draw_adj, 1.0);
}

TEST_F(EvaluateTest, ContemptFollowsTheEngineSide) {
  const char* start = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -";
  Personality.Contempt = 20;
  SetEvalParams();
  // n = 32 - 3 non-pawn units, p = min(8, 6): t = (29 + 12) * 20 / 41 = 20.
  SearchData.engine_side = White;
  EXPECT_EQ(Eval(start), 17 + 20);
  SearchData.engine_side = Black;
  EXPECT_EQ(Eval(start), 17 - 20);
  // Analysis without a clock target applies none.
  SearchData.target_time = 1e9;
  EXPECT_EQ(Eval(start), 17);
  Personality.Contempt = -20;
  SetEvalParams();
  SearchData.target_time = 10.0;
  SearchData.engine_side = White;
  EXPECT_EQ(Eval(start), 17 - 20);
}

// Cached values, at a depth and ply where the caches answer, equal fresh
// evaluations, also after the weights or the contempt change in between.
TEST_F(EvaluateTest, CachesNeverServeOtherWeights) {
  std::vector<std::string> fens = SymmetrySuite();
  // Fresh values come from a record of their own, so that td's caches keep
  // what earlier weights left in them.
  ThreadRecord* other = NewThreadRecord(1);
  ASSERT_NE(other, nullptr);
  auto check_all = [&](const char* label) {
    for (const std::string& fen : fens) {
      Set(fen, other);
      int want = EvalHere(other, 0, 1);
      Set(fen);
      EXPECT_EQ(EvalHere(td, 2, 2), want) << label << " " << fen;
      uint16_t threat[2] = {td->ply[2].threat[0], td->ply[2].threat[1]};
      EXPECT_EQ(EvalHere(td, 2, 2), want) << label << " " << fen;
      EXPECT_EQ(td->ply[2].threat[0], threat[0]) << fen;
      EXPECT_EQ(td->ply[2].threat[1], threat[1]) << fen;
      EXPECT_EQ(EvalHere(td, 1, 2), want) << label << " " << fen;
    }
  };
  uint64_t hits = td->counters[CountEvalHits], pawn_hits = td->counters[CountPawnHits];
  check_all("defaults");
  EXPECT_GT(td->counters[CountEvalHits], hits);
  EXPECT_GT(td->counters[CountPawnHits], pawn_hits);

  // Other weights: every cached entry above is stale now.
  Personality.pawn_doubled_op = -40;
  Personality.pawn_struct_scale_en = 150;
  Personality.king_safety = 180;
  Personality.rook_open_file_op = 40;
  SetEvalParams();
  check_all("changed weights");
  // Back to the defaults: their entries are good again, and still right.
  SetEvalDefaults();
  check_all("defaults again");

  Personality.Contempt = 30;
  SetEvalParams();
  SearchData.engine_side = White;
  check_all("contempt for White");
  SearchData.engine_side = Black;
  check_all("contempt for Black");
  SearchData.target_time = 7000.0;
  check_all("contempt off");
  delete other;
}

TEST_F(EvaluateTest, OnlyOneThreadTraces) {
  const char* fen = "r1bq1rk1/ppp2ppp/2n5/3np1N1/2B5/8/PPPP1PPP/RNBQK2R w KQ -";
  ThreadRecord* worker = NewThreadRecord(3);
  ASSERT_NE(worker, nullptr);
  Set(fen, worker);
  PBlock.display = EvalDisplay{};
  int v = EvalHere(worker, 0, 1, 1);
  EXPECT_EQ(PBlock.display.draw_adj, 0.0);
  EXPECT_EQ(PBlock.display.knights[White], 0);
  EXPECT_EQ(Traced(fen), v);
  EXPECT_EQ(PBlock.display.draw_adj, 1.0);
  EXPECT_NE(PBlock.display.knights[White], 0);
  delete worker;
}

}  // namespace
