// The console "tune" command: a line search over one evaluation weight.
#pragma once

// Tunes the named parameter over the sample named by PBlock's tool file
// argument, using PBlock's sample percent; the depth limit, the table and the
// info lines are as before once it returns.
void TuneConsoleParam(const char* name);
