// Reading game files, the same for the console and every tool: whole lines of
// any length, the words and comments of the main line, the move in a word and
// the value of a tag.
#pragma once
#include <cstdio>
#include <string>
#include <string_view>

#include "engine/pgnskip.h"
#include "engine/textline.h"

constexpr size_t kPgnCommentSize = 4000;  // comment text kept between two moves

// A game file is a text file read whole-line.
using PgnFile = TextFile;

// Reads the next line whole (ReadWholeLine). Tabs become blanks and the
// other control bytes are dropped, so that files from other systems and
// damaged files read as their text. False at end of file.
bool ReadPgnLine(PgnFile* in);

// A reader's place in one line of move text.
struct PgnLine {
  std::string_view text;
  size_t at = 0;
  std::string_view word;  // the last word found
};

enum class PgnItem { Word, CommentEnd, LineEnd };

// The next word of the main line, the close of a main-line comment or the end
// of the line. Comments, variations and blanks end words; the end of the line
// counts as a line feed for s. When comment is not null, main-line comment
// text is added to it (a line end as a blank), up to kPgnCommentSize.
PgnItem NextPgnItem(PgnSkip* s, PgnLine* l, std::string* comment);

// "1-0", "0-1", "1/2-1/2" or "*".
bool IsPgnResult(std::string_view word);

// A game's result, as White's win and Black's win match the side to move.
enum PgnResult { PgnWhiteWon = 0, PgnBlackWon = 1, PgnDrawn = 2, PgnNoResult = 3 };

// The result a Result tag's line or value, or a result word, names: the first
// of "1-0", "0-1" and "1/2" found in it; PgnNoResult for "*" and the rest.
PgnResult ReadPgnResult(std::string_view text);

// The move a main-line word holds: from its first letter (or the 0- of
// castling written with zeros), without a glyph glued to it ($1), the
// annotation marks (!, ?, !!, ??, !?, ?!), the mate sign and the en-passant
// suffix "e.p." or "ep". Empty for move numbers, results, glyphs, a "e.p."
// or "ep" written apart from its move, a square named twice (a1a1, which
// self-play games write where a game ends without a move) and other words
// that hold no move. A null move (--, 0000, Z0, @@@@) is its own text, which
// names no move.
std::string_view PgnMoveText(std::string_view word);

// True when line is the tag [name "value"]; value is the text in the quotes.
bool ReadPgnTag(std::string_view line, std::string_view name, std::string_view* value);

// The one line that refuses a move text, by what the move reader made of it
// (ReadMoveText): "can't parse move '%s'" or "ambiguous move '%s'", after
// "%s %d: " with place and number (as "game 12: ") when place is not null.
void ShowRefusedMove(const char* place, int number, std::string_view text, int reading);
