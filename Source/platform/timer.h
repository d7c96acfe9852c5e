// The system timer period: Windows sleeps and waits in coarse steps unless
// asked for a finer period; elsewhere there is nothing to do.
#pragma once
#include <algorithm>

// The period asked for: the smallest offered, at least 1 ms, within the
// largest offered. The main loop watches a search every millisecond, and a
// coarser period would make each of its waits a long one.
constexpr unsigned ChooseTimerPeriod(unsigned smallest, unsigned largest) {
  return std::min(std::max(smallest, 1u), largest);
}

enum TimerResult { TimerSet, TimerNoCaps, TimerRefused };

#ifdef _WIN32
// Chooses the period above from what the system offers and tries it once.
TimerResult CheckTimerPeriod();
// Holds the chosen period while on, and lets it go otherwise. A fine period
// raises the tick rate, and the power use, of the whole system, so it is
// held only while something is watched every millisecond.
void HoldTimerPeriod(bool on);
#else
inline TimerResult CheckTimerPeriod() { return TimerSet; }
inline void HoldTimerPeriod(bool) {}
#endif
