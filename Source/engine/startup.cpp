#include "engine/startup.h"

#include "board/bitboard.h"
#include "engine/output.h"
#include "engine/params.h"
#include "eval/bitbase.h"
#include "eval/weights.h"
#include "platform/timer.h"
#include "search/records.h"
#include "search/searchdata.h"
#include "search/searchparams.h"
#include "search/threads.h"
#include "search/tt.h"

bool StartUpDefaults() {
  if (!CTD) CTD = NewThreadRecord(255);
  if (!CTD) return false;
  InitBitboards();
  BuildKPKBitbase();
  SetStartValues();
  SetDefaultPersonality();
  Personality = DefaultPersonality;
  PBlock.protocol = 1;
  return true;
}

bool StartUpEngine() {
  SearchData.hash_size = Personality.Hash;
  if (!HashInitUntouched()) return false;
  // Switches become the defaults that "uci" reports.
  DefaultPersonality = Personality;
  SearchData.thread_count = uint8_t(Personality.Threads & 0xFF);
  numa_binding = PBlock.numa != 0;
  if (CreateThreadPool(SearchData.thread_count) != 0) return false;
  switch (BeginTimerPeriod()) {
    case TimerSet:
      break;
    case TimerNoCaps:
      ShowMessage("error setting timer resolution\n");
      break;
    case TimerRefused:
      ShowMessage("Error setting timer resolution");
      break;
  }
  SetSearchParams();
  SetEvalParams();
  return true;
}
