#include "platform/timer.h"

#include <windows.h>
#include <mmsystem.h>

#include "engine/output.h"

#ifdef _MSC_VER
#pragma comment(lib, "winmm.lib")
#endif

namespace {
UINT timer_period = 0;
}

void BeginTimerPeriod() {
  TIMECAPS tc;
  if (timeGetDevCaps(&tc, sizeof tc) != TIMERR_NOERROR) {
    ShowMessage("error setting timer resolution\n");
    return;
  }
  UINT period = tc.wPeriodMin < 5 ? 5 : tc.wPeriodMin;
  if (period > tc.wPeriodMax) period = tc.wPeriodMax;
  timer_period = period;
  if (timeBeginPeriod(timer_period) != TIMERR_NOERROR) ShowMessage("Error setting timer resolution");
}

void EndTimerPeriod() { timeEndPeriod(timer_period); }
