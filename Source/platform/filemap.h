// Platform seam of the tablebase prober: whole files mapped read-only.
// One implementation per platform.
#pragma once
#include <cstddef>
#include <cstdint>

struct FileMap {
  const uint8_t* data;  // nullptr when nothing is mapped
  size_t size;          // bytes mapped
  uintptr_t handle;     // what the release needs beyond data and size
};

// Maps the whole file at path read-only and shared. Returns false, with map
// left empty, when the file cannot be opened, is empty or cannot be mapped;
// prints nothing, so the caller decides what to report.
bool MapFile(const char* path, FileMap* map);

// Releases a mapping made by MapFile and empties map; nothing when empty.
// A failing release is reported on the standard error stream.
void UnmapFile(FileMap* map);
