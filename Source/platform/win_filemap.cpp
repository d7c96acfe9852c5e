#include "platform/filemap.h"

#include <windows.h>

#include <cstdio>

bool MapFile(const char* path, FileMap* map) {
  *map = FileMap{nullptr, 0, 0};
  HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD high = 0;
  const DWORD low = GetFileSize(file, &high);
  const unsigned long long size = (static_cast<unsigned long long>(high) << 32) | low;
  // An empty file holds no table and cannot be mapped; one beyond the
  // address space (on 32-bit Windows) cannot be mapped whole.
  if ((low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) || size == 0 || size > SIZE_MAX) {
    CloseHandle(file);
    return false;
  }
  HANDLE mapping = CreateFileMappingA(file, nullptr, PAGE_READONLY, high, low, nullptr);
  CloseHandle(file);
  if (!mapping) return false;
  const void* data = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
  if (!data) {
    CloseHandle(mapping);
    return false;
  }
  *map = FileMap{static_cast<const uint8_t*>(data), static_cast<size_t>(size),
                 reinterpret_cast<uintptr_t>(mapping)};
  return true;
}

void UnmapFile(FileMap* map) {
  if (!map->data) return;
  if (!UnmapViewOfFile(map->data)) std::fprintf(stderr, "unmap failed, error code %d", int(GetLastError()));
  if (!CloseHandle(reinterpret_cast<HANDLE>(map->handle)))
    std::fprintf(stderr, "CloseHandle failed, error code %d", int(GetLastError()));
  *map = FileMap{nullptr, 0, 0};
}
