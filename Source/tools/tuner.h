// Tuning error over a training file and the gradient tuner.
#pragma once

// Mean prediction error over the file; with write set, also keeps the agreeing
// positions in "tune_new.epd" (-mktune).
double Process_EPD_File(const char* path, int write);

// -tune: the gradient tuner over the file named by PBlock's tool file argument.
void TuneGradient();
