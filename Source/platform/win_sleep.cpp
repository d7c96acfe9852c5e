#include "platform/sleep.h"

#include <windows.h>

// Alertable, so that queued completions do not wait for the sleep to end.
void SleepMs(int ms) { SleepEx(DWORD(ms), TRUE); }
