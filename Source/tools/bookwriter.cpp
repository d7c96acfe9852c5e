#include "tools/bookwriter.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "board/bitboard.h"
#include "board/fen.h"
#include "board/makemove.h"
#include "board/movetext.h"
#include "engine/book.h"
#include "engine/infile.h"
#include "engine/outfile.h"
#include "engine/output.h"
#include "engine/pgngames.h"
#include "engine/pgnread.h"
#include "engine/params.h"
#include "search/records.h"

namespace {

constexpr char kBookName[] = "tmp_book.bin";
constexpr int kBuckets = 16384;
constexpr int kRecordedMoves = 36;     // per game, however its lines are wrapped
constexpr int kGamesPerDot = 1024;
// A move goes into the book when it won this often with this score at least.
constexpr uint32_t kMinWins = 3;
constexpr int kMinScore = 10;

// One position and move seen in the games, with the outcomes for the mover.
struct Node {
  uint64_t key;
  uint32_t wins, losses, draws;
  uint16_t move;  // as the book stores it
  Node* next;
};

// The first moves of a game, replayed when its result is known.
struct Game {
  int number = 0;  // 0 before the first game
  int result = PgnNoResult;  // by the Result tag, else (or for "*") by the result ending the moves
  bool set_up = false;      // a FEN tag other than the standard start
  std::vector<std::string> moves;
};

// Each bucket holds the keys with the same top 14 bits in ascending order, so
// walking the buckets in turn yields the file's order.
struct Tree {
  std::vector<Node*> bucket = std::vector<Node*>(kBuckets);
  int nodes = 0;
  bool out_of_memory = false;
  bool dots = false;  // a row of dots waits for its line end
};

// Progress is a row of dots, ended by the next line.
void ShowDot(Tree& t) {
  t.dots = true;
  std::fputc('.', stdout);
  std::fflush(stdout);
  if (Personality.Log && fdlog) {
    std::fputc('.', fdlog);
    std::fflush(fdlog);
  }
}

// Castling is stored as the king taking its own rook's square.
uint16_t MoveToBook(const Position* pos, Move m) {
  const int from = MoveFrom(m);
  int to = MoveTo(m);
  if (PieceType(pos->board[from]) == King && std::abs((to & 7) - (from & 7)) == 2)
    to = to > from ? from + 3 : from - 4;
  const int promo = (m & PromoKnight) ? 1 : (m & PromoBishop) ? 2 : (m & PromoRook) ? 3 : (m & PromoQueen) ? 4 : 0;
  return uint16_t(to | from << 6 | promo << 12);
}

// Counts one outcome for (key, move); a new node goes after the last one of
// its key, so that moves keep the order in which they were first seen.
bool Credit(Tree& t, uint64_t key, uint16_t move, int outcome) {
  Node** link = &t.bucket[key >> 50];
  Node* n = nullptr;
  for (; *link && (*link)->key <= key; link = &(*link)->next)
    if ((*link)->key == key && (*link)->move == move) n = *link;
  if (!n) {
    n = new (std::nothrow) Node{key, 0, 0, 0, move, *link};
    if (!n) return false;
    *link = n;
    t.nodes++;
  }
  uint32_t* counter[] = {&n->wins, &n->losses, &n->draws};
  ++*counter[outcome];
  return true;
}

// False when text names no move, or more than one.
bool PlayMove(Tree& t, const Game& g, const std::string& text) {
  char buf[kMoveTextSize];
  Move m;
  Position* pos = &CTD->pos;
  const uint64_t key = GetHashKey(pos);
  const bool fits = text.size() < sizeof buf;
  if (fits) buf[text.copy(buf, sizeof buf - 1)] = 0;
  if (const int reading = fits ? ReadMoveText(pos, buf, &m) : kTextNoMove; reading != kTextOneMove) {
    if (std::exchange(t.dots, false)) ShowMessage("");
    ShowRefusedMove("game", g.number, text, reading);
    return false;
  }
  const int mover = pos->side;
  const uint16_t move = MoveToBook(pos, m);
  MakeMove(pos, m);
  CTD->search_ply = 1;
  const int outcome = g.result == PgnDrawn ? 2 : g.result == mover ? 0 : 1;
  if (!Credit(t, key, move, outcome)) t.out_of_memory = true;
  return true;
}

// A book grows from finished games from the start position only.
void EndGame(Tree& t, const Game& g) {
  if (!g.number || g.result == PgnNoResult || g.set_up) return;
  SetPosition(&CTD->pos, fen_opn);
  CTD->search_ply = 1;
  for (const std::string& text : g.moves)
    if (t.out_of_memory || !PlayMove(t, g, text)) break;
}

void BeginGame(Tree& t, Game& g, int number) {
  EndGame(t, g);
  g = Game{};
  g.number = number;
  if (number % kGamesPerDot == 0) ShowDot(t);
}

// A game set up elsewhere adds nothing, however its FEN tag reads.
void ReadTag(Game& g, std::string_view line) {
  std::string_view fen;
  if (line.starts_with("[Result")) g.result = ReadPgnResult(line);
  if (!ReadPgnTag(line, "FEN", &fen)) return;
  const std::string_view start = fen_opn;
  const bool other = fen.substr(0, start.size()) != start || (fen.size() > start.size() && fen[start.size()] != ' ');
  g.set_up = g.set_up || other;
}

void ReadMoves(PgnGames& games, Tree& t, Game& g, std::string_view line) {
  PgnLine l{line, 0, {}};
  for (PgnItem i; (i = NextPgnItem(&games.skip, &l, nullptr)) != PgnItem::LineEnd;) {
    if (i != PgnItem::Word) continue;
    std::string_view move;
    const PgnWordKind kind = ReadPgnGameWord(&games, l.word, &move);
    if (kind == PgnWordKind::FirstMove) BeginGame(t, g, games.games);
    if (kind == PgnWordKind::Result && g.result == PgnNoResult) g.result = ReadPgnResult(l.word);
    if ((kind == PgnWordKind::FirstMove || kind == PgnWordKind::Move) && g.moves.size() < size_t(kRecordedMoves))
      g.moves.emplace_back(move);
  }
}

// False when memory ran out.
bool ReadGames(FILE* pgn, Tree& t, int* games) {
  PgnFile in;
  in.f = pgn;
  PgnGames found;
  Game g;
  while (!t.out_of_memory && ReadPgnLine(&in)) {
    const PgnLineKind kind = ReadPgnGameLine(&found, in.line);
    if (kind == PgnLineKind::FirstTag) BeginGame(t, g, found.games);
    if (kind == PgnLineKind::MoveText)
      ReadMoves(found, t, g, in.line);
    else
      ReadTag(g, in.line);
  }
  EndGame(t, g);
  *games = found.games;
  return !t.out_of_memory;
}

int key_compare(const BookEntry& a, const BookEntry& b) {
  if (a.key != b.key) return a.key < b.key ? -1 : 1;
  return int(b.weight) - int(a.weight);
}

bool PutEntry(FILE* f, const BookEntry& e) {
  unsigned char b[kBookEntrySize];
  for (int i = 0; i < 8; i++) b[i] = uint8_t(e.key >> (56 - 8 * i));
  b[8] = uint8_t(e.move >> 8);
  b[9] = uint8_t(e.move);
  b[10] = uint8_t(e.weight >> 8);
  b[11] = uint8_t(e.weight);
  for (int i = 0; i < 4; i++) b[12 + i] = uint8_t(e.learn >> (24 - 8 * i));
  return std::fwrite(b, 1, sizeof b, f) == sizeof b;
}

// Signed: losses may outweigh the rest.
int64_t Score(const Node* n) { return 4 * int64_t(n->wins) - 2 * int64_t(n->losses) + int64_t(n->draws); }

bool Kept(const Node* n) { return n->wins >= kMinWins && Score(n) >= kMinScore; }

bool AnyKept(const Tree& t) {
  for (const Node* head : t.bucket)
    for (const Node* n = head; n; n = n->next)
      if (Kept(n)) return true;
  return false;
}

// Writes the kept moves of the nodes of one key, starting at n, and returns
// the first node of the next key.
const Node* WriteKey(FILE* f, const Node* n, bool* ok) {
  const uint64_t key = n->key;
  std::vector<BookEntry> kept;
  std::vector<int64_t> raw;
  for (; n && n->key == key; n = n->next) {
    if (Kept(n)) {
      kept.push_back({key, n->move, 0, 0});
      raw.push_back(Score(n));
    }
  }
  if (kept.empty()) return n;
  const double factor = std::min(1.0, 60000.0 / double(*std::max_element(raw.begin(), raw.end())));
  for (size_t i = 0; i < kept.size(); i++) kept[i].weight = uint16_t(double(raw[i]) * factor);
  std::stable_sort(kept.begin(), kept.end(),
                   [](const BookEntry& a, const BookEntry& b) { return key_compare(a, b) < 0; });
  for (const BookEntry& e : kept) *ok = PutEntry(f, e) && *ok;
  return n;
}

bool WriteBook(FILE* f, const Tree& t) {
  bool ok = true;
  for (const Node* head : t.bucket)
    for (const Node* n = head; n && ok;) n = WriteKey(f, n, &ok);
  return ok;
}

void FreeNodes(Tree& t) {
  for (Node* n : t.bucket)
    while (n) {
      Node* next = n->next;
      delete n;
      n = next;
    }
}

int WriteBookFile(Tree& t, int games) {
  ShowMessage("writing book file ...");
  std::remove(kBookName);
  FILE* f = std::fopen(kBookName, "wb");
  if (!f) {
    ShowFormatted("can't create %s", kBookName);
    return 1;
  }
  const bool written = WriteBook(f, t);
  if (std::fclose(f) != 0 || !written) {
    ShowFormatted("can't write %s", kBookName);
    return 1;
  }
  char line[64];
  std::snprintf(line, sizeof line, "ngames= %d, nmoves= %d", games, t.nodes);
  ShowMessage(line);
  ShowMessage("done");
  return 0;
}

}  // namespace

int PG_CreateBook() {
  if (OutputIsInput(PBlock.game_file, {kBookName})) return 1;
  FILE* pgn = OpenInput(PBlock.game_file);
  if (!pgn) return 1;
  ShowFormatted(" Creating file tmp_book.bin from games in %s", PBlock.game_file);
  Tree t;
  int games = 0;
  const bool read = ReadGames(pgn, t, &games);
  std::fclose(pgn);
  ShowMessage("");
  int status = 1;
  if (!read)
    ShowFormatted("out of memory, %s not written", kBookName);
  else if (!AnyKept(t))
    // A book of nothing would only replace a book that was there.
    ShowFormatted("no move of the %d games won %u times with 4 x wins - 2 x losses + draws of %d or more: "
                  "%s would be empty, not written", games, kMinWins, kMinScore, kBookName);
  else
    status = WriteBookFile(t, games);
  FreeNodes(t);
  return status;
}
