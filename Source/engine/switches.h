// The command-line switches: engine settings and the choice of an offline tool.
#pragma once

enum class ToolMode {
  Engine,             // no tool switch: calibrate, tablebases, main loop
  EpdAnalysis,        // -anepd
  PgnScan1,           // -scan_pgn1 .. -scan_pgn4
  PgnScan2,
  PgnScan3,
  PgnScan4,
  Match,              // -match
  Benchmark,          // -bench
  Nothing,            // -bench2: start-up and shutdown only
  ProfiledBenchmark,  // -pbench
  ParameterFile,      // -mkconfig
  BookBuilding,       // -mkbook
  TrainingFilter,     // -mktune
  GradientTuner,      // -tune
  SelfPlayTuner,      // -tune4
};

// Applies argv[1..argc-1] to Personality, PBlock and SearchData and returns the
// chosen mode (the last tool switch wins). Unknown arguments are ignored; a
// switch whose value is missing is ignored. A file name or path too long for
// its field is refused in one line, the field keeping its text, and sets
// *refused (when given): a tool must not run then.
ToolMode ParseSwitches(int argc, const char* const* argv, bool* refused = nullptr);
