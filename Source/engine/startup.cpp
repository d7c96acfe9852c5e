#include "engine/startup.h"

#include "board/bitboard.h"
#include "engine/params.h"
#include "eval/bitbase.h"
#include "search/records.h"

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
