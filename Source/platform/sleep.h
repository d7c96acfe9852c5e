// Short waits of the polling loops.
#pragma once

// Sleeps about ms milliseconds.
void SleepMs(int ms);
