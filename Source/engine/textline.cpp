#include "engine/textline.h"

#include <cstring>

bool ReadTextLine(FILE* f, char* buf, int size, int* skipped) {
  while (std::fgets(buf, size, f)) {
    const size_t len = std::strlen(buf);
    if (len && buf[len - 1] == '\n') return true;
    int c = std::fgetc(f);
    if (c == EOF || c == '\n') return true;  // the line just fitted
    while (c != EOF && c != '\n') c = std::fgetc(f);
    ++*skipped;
  }
  return false;
}
