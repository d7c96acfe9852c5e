#include "platform/timer.h"

#include <windows.h>
#include <mmsystem.h>

namespace {
UINT timer_period = 0;
}

TimerResult BeginTimerPeriod() {
  TIMECAPS tc;
  if (timeGetDevCaps(&tc, sizeof tc) != TIMERR_NOERROR) return TimerNoCaps;
  timer_period = ChooseTimerPeriod(tc.wPeriodMin, tc.wPeriodMax);
  return timeBeginPeriod(timer_period) == TIMERR_NOERROR ? TimerSet : TimerRefused;
}

void EndTimerPeriod() { timeEndPeriod(timer_period); }
