// The book writer through the program: the shared games against the shared
// book and the reader, the counting rules on small PGN files, and failures.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <tuple>

#include "engine/book.h"
#include "engine/test/tempdir.h"
#include "engine/test/uci_harness.h"

using namespace harness;

namespace {

struct ToolRun {
  std::vector<std::string> lines;
  int status;
};

ToolRun MakeBook(const std::string& dir, const std::string& pgn) {
  Engine e;
  EXPECT_TRUE(Start(e, {"-mkbook", pgn}, dir));
  ToolRun r{Drain(e, 60.0), 0};
  r.status = Quit(e);
  return r;
}

std::vector<BookEntry> ReadBook(const std::string& path) {
  std::vector<BookEntry> book;
  FILE* f = std::fopen(path.c_str(), "rb");
  for (BookEntry e; f && ReadEntry(f, &e) == 0;) book.push_back(e);
  if (f) std::fclose(f);
  return book;
}

uint16_t Code(const std::string& m, int promo = 0) {
  auto sq = [&](int i) { return (m[i] - 'a') + 8 * (m[i + 1] - '1'); };
  return uint16_t(sq(2) | sq(0) << 6 | promo << 12);
}

// Key of the position after the moves from the start.
uint64_t KeyAfter(const std::string& moves) {
  Board b;
  b.Set(fen_opn);
  std::istringstream in(moves);
  for (std::string m; in >> m;) EXPECT_TRUE(b.Play(m)) << m;
  return GetHashKey(b.pos());
}

// Replays the first 40 plies of every game of the file on the game record
// and returns the position text by key.
std::map<uint64_t, std::string> PositionsOfGames(const std::string& path) {
  static Board b;
  CTD = b.td;
  std::map<uint64_t, std::string> positions;
  std::ifstream in(path);
  bool comment = false;
  for (std::string line, word; std::getline(in, line);) {
    if (line.rfind("[Result", 0) == 0) b.Set(fen_opn);
    if (line[0] == '[') continue;
    std::istringstream words(line);
    while (words >> word) {
      const bool in_comment = comment || word[0] == '{';
      comment = in_comment && word.back() != '}';
      const size_t letter = word.find_first_of("abcdefghKQRBNO");
      if (in_comment || letter == std::string::npos || CTD->game_ply >= 40) continue;
      char text[kMoveTextSize], epd[256];
      text[word.copy(text, sizeof text - 1, letter)] = 0;
      Move m;
      MakeEPD(b.pos(), epd);
      positions[GetHashKey(b.pos())] = epd;
      EXPECT_TRUE(IsValidMove(text, &m)) << text;
      MakeMove(b.pos(), m);
    }
  }
  return positions;
}

TEST(BookWriter, SharedGamesGiveEntriesOfTheSharedBook) {
  InTempDir tmp;
  const std::string pgn = KERV_SHARED_DIR "/book/games.pgn";
  const ToolRun run = MakeBook(tmp.dir, pgn);
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.lines, (std::vector<std::string>{" Creating file tmp_book.bin from games in " + pgn, "",
                                                 "writing book file ...", "ngames= 420, nmoves= 9116", "done"}));
  EXPECT_EQ(std::filesystem::file_size(tmp.dir + "/tmp_book.bin") % kBookEntrySize, 0u);
  const std::vector<BookEntry> book = ReadBook(tmp.dir + "/tmp_book.bin");
  ASSERT_EQ(book.size(), 264u);
  std::set<std::pair<uint64_t, uint16_t>> shared;
  for (const BookEntry& e : ReadBook(KERV_SHARED_DIR "/book/book.bin")) shared.insert({e.key, e.move});
  for (size_t i = 0; i < book.size(); i++) {
    EXPECT_TRUE(shared.count({book[i].key, book[i].move})) << i;
    if (i > 0) {
      EXPECT_LE(std::make_tuple(book[i - 1].key, -book[i - 1].weight), std::make_tuple(book[i].key, -book[i].weight));
    }
  }
  // 1.e4 won 91, lost 85 and drew 16 of the games.
  const uint64_t start = KeyAfter("");
  const auto first = std::find_if(book.begin(), book.end(), [&](const BookEntry& e) { return e.key == start; });
  ASSERT_NE(first, book.end());
  EXPECT_EQ(first->move, Code("e2e4"));
  EXPECT_EQ(first->weight, 4 * 91 - 2 * 85 + 16);
  // Every move is legal in a position of the games with its key.
  const std::map<uint64_t, std::string> positions = PositionsOfGames(pgn);
  for (const BookEntry& e : book) {
    ASSERT_TRUE(positions.count(e.key));
    Board b;
    b.Set(positions.at(e.key));
    std::string m = std::string(tbl[(e.move >> 6) & 63]) + tbl[e.move & 63];
    if (PieceType(b.pos()->board[(e.move >> 6) & 63]) == King && m[0] == 'e' && (m[2] == 'h' || m[2] == 'a'))
      m[2] = m[2] == 'h' ? 'g' : 'c';
    EXPECT_TRUE(b.Legal(m)) << positions.at(e.key) << " " << m;
  }
}

