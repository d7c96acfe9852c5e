// The EPD test-suite runner started by -anepd.
#pragma once

// Removes the annotation marks "#", "!" and "?" that suites and games put
// after a move, so that the move reader can match the rest.
void StripMoveMarks(char* text);

// Searches every position of the file named by PBlock's tool file argument
// with the limits of the switches, scores it (any move of its bm list found,
// or else every move of its am list avoided), writes the searched
// positions that have neither to "unsolved.epd" and prints the totals.
// Returns the exit status: 1 after one line when the file cannot be read or
// is "unsolved.epd" itself (nothing is written then), "unsolved.epd" cannot
// be created or written (the run stops there) or the file holds no position
// to search, else 0.
int Analyze_EPD_File();
