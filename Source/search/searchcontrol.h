// Preparing a search, its time target, and the time check that ends it.
#pragma once

// Seconds of a monotonic clock.
double MonotonicSeconds();

// Resets SearchData for a new search, resizes the table (ResizeTable),
// computes the target time and logs the position. It does not wait for the
// table's pages: the search uses them as they come.
void PrepareNewSearch();
void PrepareNewSearchAt(double now);

// Re-allocates the table when the Hash option changed, its pages then taken
// in the background. When that size cannot be had, the largest that can
// (halving, with the size had before tried on the way down) is kept, one
// line says so, and Hash then holds it.
// Main thread, while no search runs.
void ResizeTable();

// Refreshes the elapsed time and sets the stop byte once the search has used
// its time; main thread only, every millisecond or so.
void SearchTimecheck();
void SearchTimecheckAt(double now);

void GetElapsedTime();

// True while the engine's clock is under its reserve (five move overheads),
// in a search with a clock, while pondering on one or between two such
// searches. Every millisecond of reaction then counts.
bool ClockUnderReserve();

// Seconds until a fixed-time search reaches its time, or a search by the
// clocks its move time; a day for any other.
double FixedTimeLeft();

// Node growth per ply over the last four completed depths; 2.0 when unknown.
double EffectiveBranchingFactor();
