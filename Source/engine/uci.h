// The UCI command interpreter and its options.
#pragma once
#include <cstdint>

// Interprets one line; the line may be changed in place.
void ProcessUCI(char* line);

// Reads the whole text as a decimal integer (sign allowed, blanks around it
// aside), clamps it to min..max, echoes "info string <name> set to <value>"
// and stores it in *value. Text that is no number is refused in one line
// ("info string <name> value '<text>' is not a whole number, not changed")
// and false returned, *value untouched.
bool SetOptionInt(const char* name, const char* text, int min, int max, int* value);

// Sets two adjacent fields from "a,b" (a missing part leaves its field),
// clamps both and echoes them followed by an empty line. A part that is no
// number, or no part at all, is refused in one line and both fields kept.
void SetOptionIntPair(int16_t* pair, const char* name, const char* text, int min, int max);
