// The opening-book reader: published keys, crafted and hostile books, and the
// shared book through the engine's pipes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <sstream>

#include "engine/book.h"
#include "tempdir.h"
#include "uci_harness.h"

using namespace harness;

namespace {

constexpr uint64_t kStartKey = 0x463B96181691FC9CULL;

int Sq(const char* s) { return (s[0] - 'a') + 8 * (s[1] - '1'); }
uint16_t Code(const char* m, int promo = 0) { return uint16_t(Sq(m + 2) | Sq(m) << 6 | promo << 12); }

struct Raw {
  uint64_t key;
  uint16_t move, weight;
};

std::string Bytes(const std::vector<Raw>& entries) {
  std::string s;
  for (const Raw& e : entries) {
    for (int i = 7; i >= 0; i--) s += char(e.key >> (8 * i));
    s += {char(e.move >> 8), char(e.move), char(e.weight >> 8), char(e.weight), 0, 0, 0, 0};
  }
  return s;
}

// The start position's move from OwnBook_File, and what was printed.
std::string Draw(std::string* out = nullptr, int protocol = 1) {
  static Board b;
  b.Set(fen_opn);
  PBlock.protocol = uint16_t(protocol);
  ::testing::internal::CaptureStdout();
  const Move m = PG_GetBookMove(b.pos());
  const std::string printed = ::testing::internal::GetCapturedStdout();
  if (out) *out = printed;
  EXPECT_TRUE(!m || IsLegalMove(b.pos(), m)) << m;
  char text[kMoveTextSize];
  return m ? MoveToStr(m, text) : "";
}

std::string Probe(const std::string& bytes, std::string* out = nullptr, int protocol = 1, bool write = true) {
  InTempDir tmp;
  if (write) WriteFile("b.bin", bytes);
  CopyText(Personality.OwnBook_File, kPathSize, "b.bin");
  return Draw(out, protocol);
}

TEST(BookReader, PublishedCheckKeys) {
  const struct {
    const char* moves;
    uint64_t key;
  } cases[] = {
      {"", kStartKey},
      {"e2e4", 0x823c9b50fd114196},  // e3 is set, but no black pawn can take there
      {"e2e4 d7d5", 0x0756b94461c50fb0},
      {"e2e4 d7d5 e4e5", 0x662fafb965db29d4},
      {"e2e4 d7d5 e4e5 f7f5", 0x22a48b5a8e47ff78},
      {"e2e4 d7d5 e4e5 f7f5 e1e2", 0x652a607ca3f242c1},
      {"e2e4 d7d5 e4e5 f7f5 e1e2 e8f7", 0x00fdd303c946bdd9},
      {"a2a4 b7b5 h2h4 b5b4 c2c4", 0x3c8123ea7b067637},
      {"a2a4 b7b5 h2h4 b5b4 c2c4 b4c3 a1a3", 0x5c3f9b829b279560},
  };
  for (const auto& c : cases) {
    Board b;
    b.Set(fen_opn);
    std::istringstream in(c.moves);
    for (std::string m; in >> m;) ASSERT_TRUE(b.Play(m)) << m;
    EXPECT_EQ(GetHashKey(b.pos()), c.key) << c.moves;
  }
}

TEST(BookReader, ListsOnlyLegalMovesAndSurvivesHostileFiles) {
  Personality.OwnBook_Variety = 25;
  std::vector<Raw> capped(200, {kStartKey, Code("e2e4"), 1});
  capped.push_back({kStartKey, Code("d2d4"), 60000});
  std::string listed128 = "info string ( book moves are: ";
  for (int i = 0; i < 128; i++) listed128 += "e2e4 ";
  const struct {
    std::string bytes, move, printed;
  } cases[] = {
      {Bytes({{kStartKey, Code("g1f3"), 7}}), "g1f3", "info string ( book moves are: g1f3  )\n"},
      // Not a move here, a promotion code that names no piece, castling without the right.
      {Bytes({{kStartKey, Code("e2e5"), 9}, {kStartKey, Code("e2e4", 5), 9}, {kStartKey, Code("e1h1"), 9},
              {kStartKey, Code("d2d4"), 1}}),
       "d2d4", "info string ( book moves are: d2d4  )\n"},
      {Bytes({{kStartKey, Code("e2e5"), 9}}), "", ""},
      {Bytes(capped), "e2e4", listed128 + " )\n"},
      {Bytes({{kStartKey, Code("c2c4"), 1}}) + "trunc", "c2c4", "info string ( book moves are: c2c4  )\n"},
      {Bytes({{kStartKey, Code("c2c4"), 1}}).substr(0, 15), "", ""},
      {"", "", ""},
  };
  for (const auto& c : cases) {
    std::string printed;
    EXPECT_EQ(Probe(c.bytes, &printed), c.move);
    EXPECT_EQ(printed, c.printed);
  }
  EXPECT_EQ(Probe("", nullptr, 1, false), "");

  // The key at every place of the file, among smaller and larger ones.
  for (int before : {0, 1, 2, 7, 300})
    for (int after : {0, 1, 300}) {
      std::vector<Raw> book;
      for (int i = before; i > 0; i--) book.push_back({kStartKey - i, Code("e2e4"), 1});
      book.push_back({kStartKey, Code("b1c3"), 1});
      for (int i = 1; i <= after; i++) book.push_back({kStartKey + i, Code("e2e4"), 1});
      EXPECT_EQ(Probe(Bytes(book)), "b1c3") << before << " " << after;
    }

  // Random books whose keys all match: whatever they hold, at most one line
  // and never an illegal move (Probe checks).
  std::mt19937 rng(13);
  for (int i = 0; i < 200; i++) {
    std::vector<Raw> book(1 + rng() % 40);
    for (Raw& e : book) e = {kStartKey, uint16_t(rng()), uint16_t(rng() % 4)};
    std::string printed;
    Probe(Bytes(book), &printed);
    EXPECT_LE(std::count(printed.begin(), printed.end(), '\n'), 1);
  }
}

TEST(BookReader, VarietyShapesTheChoice) {
  std::string printed;
  Personality.OwnBook_Variety = 25;
  Probe(Bytes({{kStartKey, Code("e2e4"), 3}, {kStartKey, Code("d2d4"), 1}}), &printed, 0);
  EXPECT_EQ(printed.substr(0, printed.find("selecting")),
            "  e2e4  cnt=     3, weight= 75.00% -> 75.00%\n"
            "  d2d4  cnt=     1, weight= 25.00% -> 25.00%\n");
  // Share of the first move over many draws with a fixed seed; the draw's k
  // is near uniform on 0..999, which gives the expected shares.
  const struct {
    int variety, w0, w1;
    double share;
  } cases[] = {{25, 3, 1, 0.751}, {100, 300, 100, 0.618}, {0, 100, 20, 1.0}, {0, 100, 30, 0.938}};
  for (const auto& c : cases) {
    Personality.OwnBook_Variety = int16_t(c.variety);
    InTempDir tmp;
    WriteFile("b.bin", Bytes({{kStartKey, Code("e2e4"), uint16_t(c.w0)}, {kStartKey, Code("d2d4"), uint16_t(c.w1)}}));
    CopyText(Personality.OwnBook_File, kPathSize, "b.bin");
    std::srand(2024);
    int first = 0;
    const int draws = 4000;
    for (int i = 0; i < draws; i++) first += Draw() == "e2e4";
    EXPECT_NEAR(double(first) / draws, c.share, c.share == 1.0 ? 0.0 : 0.02) << c.variety;
  }
  Personality.OwnBook_Variety = 25;
}

// Lines from "go" through "bestmove".
std::vector<std::string> Go(Engine& e, const std::string& position) {
  Send(e, position);
  Send(e, "go depth 4");
  std::vector<std::string> lines;
  EXPECT_TRUE(WaitFor(e, "bestmove", 30.0, nullptr, &lines)) << Tail(e);
  return lines;
}

TEST(BookPipe, SharedBookAnswersThenTheSearchTakesOver) {
  InTempDir tmp;
  Engine e;
  ASSERT_TRUE(Start(e, {}, tmp.dir));
  ASSERT_TRUE(WaitFor(e, "info string et=", 10.0));
  Send(e, "setoption name OwnBook value true");
  Send(e, "setoption name OwnBook_File value " KERV_SHARED_DIR "/book/book.bin");
  ASSERT_TRUE(WaitFor(e, "info string OwnBook_File set to", 10.0));
  std::vector<std::string> lines = Go(e, "position startpos");
  ASSERT_EQ(lines.size(), 3u) << Tail(e);
  EXPECT_EQ(lines[0], "info string ( book moves are: e2e4 d2d4 c2c4 g1f3 g2g3  )");
  const std::string move = Field(lines[2], "bestmove");
  EXPECT_EQ(lines[1], "info string book move is " + move);
  EXPECT_NE(lines[0].find(" " + move + " "), std::string::npos);

  lines = Go(e, "position startpos moves e2e4 e7e5");  // the book answers below OwnBook_Depth 3
  EXPECT_EQ(lines[0], "info string ( book moves are: g1f3 f2f4  )");
  Send(e, "setoption name OwnBook_Depth value 2");
  ASSERT_TRUE(WaitFor(e, "info string OwnBook_Depth set to 2", 10.0));
  for (const char* position : {"position startpos moves e2e4 e7e5", "position startpos moves a2a3 h7h6"}) {
    lines = Go(e, position);
    for (const std::string& l : lines) EXPECT_EQ(l.find("book"), std::string::npos) << l;
    EXPECT_EQ(Field(lines[0], "depth"), "1") << lines[0];
    Board b;
    b.Set(fen_opn);
    std::istringstream in(std::string(position).substr(24));
    for (std::string m; in >> m;) b.Play(m);
    EXPECT_TRUE(b.Legal(Field(lines.back(), "bestmove")));
  }
  EXPECT_EQ(Quit(e), 0);
}

}  // namespace
