#include "engine/pgnread.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <iterator>

#include "board/movetext.h"
#include "engine/output.h"

namespace {

void CleanLine(std::string* line) {
  const auto control = [](char c) { return static_cast<unsigned char>(c) < ' '; };
  auto out = std::find_if(line->begin(), line->end(), control);
  for (auto c = out; c != line->end(); ++c) {
    if (*c == '\t')
      *out++ = ' ';
    else if (!control(*c))
      *out++ = *c;
  }
  line->erase(out, line->end());
}

bool IsLetter(char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0; }

// Whether text begins with a square's name.
bool IsSquare(std::string_view text) { return text[0] >= 'a' && text[0] <= 'h' && text[1] >= '1' && text[1] <= '8'; }

void DropMarks(std::string_view* move) {
  while (!move->empty() && std::strchr("!?#", move->back())) move->remove_suffix(1);
}

constexpr size_t kShownMoveSize = 32;  // of a refused move's text

// Some programs mark an en-passant capture after the move, glued or apart.
constexpr std::string_view kEnPassantSuffixes[] = {"e.p.", "ep"};

// How programs write a null move. None is a move of the game, yet read past
// it would hand the next move to the wrong side: it stays the move text, so
// that the game ends there as at any move that cannot be read.
constexpr std::string_view kNullMoves[] = {"--", "0000", "Z0", "@@@@"};

// Without a move number glued before it (12. or 12...).
std::string_view AfterMoveNumber(std::string_view word) {
  const size_t digits = std::min(word.find_first_not_of("0123456789"), word.size());
  const size_t dots = std::min(word.find_first_not_of('.', digits), word.size());
  return digits && dots > digits ? word.substr(dots) : word;
}

bool IsNullMove(std::string_view move) {
  DropMarks(&move);
  return std::find(std::begin(kNullMoves), std::end(kNullMoves), move) != std::end(kNullMoves);
}

void DropEnPassant(std::string_view* move) {
  for (const std::string_view suffix : kEnPassantSuffixes)
    if (move->ends_with(suffix)) {
      move->remove_suffix(suffix.size());
      return;
    }
}

}  // namespace

bool ReadPgnLine(PgnFile* in) {
  const bool read = ReadWholeLine(in);
  CleanLine(&in->line);
  return read;
}

void AddComment(std::string* comment, std::string_view text) {
  if (comment) comment->append(text.substr(0, kPgnCommentSize - std::min(comment->size(), kPgnCommentSize)));
}

PgnItem NextPgnItem(PgnSkip* s, PgnLine* l, std::string* comment) {
  const size_t n = l->text.size();
  while (l->at < n) {
    const std::string_view rest = l->text.substr(l->at);
    PgnPart part;
    size_t run = ReadPgnRun(s, rest, &part);
    if (!run) {
      part = ReadPgnChar(s, rest[0]);
      run = 1;
    }
    if (part == PgnPart::Move) {
      // Every run of move text ends where a word must end.
      const std::string_view text = rest.substr(0, run);
      const size_t start = std::min(text.find_first_not_of(' '), run);
      const size_t end = std::min(text.find(' ', start), run);
      l->at += end;
      if (start == end) continue;
      l->word = text.substr(start, end - start);
      return PgnItem::Word;
    }
    l->at += run;
    if (part == PgnPart::Comment) AddComment(comment, rest.substr(0, run));
    if (part == PgnPart::CommentClose) return PgnItem::CommentEnd;
  }
  if (l->at == n) {
    l->at++;
    if (ReadPgnChar(s, '\n') == PgnPart::Comment) AddComment(comment, " ");
  }
  return PgnItem::LineEnd;
}

bool IsPgnResult(std::string_view word) {
  return word == "1-0" || word == "0-1" || word == "1/2-1/2" || word == "*";
}

PgnResult ReadPgnResult(std::string_view text) {
  return text.find("1-0") != text.npos   ? PgnWhiteWon
         : text.find("0-1") != text.npos ? PgnBlackWon
         : text.find("1/2") != text.npos ? PgnDrawn
                                         : PgnNoResult;
}

std::string_view PgnMoveText(std::string_view word) {
  if (word.empty() || word[0] == '$' || IsPgnResult(word)) return {};
  if (const std::string_view after = AfterMoveNumber(word); IsNullMove(after)) return after;
  size_t start = 0;
  while (start < word.size() && !IsLetter(word[start]) && word.compare(start, 2, "0-") != 0) start++;
  std::string_view move = word.substr(start);
  move = move.substr(0, move.find('$'));
  DropMarks(&move);
  DropEnPassant(&move);
  DropMarks(&move);
  if (move.size() == 4 && IsSquare(move) && move.substr(0, 2) == move.substr(2)) return {};
  return move;
}

bool ReadPgnTag(std::string_view line, std::string_view name, std::string_view* value) {
  if (line.size() < name.size() + 2 || line[0] != '[' || line.compare(1, name.size(), name) != 0) return false;
  size_t at = name.size() + 1;
  if (line[at] != ' ') return false;
  while (at < line.size() && line[at] == ' ') at++;
  if (at == line.size() || line[at] != '"') return false;
  const size_t close = line.find('"', at + 1);
  if (close == line.npos) return false;
  *value = line.substr(at + 1, close - at - 1);
  return true;
}

void ShowRefusedMove(const char* place, int number, std::string_view text, int reading) {
  char prefix[64] = "";
  if (place) std::snprintf(prefix, sizeof prefix, "%s %d: ", place, number);
  const int shown = int(std::min(text.size(), kShownMoveSize));
  ShowFormatted("%s%s '%.*s'", prefix, reading == kTextAmbiguous ? "ambiguous move" : "can't parse move", shown,
                text.data());
}
