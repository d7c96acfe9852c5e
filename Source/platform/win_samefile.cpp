#include "platform/samefile.h"

#include <windows.h>

namespace {

// Opened for no access at all, so that a file another program holds open
// still answers; the backup flag lets a directory answer too.
bool Identify(const char* path, BY_HANDLE_FILE_INFORMATION* info) {
  HANDLE h = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                         FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  const bool known = GetFileInformationByHandle(h, info) != 0;
  CloseHandle(h);
  return known;
}

}  // namespace

bool SameFile(const char* a, const char* b) {
  BY_HANDLE_FILE_INFORMATION ia, ib;
  if (!Identify(a, &ia) || !Identify(b, &ib)) return false;
  return ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber && ia.nFileIndexHigh == ib.nFileIndexHigh &&
         ia.nFileIndexLow == ib.nFileIndexLow;
}
