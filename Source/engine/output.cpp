#include "engine/output.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <cstring>

#include "engine/params.h"

FILE* fdlog = nullptr;
const char kLogName[] = "kerv.log";

namespace {

// One fwrite of text and newline together: the stream's lock then keeps a line
// whole even when the main thread and a search thread print at the same time.
void WriteLine(FILE* f, const char* text) {
  const size_t n = std::strlen(text);
  char local[4096];
  char* buf = n < sizeof local ? local : static_cast<char*>(std::malloc(n + 1));
  if (!buf) {
    std::fprintf(f, "%s\n", text);
    return;
  }
  std::memcpy(buf, text, n);
  buf[n] = '\n';
  std::fwrite(buf, 1, n + 1, f);
  if (buf != local) std::free(buf);
}

}  // namespace

void ShowMessage(const char* text) {
  WriteLine(stdout, text);
  std::fflush(stdout);
  if (Personality.Log && fdlog) {
    WriteLine(fdlog, text);
    std::fflush(fdlog);
  }
}

const char* InfoPrefix() { return PBlock.protocol ? "info string " : ""; }

void ShowFormatted(const char* format, ...) {
  char line[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(line, sizeof line, format, args);
  va_end(args);
  ShowMessage(line);
}

void OpenLog() {
  // A folder of that name is someone's, not a log of an earlier run.
  struct stat st;
  if (stat(kLogName, &st) == 0 && S_ISDIR(st.st_mode)) {
    ShowFormatted("%s is a folder, left alone: no log", kLogName);
    return;
  }
  // A missing log is the normal case, not a log in use.
  if (std::remove(kLogName) != 0 && errno != ENOENT) {
    ShowMessage("log file in use.");
    return;
  }
  fdlog = std::fopen(kLogName, "w");
  // Said only when asked for: a read-only working directory is common.
  if (!fdlog && Personality.Log) ShowFormatted("can't write %s", kLogName);
}

void CloseLog() {
  if (fdlog) std::fclose(fdlog);
  fdlog = nullptr;
}

const char* GetWord(const char* text) {
  static char word[128];
  while (*text == ' ') ++text;
  size_t n = 0;
  while (n < sizeof word - 1 && text[n] && text[n] != ' ' && text[n] != '\n' && text[n] != '\r') {
    word[n] = text[n];
    ++n;
  }
  word[n] = '\0';
  return word;
}
