#include "tools/poolsearch.h"

#include "engine/input.h"
#include "platform/input.h"
#include "search/searchcontrol.h"
#include "search/searchdata.h"
#include "search/threads.h"

void RunPoolSearch() {
  constexpr int kWatchUs = 1000;
  StartSearch();
  // Input is read before the first look at the workers: a search can end
  // before that look finds it busy.
  for (;;) {
    SearchTimecheck();
    UserInput();
    if (!ThreadsAreBusy()) return;
    WaitForInput(Stopped() ? kWaitForever : kWatchUs);
  }
}
