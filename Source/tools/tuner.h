// The tuning error of the evaluation over a training file, and the gradient
// tuner that lowers it.
#pragma once

// 1 / (1 + 10^(-score / 400)): the expected result for a centipawn score.
double WinProbability(int score);

// Copies each line of in to out (truncated) with the given percent chance.
void RandPick(const char* in, const char* out, int percent);

// Mean of |P - result|^1.5 over the file's positions with a c9 result; 1.0
// when the file cannot be read, 0.0 when it holds none. With write set
// (-mktune) the positions whose stored scores agree go to "tune_new.epd".
double Process_EPD_File(const char* path, int write);

// -tune: the gradient tuner over the file named by PBlock's tool file argument.
void TuneGradient();
