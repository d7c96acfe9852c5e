// Where the games of a file begin and end, the same for the console and
// every tool: a game begins at the first tag line after move text or at a
// second Event tag among the same tags; a game without tags begins at a move
// that can start a game, read where no game is open: at the start of the
// file or after the result that ends a game's move text.
#pragma once
#include <string_view>

#include "engine/pgnskip.h"

// A reader's place among the games; a file starts from {}.
struct PgnGames {
  PgnSkip skip;            // comments and variations of the move text
  int games = 0;           // found so far; the game read now is the last one
  bool open = false;       // a game is read now and its result is not yet read
  bool in_tags = false;    // no move text read since the last tag line
  bool event_tag = false;  // the tags read since then hold an Event tag
  bool blank = true;       // the last line was blank
};

enum class PgnLineKind { Tag, FirstTag, MoveText };

// What a line is. A line that begins with '[' (but not "[%") is a tag line
// outside a comment; inside one only when it begins with "[Event " or
// follows a blank line, and then it ends whatever comment or variation the
// last game left open, so that no unbalanced brace or parenthesis costs the
// games after it. A FirstTag line begins a game.
PgnLineKind ReadPgnGameLine(PgnGames* g, std::string_view line);

enum class PgnWordKind { Other, Result, Move, FirstMove };

// What a main-line word of move text is; move gets the move it holds
// (PgnMoveText). A FirstMove begins a game without tags: a move that is
// legal from the standard start, read where no game is open. A Result ends
// the game's move text. Moves and results where no game is open are Other.
PgnWordKind ReadPgnGameWord(PgnGames* g, std::string_view word, std::string_view* move);
