// The system timer period: Windows sleeps in coarse steps unless asked for a
// finer period; elsewhere there is nothing to do.
#pragma once

#ifdef _WIN32
// Sets the period to min(max(smallest offered, 5 ms), largest offered).
void BeginTimerPeriod();
// Ends the period set above (0 when none was set).
void EndTimerPeriod();
#else
inline void BeginTimerPeriod() {}
inline void EndTimerPeriod() {}
#endif
