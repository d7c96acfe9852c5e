#include "engine/pgnskip.h"

namespace {

// Inside braces, where a '{' is text like any other and a variation's
// comments may hold parentheses.
PgnPart InComment(PgnSkip* s, char c) {
  const bool main_line = s->variation == 0;
  if (c != '}') return main_line ? PgnPart::Comment : PgnPart::Skipped;
  s->comment = false;
  return main_line ? PgnPart::CommentClose : PgnPart::Skipped;
}

bool ClosesComment(char c) { return c == '}'; }
bool OpensOrCloses(char c) { return c == '{' || c == '}' || c == '(' || c == ')' || c == ';'; }

template <typename Stop>
size_t RunUntil(std::string_view text, Stop stop) {
  size_t n = 0;
  while (n < text.size() && !stop(text[n])) n++;
  return n;
}

}  // namespace

bool InPgnComment(const PgnSkip& s) { return s.comment || s.rest_of_line; }

size_t ReadPgnRun(PgnSkip* s, std::string_view text, PgnPart* part) {
  size_t n;
  if (s->rest_of_line) {
    n = text.size();
    *part = PgnPart::Skipped;
  } else if (s->comment) {
    n = RunUntil(text, ClosesComment);
    *part = s->variation ? PgnPart::Skipped : PgnPart::Comment;
  } else {
    n = s->line_start && !text.empty() && text[0] == '%' ? 0 : RunUntil(text, OpensOrCloses);
    *part = s->variation ? PgnPart::Skipped : PgnPart::Move;
  }
  if (n) s->line_start = false;
  return n;
}

PgnPart ReadPgnChar(PgnSkip* s, char c) {
  const bool line_start = s->line_start;
  s->line_start = c == '\n';
  if (s->comment) return InComment(s, c);
  if (c == '\n') {
    const bool skipped = s->rest_of_line || s->variation;
    s->rest_of_line = false;
    return skipped ? PgnPart::Skipped : PgnPart::Move;
  }
  if (s->rest_of_line) return PgnPart::Skipped;
  if (c == ';' || (c == '%' && line_start)) {
    s->rest_of_line = true;
    return PgnPart::Skipped;
  }
  switch (c) {
    case '{':
      s->comment = true;
      return s->variation ? PgnPart::Skipped : PgnPart::CommentOpen;
    case '(':
      s->variation++;
      return PgnPart::Skipped;
    case ')':
      if (s->variation) s->variation--;
      return PgnPart::Skipped;
    case '}':
      return PgnPart::Skipped;
    default:
      return s->variation ? PgnPart::Skipped : PgnPart::Move;
  }
}
