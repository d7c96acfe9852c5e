#ifndef _WIN32
#include "platform/filemap.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

bool MapFile(const char* path, FileMap* map) {
  *map = FileMap{nullptr, 0, 0};
  const int fd = open(path, O_RDONLY);
  if (fd < 0) return false;
  struct stat st;
  if (fstat(fd, &st) != 0) {
    std::perror("fstat");
    close(fd);
    return false;
  }
  // A zero-length mapping is refused by the system; an empty file holds no
  // table either way.
  if (st.st_size <= 0) {
    close(fd);
    return false;
  }
  const size_t size = static_cast<size_t>(st.st_size);
  void* data = mmap(nullptr, size, PROT_READ, MAP_SHARED, fd, 0);
  close(fd);
  if (data == MAP_FAILED) return false;
  *map = FileMap{static_cast<const uint8_t*>(data), size, 0};
  return true;
}

void UnmapFile(FileMap* map) {
  if (!map->data) return;
  if (munmap(const_cast<uint8_t*>(map->data), map->size) != 0) std::perror("munmap");
  *map = FileMap{nullptr, 0, 0};
}
#endif
