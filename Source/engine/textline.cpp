#include "engine/textline.h"

// Character by character, so that a NUL inside a line cannot hide its end.
bool ReadTextLine(FILE* f, char* buf, int size, int* skipped) {
  for (;;) {
    int c = std::getc(f);
    if (c == EOF) return false;
    int n = 0;
    while (c != EOF && c != '\n' && n < size - 1) {
      buf[n++] = char(c);
      c = std::getc(f);
    }
    if (c == '\n' && n < size - 1) buf[n++] = '\n';
    buf[n] = 0;
    if (c == EOF || c == '\n') return true;
    // The buffer is full and the line goes on: skip it to its end.
    while (c != EOF && c != '\n') c = std::getc(f);
    ++*skipped;
  }
}
