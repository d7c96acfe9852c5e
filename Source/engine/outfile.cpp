#include "engine/outfile.h"

#include "engine/output.h"

FILE* OpenOutput(const char* name) {
  FILE* f = std::fopen(name, "w");
  if (!f) ShowFormatted("can't open %s", name);
  return f;
}

bool CloseOutput(FILE* f, const char* name) {
  const bool written = !std::ferror(f);
  if (std::fclose(f) == 0 && written) return true;
  ShowFormatted("can't write %s", name);
  return false;
}
