// Temporary stand-ins for start-up callees that are being built elsewhere.
// This file goes away when the real ones merge.
#include <cstdlib>

#include "board/bitboard.h"
#include "eval/bitbase.h"
#include "eval/weights.h"
#include "search/searchdata.h"
#include "search/searchparams.h"
#include "search/threads.h"
#include "search/tt.h"

void SetSearchParams() {}

int CreateThreadPool(int) { return 0; }
int KillThreadPool(int) { return 0; }

namespace {
void* stub_table = nullptr;
}

// Allocates the table's real size (16-byte slots, 65536 per MB, 16 spare), so
// that a table too large for the machine fails as it will for real.
int HashInit() {
  std::free(stub_table);
  const size_t mb = SearchData.hash_size < 0 ? 0 : size_t(SearchData.hash_size);
  stub_table = std::calloc(mb * 65536 + 16, 16);
  return stub_table ? 1 : 0;
}

void HashFree() {
  std::free(stub_table);
  stub_table = nullptr;
}
