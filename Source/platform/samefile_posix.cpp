#ifndef _WIN32
#include "platform/samefile.h"

#include <sys/stat.h>

bool SameFile(const char* a, const char* b) {
  struct stat sa, sb;
  if (stat(a, &sa) != 0 || stat(b, &sb) != 0) return false;
  return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}
#endif