std::string Games(int n, const std::string& result, const std::string& moves) {
  std::string s;
  for (int i = 0; i < n; i++) s += "[Event \"t\"]\n[Result \"" + result + "\"]\n\n" + moves + " " + result + "\n\n";
  return s;
}

struct Expected {
  const char* before;  // moves from the start
  const char* move;
  int promo, weight;
};

// Builds a book from pgn, compares it whole with the entries expected and
// returns the tool's lines.
std::vector<std::string> ExpectBook(const std::string& pgn, const std::string& stats,
                                    const std::vector<Expected>& expected) {
  InTempDir tmp;
  WriteFile("g.pgn", pgn);
  const ToolRun run = MakeBook(tmp.dir, "g.pgn");
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(std::find(run.lines.begin(), run.lines.end(), stats), run.lines.end()) << stats;
  std::vector<std::tuple<uint64_t, int, uint16_t>> want, got;
  for (const Expected& e : expected) want.emplace_back(KeyAfter(e.before), -e.weight, Code(e.move, e.promo));
  std::sort(want.begin(), want.end());
  for (const BookEntry& e : ReadBook(tmp.dir + "/tmp_book.bin")) got.emplace_back(e.key, -e.weight, e.move);
  EXPECT_EQ(got, want);
  return run.lines;
}

TEST(BookWriter, CountsWinsLossesAndDrawsOfTheFirstMoves) {
  const char* castle = "1. e4 e5 2. Nf3 Nc6 3. Bc4 Bc5 4. O-O";
  const char* promote = "1. e4 d5 2. exd5 c6 3. dxc6 Nf6 4. cxb7 Nbd7 5. bxa8=Q";
  // Text before the first tags belongs to no game; Black's moves lost.
  ExpectBook("1. d4 d5 2. c4\n" + Games(3, "1-0", castle) + Games(3, "1-0", promote), "ngames= 6, nmoves= 15",
             {{"", "e2e4", 0, 24},
              {"e2e4 e7e5", "g1f3", 0, 12},
              {"e2e4 e7e5 g1f3 b8c6", "f1c4", 0, 12},
              {"e2e4 e7e5 g1f3 b8c6 f1c4 f8c5", "e1h1", 0, 12},
              {"e2e4 d7d5", "e4d5", 0, 12},
              {"e2e4 d7d5 e4d5 c7c6", "d5c6", 0, 12},
              {"e2e4 d7d5 e4d5 c7c6 d5c6 g8f6", "c6b7", 0, 12},
              {"e2e4 d7d5 e4d5 c7c6 d5c6 g8f6 c6b7 b8d7", "b7a8", 4, 12}});
  // Comments, variations, unfinished games and a game with a line too long
  // to read count nothing; three wins among a hundred losses, or two wins
  // and ten draws, keep no move.
  const std::string long_line = "1. Nf3 {" + std::string(1100, 'x') + "} d5\n2. c4";
  ExpectBook(Games(3, "*", "1. a4") + Games(3, "0-1", "1. e4 {1. d4} (1. c4 c5) e5") + Games(3, "1-0", "1. h4") +
                 Games(100, "0-1", "1. h4") + Games(2, "1-0", "1. g4") + Games(10, "1/2-1/2", "1. g4") +
                 Games(3, "1-0", long_line),
             "ngames= 124, nmoves= 4", {{"e2e4", "e7e5", 0, 12}});
  // A best raw weight of 120000 halves every weight of the position.
  const std::vector<std::string> lines = ExpectBook(Games(30000, "1-0", "1. e4") + Games(3, "1-0", "1. d4"),
                                                    "ngames= 30003, nmoves= 2", {{"", "e2e4", 0, 60000}, {"", "d2d4", 0, 6}});
  ASSERT_GT(lines.size(), 1u);
  EXPECT_EQ(lines[1], std::string(30003 / 1024, '.'));
}

TEST(BookWriter, FailuresEndWithOneLineAndStatusOne) {
  InTempDir tmp;
  WriteFile("g.pgn", Games(3, "1-0", "1. e4"));
  std::filesystem::create_directories("tmp_book.bin/x");
  ToolRun run = MakeBook(tmp.dir, "g.pgn");
  EXPECT_EQ(run.lines, (std::vector<std::string>{" Creating file tmp_book.bin from games in g.pgn", "",
                                                 "writing book file ...", "can't create tmp_book.bin"}));
  EXPECT_EQ(run.status, 1);
  run = MakeBook(tmp.dir, "missing.pgn");
  EXPECT_EQ(run.lines, std::vector<std::string>{"can't open missing.pgn"});
  EXPECT_EQ(run.status, 1);
}

}  // namespace
