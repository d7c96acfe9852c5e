#include <fstream>
#include <string>
#include <vector>

#include "board/perft.h"
#include "board_fixture.h"

namespace {

struct PerftCase {
  std::string fen;
  int depth;
  uint64_t nodes;
};

std::vector<PerftCase> ReadSuite() {
  std::vector<PerftCase> cases;
  std::ifstream in(KERV_TESTDATA_DIR "/perft/perft-suite.txt");
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    const size_t a = line.find(';'), b = line.find(';', a + 1);
    cases.push_back({line.substr(0, a), std::stoi(line.substr(a + 1, b - a - 1)), std::stoull(line.substr(b + 1))});
  }
  return cases;
}

uint64_t Perft(ThreadRecord* td, int depth) {
  td->counters[CountNodes] = 0;
  Perft1(td, td->pos.side, 1, depth);
  return td->counters[CountNodes].load();
}

class PerftSuite : public BoardTest, public ::testing::WithParamInterface<PerftCase> {};

TEST_P(PerftSuite, MatchesReferenceCount) {
  Set(GetParam().fen.c_str());
  EXPECT_EQ(Perft(td, GetParam().depth), GetParam().nodes) << GetParam().fen;
  EXPECT_EQ(td->game_ply, 0);
  EXPECT_EQ(td->search_ply, 1);
}

void PrintTo(const PerftCase& c, std::ostream* os) { *os << c.fen << " depth " << c.depth; }

INSTANTIATE_TEST_SUITE_P(Shared, PerftSuite, ::testing::ValuesIn(ReadSuite()),
                         [](const ::testing::TestParamInfo<PerftCase>& info) {
                           return "Line" + std::to_string(info.index + 2);
                         });

TEST(PerftSuiteFile, IsPresent) { EXPECT_EQ(ReadSuite().size(), 61u); }

using PerftTest = BoardTest;

TEST_F(PerftTest, StartPositionByDepth) {
  Set(fen_opn);
  const uint64_t expected[] = {1, 20, 400, 8902, 197281, 4865609};
  for (int depth = 0; depth <= 5; depth++) EXPECT_EQ(Perft(td, depth), expected[depth]) << depth;
}

TEST_F(PerftTest, MateAndStalemateCountNothing) {
  Set("rnb1kbnr/pppp1ppp/8/4p3/6Pq/5P2/PPPPP2P/RNBQKBNR w KQkq -");
  for (int depth = 1; depth <= 3; depth++) EXPECT_EQ(Perft(td, depth), 0u);
  Set("7k/5Q2/6K1/8/8/8/8/8 b - -");
  for (int depth = 1; depth <= 3; depth++) EXPECT_EQ(Perft(td, depth), 0u);
}

TEST_F(PerftTest, PliesPastTheRecordsCountNothing) {
  Set(fen_opn);
  td->search_ply = kMaxPly - 2;
  Perft1(td, White, kMaxPly - 2, 2);
  EXPECT_EQ(td->counters[CountNodes].load(), 0u);
}

}  // namespace
