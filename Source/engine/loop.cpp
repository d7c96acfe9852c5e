#include "engine/loop.h"

#include <cstdio>
#include <cstring>

#include "engine/params.h"

// Placeholder until the main loop lands: reads lines until "quit" or the end
// of input and answers nothing.
void Loop() {
  char line[5000];
  PBlock.quit = 0;
  while (!PBlock.quit && std::fgets(line, sizeof line, stdin)) {
    line[std::strcspn(line, "\r\n")] = '\0';
    if (!std::strcmp(line, "quit")) PBlock.quit = 1;
  }
}
