// The book writer through the program: the games file against the reference book and the reader,
// the counting rules on small game files, and failures.
#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "engine/book.h"
#include "engine/test/tempdir.h"
#include "engine/test/uci_harness.h"

using namespace harness;
using Lines = std::vector<std::string>;

namespace {

// The tool's lines and exit status.
std::pair<Lines, int> MakeBook(const std::string& dir, const std::string& pgn) {
  Engine e;
  EXPECT_TRUE(Start(e, {"-mkbook", pgn}, dir));
  Lines lines = Drain(e, 60.0);
  return {lines, Quit(e)};
}

// (key, -weight, move) of every entry, in file order.
std::vector<std::tuple<uint64_t, int, uint16_t>> ReadBook(const std::string& path) {
  std::vector<std::tuple<uint64_t, int, uint16_t>> book;
  FILE* f = std::fopen(path.c_str(), "rb");
  for (BookEntry e; f && ReadEntry(f, &e) == 0;) book.emplace_back(e.key, -e.weight, e.move);
  if (f) std::fclose(f);
  return book;
}

std::string Games(int n, const std::string& result, const std::string& moves) {
  std::string s;
  for (int i = 0; i < n; i++) s += "[Event \"t\"]\n[Result \"" + result + "\"]\n\n" + moves + " " + result + "\n\n";
  return s;
}

TEST(BookWriter, SharedGamesGiveEntriesOfTheSharedBook) {
  InTempDir tmp;
  const std::string pgn = KERV_TESTDATA_DIR "/book/games.pgn";
  EXPECT_EQ(MakeBook(tmp.dir, pgn), std::make_pair(Lines{" Creating file tmp_book.bin from games in " + pgn, "",
                                                         "writing book file ...", "ngames= 420, nmoves= 8278", "done"}, 0));
  const auto book = ReadBook("tmp_book.bin");
  ASSERT_EQ(book.size() * kBookEntrySize, std::filesystem::file_size("tmp_book.bin"));
  EXPECT_EQ(book.size(), 264u);
  EXPECT_TRUE(std::is_sorted(book.begin(), book.end(), [](auto& x, auto& y) {
    return std::make_pair(std::get<0>(x), std::get<1>(x)) < std::make_pair(std::get<0>(y), std::get<1>(y));
  }));
  // 1.e4 won 91, lost 85 and drew 16 games; the reference book holds every key and move.
  const auto start = std::make_tuple(0x463B96181691FC9CULL, -(4 * 91 - 2 * 85 + 16), uint16_t(12 * 64 + 28));
  EXPECT_EQ(*std::lower_bound(book.begin(), book.end(), std::make_tuple(std::get<0>(start), INT_MIN, 0)), start);
  std::set<std::pair<uint64_t, uint16_t>> shared;
  for (const auto& [key, weight, move] : ReadBook(KERV_TESTDATA_DIR "/book/book.bin")) shared.insert({key, move});
  for (const auto& [key, weight, move] : book) EXPECT_TRUE(shared.count({key, move})) << key;

  // Replay the games' first 40 plies: every entry's move is legal where its key arose.
  static Board b;
  CTD = b.td;
  std::map<uint64_t, std::string> positions;
  std::ifstream in(pgn);
  bool comment = false;
  for (std::string line, word; std::getline(in, line);) {
    if (line.rfind("[Result", 0) == 0) b.Set(fen_opn);
    for (std::istringstream words(line[0] == '[' ? "" : line); words >> word;) {
      const bool skip = comment || word[0] == '{';
      comment = skip && word.back() != '}';
      const size_t letter = word.find_first_of("abcdefghKQRBNO");
      if (skip || letter == std::string::npos || CTD->game_ply >= 40) continue;
      char text[kMoveTextSize], epd[256];
      text[word.copy(text, sizeof text - 1, letter)] = 0;
      MakeEPD(b.pos(), epd);
      positions[GetHashKey(b.pos())] = epd;
      Move m;
      ASSERT_TRUE(IsValidMove(text, &m)) << text;
      MakeMove(b.pos(), m);
    }
  }
  for (const auto& [key, weight, move] : book) {
    ASSERT_TRUE(b.Set(positions[key]));
    std::string m = std::string(tbl[move >> 6 & 63]) + tbl[move & 63];
    if (PieceType(b.pos()->board[move >> 6 & 63]) == King && (m[2] == 'h' || m[2] == 'a') && m[0] == 'e')
      m[2] = m[2] == 'h' ? 'g' : 'c';
    EXPECT_TRUE(b.Legal(m)) << positions[key] << " " << m;
  }
  // The reader plays from it.
  CopyText(Personality.OwnBook_File, kPathSize, "tmp_book.bin");
  b.Set(fen_opn);
  EXPECT_TRUE(IsLegalMove(b.pos(), PG_GetBookMove(b.pos())));
}

// Builds a book from pgn: its statistics line, its entries (moves from the start, book move, weight) and its lines.
Lines ExpectBook(const std::string& pgn, const std::string& stats, const std::vector<std::tuple<const char*, const char*, int>>& expected) {
  InTempDir tmp;
  WriteFile("g.pgn", pgn);
  const auto [lines, status] = MakeBook(tmp.dir, "g.pgn");
  EXPECT_EQ(status, 0);
  EXPECT_NE(std::find(lines.begin(), lines.end(), stats), lines.end()) << stats;
  std::vector<std::tuple<uint64_t, int, uint16_t>> want;
  for (const auto& [before, m, weight] : expected) {
    Board b;
    b.Set(fen_opn);
    std::istringstream in(before);
    for (std::string played; in >> played;) b.Play(played);
    const int promo = m[4] ? 4 : 0;
    want.emplace_back(GetHashKey(b.pos()), -weight, (m[2] - 'a') + 8 * (m[3] - '1') + 64 * ((m[0] - 'a') + 8 * (m[1] - '1')) + (promo << 12));
  }
  std::sort(want.begin(), want.end());
  EXPECT_EQ(ReadBook("tmp_book.bin"), want);
  return lines;
}

TEST(BookWriter, CountsWinsLossesAndDrawsOfTheFirstMoves) {
  // Moves before the first tags are a game without a result, which adds nothing; Black's moves lost;
  // castling and a queen promotion.
  ExpectBook("1. d4 d5 2. c4\n" + Games(3, "1-0", "1. e4 e5 2. Nf3 Nc6 3. Bc4 Bc5 4. O-O") +
                 Games(3, "1-0", "1. e4 d5 2. exd5 c6 3. dxc6 Nf6 4. cxb7 Nbd7 5. bxa8=Q"),
             "ngames= 7, nmoves= 15",
             {{"", "e2e4", 24}, {"e2e4 e7e5", "g1f3", 12}, {"e2e4 e7e5 g1f3 b8c6", "f1c4", 12},
              {"e2e4 e7e5 g1f3 b8c6 f1c4 f8c5", "e1h1", 12}, {"e2e4 d7d5", "e4d5", 12}, {"e2e4 d7d5 e4d5 c7c6", "d5c6", 12},
              {"e2e4 d7d5 e4d5 c7c6 d5c6 g8f6", "c6b7", 12}, {"e2e4 d7d5 e4d5 c7c6 d5c6 g8f6 c6b7 b8d7", "b7a8q", 12}});
  // Comments (which may hold parentheses), variations, ';' comments, '%' lines and unfinished games
  // count nothing, and a long comment does not hide the moves on its line;
  // three wins among a hundred losses, or two wins and ten draws, keep no move.
  ExpectBook(Games(3, "*", "1. a4") + Games(3, "0-1", "1. e4 {1. d4} (1. c4 c5) e5") + Games(3, "1-0", "1. h4") +
                 Games(3, "0-1", "1. d4 {a (note} d5 ; (\n% (\n2. c4 (2. Nf3 {b) c} ; )\n) e6") +
                 Games(100, "0-1", "1. h4") + Games(2, "1-0", "1. g4") + Games(10, "1/2-1/2", "1. g4") +
                 Games(3, "1-0", "1. Nf3 {" + std::string(1100, 'x') + "} d5\n2. c4"),
             "ngames= 127, nmoves= 11",
             {{"e2e4", "e7e5", 12}, {"d2d4", "d7d5", 12}, {"d2d4 d7d5 c2c4", "e7e6", 12}, {"", "g1f3", 12},
              {"g1f3 d7d5", "c2c4", 12}});
  // A best raw weight of 120000 halves every weight of the position; a dot every 1024 games.
  const Lines lines = ExpectBook(Games(30000, "1-0", "1. e4") + Games(3, "1-0", "1. d4"), "ngames= 30003, nmoves= 2",
                                 {{"", "e2e4", 60000}, {"", "d2d4", 6}});
  EXPECT_EQ(lines.at(1), std::string(29, '.'));
}

TEST(BookWriter, FailuresEndWithOneLineAndStatusOne) {
  InTempDir tmp;
  WriteFile("g.pgn", Games(3, "1-0", "1. e4"));
  std::filesystem::create_directories("tmp_book.bin/x");
  EXPECT_EQ(MakeBook(tmp.dir, "g.pgn"), std::make_pair(Lines{" Creating file tmp_book.bin from games in g.pgn", "",
                                                             "writing book file ...", "can't create tmp_book.bin"}, 1));
  EXPECT_EQ(MakeBook(tmp.dir, "missing.pgn"), std::make_pair(Lines{"can't open missing.pgn"}, 1));
  // Games where no move wins thrice make no book, and the one there stays.
  std::filesystem::remove_all("tmp_book.bin");
  WriteFile("tmp_book.bin", "an older book");
  WriteFile("g.pgn", Games(5, "1/2-1/2", "1. e4") + Games(2, "1-0", "1. d4"));
  EXPECT_EQ(MakeBook(tmp.dir, "g.pgn"),
            std::make_pair(Lines{" Creating file tmp_book.bin from games in g.pgn", "",
                                 "no move of the 7 games won 3 times with 4 x wins - 2 x losses + draws of 10 or "
                                 "more: tmp_book.bin would be empty, not written"},
                           1));
  EXPECT_EQ(ReadFile("tmp_book.bin"), "an older book");
}

}  // namespace
