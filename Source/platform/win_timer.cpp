#include "platform/timer.h"

#include <windows.h>
#include <mmsystem.h>

namespace {
UINT timer_period = 0;  // 0 while no period can be had
bool held = false;
}  // namespace

TimerResult CheckTimerPeriod() {
  TIMECAPS tc;
  if (timeGetDevCaps(&tc, sizeof tc) != TIMERR_NOERROR) return TimerNoCaps;
  const UINT period = ChooseTimerPeriod(tc.wPeriodMin, tc.wPeriodMax);
  if (timeBeginPeriod(period) != TIMERR_NOERROR) return TimerRefused;
  timeEndPeriod(period);
  timer_period = period;
  return TimerSet;
}

void HoldTimerPeriod(bool on) {
  if (on == held || timer_period == 0) return;
  held = on;
  if (on)
    timeBeginPeriod(timer_period);
  else
    timeEndPeriod(timer_period);
}
