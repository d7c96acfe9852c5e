// The tuning error of the evaluation over a training file, and the gradient
// tuner that lowers it.
#pragma once

// 1 / (1 + 10^(-score / 400)): the expected result for a centipawn score.
double WinProbability(int score);

// Copies each line of in to out (truncated) with the given percent chance,
// each with one line end. False, after one line naming the file, when either
// cannot be opened, out is in itself, or out cannot be written.
bool RandPick(const char* in, const char* out, int percent);

// Mean of |P - result|^1.5 over the file's positions with a c9 result; 1.0
// when the file cannot be read, 0.0 when it holds none. With write set
// (-mktune) the positions whose stored scores agree go to "tune_new.epd";
// *status (when given) becomes the exit status: 1 after one line when the file
// cannot be read or is "tune_new.epd" itself (nothing is written then),
// "tune_new.epd" cannot be created or written, or the file holds no training
// position, else 0.
double Process_EPD_File(const char* path, int write, int* status = nullptr);

// -tune: the gradient tuner over the file named by PBlock's tool file
// argument. Returns the exit status: 1 after one line when the file cannot be
// read, holds no training position or is "tune.log" or a sample file itself
// (nothing is written then), or when one of those cannot be created or
// written, else 0.
int TuneGradient();
