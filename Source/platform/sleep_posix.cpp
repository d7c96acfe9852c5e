#ifndef _WIN32
#include "platform/sleep.h"

#include <sys/select.h>

void SleepMs(int ms) {
  timeval tv{ms / 1000, (ms % 1000) * 1000};
  select(0, nullptr, nullptr, nullptr, &tv);
}
#endif
