// The UCI command interpreter and its options.
#pragma once
#include <cstdint>

// Interprets one line; the line may be changed in place.
void ProcessUCI(char* line);

// Reads a decimal integer (sign allowed) from the start of text, clamps it to
// min..max, echoes "info string <name> set to <value>" and returns it.
int SetOptionInt(const char* name, const char* text, int min, int max);

// Sets two adjacent fields from "a,b" (a missing part leaves its field),
// clamps both and echoes them followed by an empty line.
void SetOptionIntPair(int16_t* pair, const char* name, const char* text, int min, int max);
