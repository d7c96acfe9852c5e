// A tool's search on the thread pool, watched as the main loop watches one.
#pragma once

// Starts the prepared search on the pool and returns once it has ended. The
// clock is looked at every millisecond and the input at least once, as it
// comes; the end of the search wakes the wait at once.
void RunPoolSearch();
