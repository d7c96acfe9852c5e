#include "platform/memory.h"

#include <cstdint>

void TouchLarge(void* from, size_t bytes) {
  // One write a page: the system zeroes the page it hands over anyway.
  const size_t page = SystemPageSize();
  volatile char* const first = static_cast<char*>(from);
  const size_t head = (page - reinterpret_cast<uintptr_t>(from) % page) % page;
  if (bytes) first[0] = 0;
  for (size_t at = head; at < bytes; at += page) first[at] = 0;
}
