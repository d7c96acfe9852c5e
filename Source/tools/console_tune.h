// The console "tune" command: a line search over one evaluation weight.
#pragma once
#include <cstdint>

// Tunes the named parameter over the sample named by PBlock's tool file
// argument, using PBlock's sample percent.
void TuneConsoleParam(const char* name);

// The value of the field with the lowest error on the sample, bracketed in at
// most 30 measurements; the field is left as it was found.
int16_t TuneSingleParam(const char* name, int16_t* field, const char* sample);
