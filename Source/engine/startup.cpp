#include "engine/startup.h"

#include "board/bitboard.h"
#include "engine/output.h"
#include "engine/params.h"
#include "eval/bitbase.h"
#include "eval/weights.h"
#include "platform/memory.h"
#include "platform/timer.h"
#include "search/records.h"
#include "search/searchdata.h"
#include "search/searchparams.h"
#include "search/threads.h"
#include "search/tt.h"

bool StartUpDefaults() {
  UseOneAllocatorPool();
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
  numa_binding = PBlock.numa != 0;
  if (StartThreadPool(Personality.Threads & 0xFF) == 0) return false;
  // A -threads that could not be had in full: "uci" names the count in use.
  DefaultPersonality.Threads = Personality.Threads;
  switch (CheckTimerPeriod()) {
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
