#include "engine/outfile.h"

#include <string>

#include "engine/output.h"
#include "platform/samefile.h"

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

bool OutputIsInput(const char* input, std::initializer_list<const char*> outputs) {
  for (const char* output : outputs) {
    if (!SameFile(input, output)) continue;
    // Built whole: the input's name may be longer than a formatted line.
    ShowMessage((std::string(input) + " is also the output " + output + ", nothing done").c_str());
    return true;
  }
  return false;
}
