#include "search/records.h"

#include <new>

ThreadRecord* CTD = nullptr;

ThreadRecord* NewThreadRecord(uint8_t index) {
  ThreadRecord* td = new (std::nothrow) ThreadRecord{};
  if (!td) return nullptr;
  td->pos.owner = td;
  td->pos.ep = NoSquare;
  td->search_ply = 1;
  td->index = index;
  td->ply[0].list_start = 0;
  td->ply[1].list_start = 1;
  return td;
}
