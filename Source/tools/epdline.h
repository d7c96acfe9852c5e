// EPD lines as every EPD reader takes them: four position fields, then
// operations, each an opcode and its operands up to a ';'. Text in double
// quotes is one operand whatever it holds, so that a comment can never be
// taken for an operation.
#pragma once
#include <string>
#include <string_view>
#include <vector>

constexpr int kEpdPositionSize = 256;  // the four fields as MakeEPD writes them, NUL included

struct EpdOperation {
  std::string opcode;
  std::vector<std::string> operands;  // a quoted one without its quotes
};

struct EpdLine {
  std::string position;  // the four fields joined by single blanks
  std::vector<EpdOperation> operations;
};

// Splits text (one line, blanks and tabs between its words) into epd, read
// whole. Words where an opcode should stand that cannot be one (the move
// counters of a FEN) are passed over. False when the line has fewer than four
// position fields.
bool ReadEpdLine(std::string_view text, EpdLine* epd);

// The operands of the last operation with the opcode; null when the line has
// no such operation.
const std::vector<std::string>* FindOperands(const EpdLine& epd, std::string_view opcode);

// The first operand of the last operation with the opcode; empty when there
// is none.
std::string_view FirstOperand(const EpdLine& epd, std::string_view opcode);

// True for the lines the EPD readers pass over: those led by a blank, a tab,
// '#' or ';'.
bool IsEpdComment(std::string_view line);
