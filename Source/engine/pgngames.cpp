#include "engine/pgngames.h"

#include <cctype>

#include "board/bitboard.h"
#include "board/fen.h"
#include "board/movetext.h"
#include "engine/pgnread.h"

namespace {

constexpr std::string_view kEventTag = "[Event ";

// [Name "...: what a tag line begins with.
bool LooksLikeTag(std::string_view line) {
  size_t at = 1;
  while (at < line.size() && (std::isalnum(static_cast<unsigned char>(line[at])) || line[at] == '_')) at++;
  if (at == 1) return false;
  while (at < line.size() && line[at] == ' ') at++;
  return at < line.size() && line[at] == '"';
}

bool IsTagLine(const PgnGames& g, std::string_view line, bool blank_before) {
  if (line.size() < 2 || line[0] != '[' || line[1] == '%') return false;
  if (!InPgnComment(g.skip)) return true;
  // Comment text as a rule; an unclosed brace must not hide the next games.
  return line.starts_with(kEventTag) || (blank_before && LooksLikeTag(line));
}

// Text where no game is open begins a game only when its first move is
// legal from the standard start, so that text which holds no game, as a
// binary file, counts none.
bool OpensAGame(std::string_view move) {
  static const Position start = [] {
    Position p{};
    SetPosition(&p, fen_opn);
    return p;
  }();
  char text[kMoveTextSize];
  if (move.size() >= sizeof text) return false;
  text[move.copy(text, sizeof text - 1)] = 0;
  Position p = start;
  Move m;
  return ReadMoveText(&p, text, &m) == kTextOneMove;
}

void BeginGame(PgnGames* g) {
  g->games++;
  g->open = true;
  g->event_tag = false;
}

}  // namespace

PgnLineKind ReadPgnGameLine(PgnGames* g, std::string_view line) {
  const bool blank_before = g->blank;
  g->blank = line.find_first_not_of(' ') == line.npos;
  if (!IsTagLine(*g, line, blank_before)) return PgnLineKind::MoveText;
  g->skip = PgnSkip{};
  const bool event = line.starts_with(kEventTag);
  const bool first = !g->in_tags || (event && g->event_tag);
  if (first) BeginGame(g);
  g->open = true;
  g->in_tags = true;
  g->event_tag = g->event_tag || event;
  return first ? PgnLineKind::FirstTag : PgnLineKind::Tag;
}

PgnWordKind ReadPgnGameWord(PgnGames* g, std::string_view word, std::string_view* move) {
  g->in_tags = false;
  *move = PgnMoveText(word);
  if (IsPgnResult(word)) {
    const bool ends = g->open;
    g->open = false;
    return ends ? PgnWordKind::Result : PgnWordKind::Other;
  }
  if (move->empty()) return PgnWordKind::Other;
  if (g->open) return PgnWordKind::Move;
  if (!OpensAGame(*move)) return PgnWordKind::Other;
  BeginGame(g);
  return PgnWordKind::FirstMove;
}
