#include "engine/output.h"

// Temporary writer until the log lands.
void ShowMessage(const char* text) {
  std::fputs(text, stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}
