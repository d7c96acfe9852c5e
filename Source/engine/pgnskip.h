// What of a game's move text the readers pass over: comments, variations,
// ';' comments and lines escaped with '%'.
#pragma once
#include <cstddef>
#include <string_view>

// A reader's place in the text around the moves; a new game starts from {}.
struct PgnSkip {
  bool comment = false;  // inside braces, which do not nest: the first '}' ends them
  int variation = 0;     // parenthesis depth
  bool rest_of_line = false;
  bool line_start = true;
};

enum class PgnPart {
  Move,          // main-line text: moves, their numbers, spaces, results
  CommentOpen,   // the '{' that opens a main-line comment
  Comment,       // the text of a main-line comment
  CommentClose,  // the '}' that closes it
  Skipped,       // variations and everything in them, other comments, a stray '}'
};

// True while the reader stands inside a comment: in braces, or in a ';'
// comment or a '%' line until the line ends. The one notion of a comment for
// every reader, whatever the comment's lines hold.
bool InPgnComment(const PgnSkip& s);

// Where the next character of the move text belongs. A line feed ends a ';'
// comment and a '%' line.
PgnPart ReadPgnChar(PgnSkip* s, char c);

// Reads at once the characters at the start of text (which holds no line
// feed) that all belong to one part and change nothing but the line start:
// their number, 0 when the first one needs ReadPgnChar; their part in *part.
size_t ReadPgnRun(PgnSkip* s, std::string_view text, PgnPart* part);
