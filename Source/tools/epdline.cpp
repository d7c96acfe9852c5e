#include "tools/epdline.h"

#include <algorithm>
#include <cctype>

namespace {

// Tabs separate words as blanks do, whichever program wrote the line.
constexpr std::string_view kBlanks = " \t\r\n";
constexpr std::string_view kWordEnds = " \t\r\n;";

struct Word {
  std::string_view text;
  bool quoted = false;
};

// The word at s[*at], which is no blank and no ';': quoted text up to its
// closing quote (or the end of the line), else a run up to a blank or ';'.
// *at moves past it.
Word NextWord(std::string_view s, size_t* at) {
  const size_t from = *at;
  if (s[from] == '"') {
    const size_t close = std::min(s.find('"', from + 1), s.size());
    *at = std::min(close + 1, s.size());
    return {s.substr(from + 1, close - from - 1), true};
  }
  *at = std::min(s.find_first_of(kWordEnds, from), s.size());
  return {s.substr(from, *at - from)};
}

bool CanBeOpcode(const Word& w) { return !w.quoted && std::isalpha(static_cast<unsigned char>(w.text[0])); }

// The operands from *at to the ';' that ends the operation, or the line's end.
void ReadOperands(std::string_view s, size_t* at, std::vector<std::string>* operands) {
  for (;;) {
    *at = s.find_first_not_of(kBlanks, *at);
    if (*at == s.npos || s[*at] == ';') return;
    operands->emplace_back(NextWord(s, at).text);
  }
}

}  // namespace

bool ReadEpdLine(std::string_view text, EpdLine* epd) {
  epd->position.clear();
  epd->operations.clear();
  size_t at = 0;
  for (int field = 0; field < 4; field++) {
    at = text.find_first_not_of(kBlanks, at);
    if (at == text.npos) return false;
    const size_t end = std::min(text.find_first_of(kBlanks, at), text.size());
    if (field) epd->position += ' ';
    epd->position.append(text.substr(at, end - at));
    at = end;
  }
  while ((at = text.find_first_not_of(kWordEnds, at)) != text.npos) {
    const Word code = NextWord(text, &at);
    if (!CanBeOpcode(code)) continue;
    EpdOperation& op = epd->operations.emplace_back();
    op.opcode = code.text;
    ReadOperands(text, &at, &op.operands);
  }
  return true;
}

const std::vector<std::string>* FindOperands(const EpdLine& epd, std::string_view opcode) {
  const auto op = std::find_if(epd.operations.rbegin(), epd.operations.rend(),
                               [&](const EpdOperation& o) { return o.opcode == opcode; });
  return op == epd.operations.rend() ? nullptr : &op->operands;
}

std::string_view FirstOperand(const EpdLine& epd, std::string_view opcode) {
  const std::vector<std::string>* operands = FindOperands(epd, opcode);
  return operands && !operands->empty() ? std::string_view(operands->front()) : std::string_view();
}

bool IsEpdComment(std::string_view line) {
  return !line.empty() && std::string_view(" \t#;").find(line[0]) != line.npos;
}
