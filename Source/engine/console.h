// The console command language: a person at a terminal sets and shows
// positions, plays and steps through the game, runs searches, perft and the
// evaluation display, and changes settings.
#pragma once

// Interprets one non-empty input line (without its line end). Main thread only.
void ProcessConsole(const char* line);

// The fixed time per move that "go" and "an" set: a search under it runs
// until "." ends it.
constexpr double kAnalysisTime = 100000.0;

// Ends any running search, which reports its result for the position it
// searched as after ".", and returns once no search thread is busy, so that
// the game record and the workers' records may be used by the caller.
void QuietSearch();

// For a command that changes the game position: ends any running search
// without a report and drops the requests and the self-play made for the
// old position, so that no move is played or shown against the new one.
void AbandonSearch();

// An analysis runs without a time limit and to its own depth; once it has
// ended this puts back the level and depth the user set. Nothing when no
// analysis limits are in force.
void EndAnalysisLimits();

// The time of the level the user set, also while an analysis runs under its own.
double LevelFixedTime();

// A command that runs long (perft, tune) looks at the input while it runs,
// through UserInput: "." and "quit" end it, and every other line is answered
// in one line and not run, so that nothing typed changes what it does.
void BeginLongCommand(const char* name);
void EndLongCommand();
// True once "." or "quit" came while the long command ran.
bool LongCommandEnded();

// The evaluation breakdown of the game position: a quiescence search of the
// root with the evaluation trace on, whose root evaluation fills the display.
// The depth limit and the trace flag are left as they were; the pool must be
// idle.
void ShowTracedEval();
