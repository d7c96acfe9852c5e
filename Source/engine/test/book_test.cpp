// The book reader: published keys, crafted and hostile books, the reference book through the pipes.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <random>
#include <sstream>

#include "engine/book.h"
#include "engine/random64.h"
#include "tempdir.h"
#include "uci_harness.h"

using namespace harness;

namespace {

constexpr uint64_t kStart = 0x463B96181691FC9CULL;

struct Raw {
  uint64_t key;
  std::string move;
  int weight, promo = 0;
};

std::string Bytes(const std::vector<Raw>& entries) {
  std::string s;
  for (const Raw& e : entries) {
    const int code = (e.move[2] - 'a') + 8 * (e.move[3] - '1') + 64 * ((e.move[0] - 'a') + 8 * (e.move[1] - '1'));
    for (int i = 7; i >= 0; i--) s += char(e.key >> (8 * i));
    s += {char(e.promo << 4 | code >> 8), char(code), char(e.weight >> 8), char(e.weight), 0, 0, 0, 0};
  }
  return s;
}

// The start position's move from OwnBook_File ("" for none), checked legal, and what was printed.
std::string Draw(std::string* printed = nullptr, int protocol = 1) {
  static Board b;
  b.Set(fen_opn);
  PBlock.protocol = uint16_t(protocol);
  ::testing::internal::CaptureStdout();
  const Move m = PG_GetBookMove(b.pos());
  const std::string out = ::testing::internal::GetCapturedStdout();
  if (printed) *printed = out;
  EXPECT_TRUE(!m || IsLegalMove(b.pos(), m)) << m;
  char text[kMoveTextSize];
  return m ? MoveToStr(m, text) : "";
}

std::string Probe(const std::string& bytes, std::string* printed = nullptr, int protocol = 1) {
  InTempDir tmp;
  WriteFile("b.bin", bytes);
  CopyText(Personality.OwnBook_File, kPathSize, "b.bin");
  return Draw(printed, protocol);
}

TEST(BookReader, PublishedCheckKeys) {
  const std::pair<const char*, uint64_t> cases[] = {
      {"", kStart}, {"e2e4", 0x823c9b50fd114196},  // e3 is set, but no black pawn can take there
      {"e2e4 d7d5", 0x0756b94461c50fb0}, {"e2e4 d7d5 e4e5", 0x662fafb965db29d4},
      {"e2e4 d7d5 e4e5 f7f5", 0x22a48b5a8e47ff78}, {"e2e4 d7d5 e4e5 f7f5 e1e2", 0x652a607ca3f242c1},
      {"e2e4 d7d5 e4e5 f7f5 e1e2 e8f7", 0x00fdd303c946bdd9}, {"a2a4 b7b5 h2h4 b5b4 c2c4", 0x3c8123ea7b067637},
      {"a2a4 b7b5 h2h4 b5b4 c2c4 b4c3 a1a3", 0x5c3f9b829b279560}};
  for (const auto& [moves, key] : cases) {
    Board b;
    b.Set(fen_opn);
    std::istringstream in(moves);
    for (std::string m; in >> m;) ASSERT_TRUE(b.Play(m)) << m;
    EXPECT_EQ(GetHashKey(b.pos()), key) << moves;
  }
  // The compiled constants are the published list, every one in its place.
  std::ifstream list(KERV_TESTDATA_DIR "/polyglot/random64.txt");
  size_t n = 0;
  for (std::string line; std::getline(list, line);)
    if (line.rfind("0x", 0) == 0) {
      ASSERT_LT(n, Random64.size());
      EXPECT_EQ(Random64[n], std::stoull(line, nullptr, 16)) << n;
      n++;
    }
  EXPECT_EQ(n, Random64.size());
}

TEST(BookReader, ListsOnlyLegalMovesAndSurvivesHostileFiles) {
  Personality.OwnBook_Variety = 25;
  const std::string one = Bytes({{kStart, "c2c4", 1}});
  const std::tuple<std::string, std::string, std::string> cases[] = {
      // Not a move here, a promotion code naming no piece, castling without the right.
      {Bytes({{kStart, "e2e5", 9}, {kStart, "e2e4", 9, 5}, {kStart, "e1h1", 9}, {kStart, "d2d4", 1}}), "d2d4",
       "info string ( book moves are: d2d4  )\n"},
      {Bytes({{kStart, "e2e5", 9}}), "", ""},
      {one + "trunc", "c2c4", "info string ( book moves are: c2c4  )\n"},
      {one.substr(0, 15), "", ""},
      {"", "", ""}};
  for (const auto& [bytes, move, listed] : cases) {
    std::string printed;
    EXPECT_EQ(Probe(bytes, &printed), move);
    EXPECT_EQ(printed, listed);
  }
  CopyText(Personality.OwnBook_File, kPathSize, "/nonexistent/b.bin");
  EXPECT_EQ(Draw(), "");
  // The position's entries at each place of the file, among smaller and larger keys.
  for (int before : {0, 1, 2, 7, 300})
    for (int after : {0, 1, 300}) {
      std::vector<Raw> book;
      for (int i = -before; i <= after; i++) book.push_back({kStart + i, i ? "e2e4" : "b1c3", 1});
      EXPECT_EQ(Probe(Bytes(book)), "b1c3") << before << " " << after;
    }
  // Random moves under the right key: at most one line and never an illegal move.
  std::mt19937 rng(13);
  auto square = [&] { return std::string{char('a' + rng() % 8), char('1' + rng() % 8)}; };
  for (int i = 0; i < 200; i++) {
    std::vector<Raw> book;
    for (int n = 1 + rng() % 40; n > 0; n--) book.push_back({kStart, square() + square(), int(rng() % 4), int(rng() % 8)});
    std::string printed;
    Probe(Bytes(book), &printed);
    EXPECT_LE(std::count(printed.begin(), printed.end(), '\n'), 1);
  }
}

TEST(BookReader, VarietyShapesTheChoice) {
  Personality.OwnBook_Variety = 25;
  std::string printed;
  Probe(Bytes({{kStart, "e2e4", 3}, {kStart, "d2d4", 1}}), &printed, 0);
  EXPECT_EQ(printed.substr(0, printed.find("selecting")),
            "  e2e4  cnt=     3, weight= 75.00% -> 75.00%\n  d2d4  cnt=     1, weight= 25.00% -> 25.00%\n");
  // Share of the first move over 4000 draws with a fixed seed; the draw's k
  // (0..999) is near uniform, which gives the shares expected.
  const std::tuple<int, int, int, double> cases[] = {{25, 3, 1, 0.751}, {100, 300, 100, 0.618}, {0, 100, 20, 1.0}, {0, 100, 30, 0.938}};
  for (const auto& [variety, w0, w1, share] : cases) {
    Personality.OwnBook_Variety = int16_t(variety);
    InTempDir tmp;
    WriteFile("b.bin", Bytes({{kStart, "e2e4", w0}, {kStart, "d2d4", w1}}));
    CopyText(Personality.OwnBook_File, kPathSize, "b.bin");
    std::srand(2024);
    int first = 0;
    for (int i = 0; i < 4000; i++) first += Draw() == "e2e4";
    EXPECT_NEAR(first / 4000.0, share, share == 1.0 ? 0.0 : 0.02) << variety;
  }
  Personality.OwnBook_Variety = 25;
}

TEST(BookPipe, SharedBookAnswersThenTheSearchTakesOver) {
  InTempDir tmp;
  Engine e;
  ASSERT_TRUE(Start(e, {}, tmp.dir));
  // GUIs pad option values; the padding is no part of the file name.
  Send(e, "setoption name OwnBook value true\nsetoption name OwnBook_Depth value 2\n"
          "setoption name OwnBook_File value " KERV_TESTDATA_DIR "/book/book.bin \t ");
  std::string echo;
  ASSERT_TRUE(WaitFor(e, "info string OwnBook_File set to", 10.0, &echo));
  EXPECT_EQ(echo, "info string OwnBook_File set to '" KERV_TESTDATA_DIR "/book/book.bin'");
  // In the book; at ply 2, no longer below OwnBook_Depth; not in the book.
  for (const char* moves : {"", "e2e4 e7e5", "a2a3 h7h6"}) {
    std::vector<std::string> lines;
    Send(e, std::string("position startpos moves ") + moves + "\ngo depth 3");
    ASSERT_TRUE(WaitFor(e, "bestmove", 30.0, nullptr, &lines)) << Tail(e);
    const std::string best = Field(lines.back(), "bestmove");
    if (*moves) {
      EXPECT_EQ(lines[0].rfind("info depth 1 ", 0), 0u) << lines[0];
      continue;
    }
    EXPECT_EQ(lines, (std::vector<std::string>{"info string ( book moves are: e2e4 d2d4 c2c4 g1f3 g2g3  )",
                                                "info string book move is " + best, "bestmove " + best}));
    EXPECT_NE(lines[0].find(" " + best + " "), std::string::npos);
  }
  EXPECT_EQ(Quit(e), 0);
}

}  // namespace
