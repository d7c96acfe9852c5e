#include "tools/tuner.h"

#include "engine/output.h"

// Placeholders until the tuners land.
double Process_EPD_File(const char*, int) {
  ShowMessage("the training-set filter is not available yet");
  return 1.0;
}

void TuneGradient() { ShowMessage("the gradient tuner is not available yet"); }
