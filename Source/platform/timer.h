// The system timer period: Windows sleeps in coarse steps unless asked for a
// finer period; elsewhere there is nothing to do.
#pragma once
#include <algorithm>

// The period asked for: the smallest offered, at least 1 ms, within the
// largest offered. The main loop watches a search every millisecond, and a
// coarser period would make each of its sleeps a long one.
constexpr unsigned ChooseTimerPeriod(unsigned smallest, unsigned largest) {
  return std::min(std::max(smallest, 1u), largest);
}

enum TimerResult { TimerSet, TimerNoCaps, TimerRefused };

#ifdef _WIN32
// Sets the period chosen above from what the system offers.
TimerResult BeginTimerPeriod();
// Ends the period set above (0 when none was set).
void EndTimerPeriod();
#else
inline TimerResult BeginTimerPeriod() { return TimerSet; }
inline void EndTimerPeriod() {}
#endif
