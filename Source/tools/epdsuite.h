// EPD test suites: the splitter every EPD-reading tool uses, and the runner
// started by -anepd.
#pragma once

constexpr int kEpdPositionSize = 256;  // the four position fields, NUL included
constexpr int kEpdOperandSize = 64;    // one operand, NUL included; longer ones are cut

// Splits an EPD line; blanks and tabs separate its words. pos
// (kEpdPositionSize bytes) gets the four position fields joined by single
// blanks; bm and am (kEpdOperandSize bytes each) get every move of their
// operand, joined by single blanks; id, ce, c0 and c6 get the first word of
// theirs. Each is empty when absent, a later opcode overwriting an earlier
// one. 1 when the line has four position fields.
int Parse_EPD(const char* line, char* pos, char* bm, char* am, char* id, char* ce, char* c0, char* c6);

// True for the lines the EPD readers pass over: those led by a blank, a tab,
// '#' or ';'.
bool IsEpdComment(const char* line);

// Removes the annotation marks "#", "!" and "?" that suites and games put
// after a move, so that the move reader can match the rest.
void StripMoveMarks(char* text);

// Searches every position of the file named by PBlock's tool file argument
// with the limits of the switches, scores it (any move of its bm list found,
// or else every move of its am list avoided), writes the searched
// positions that have neither to "unsolved.epd" and prints the totals.
// Returns the exit status: 1 after one line when the file cannot be read or
// is "unsolved.epd" itself (nothing is written then) or "unsolved.epd" cannot be created or written
// (the run stops there), else 0.
int Analyze_EPD_File();
