// Checks the Windows file mapping where no test framework is built: run
// under wine by scripts/cross-check.sh with a file of known bytes, an empty
// file and a missing one. Prints "filemap: ok" or what failed.
#include <cstdio>
#include <cstring>

#include "platform/filemap.h"

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: win-filemap-check.exe file text empty-file missing-file\n");
    return 2;
  }
  const char* text = argv[2];
  const size_t len = std::strlen(text);
  FileMap map;
  int failures = 0;
  if (!MapFile(argv[1], &map) || map.size != len || std::memcmp(map.data, text, len) != 0) {
    std::printf("filemap: the file's bytes were not mapped\n");
    failures++;
  }
  UnmapFile(&map);
  if (map.data || map.size) {
    std::printf("filemap: the release left the record filled\n");
    failures++;
  }
  for (int i = 3; i <= 4; i++) {
    if (MapFile(argv[i], &map) || map.data) {
      std::printf("filemap: %s was mapped\n", argv[i]);
      failures++;
    }
  }
  if (!failures) std::printf("filemap: ok\n");
  return failures ? 1 : 0;
}
