// The console's perft: a count that looks at the input while it runs.
#pragma once

// Counts the legal move paths of depth plies from the game position on
// search worker 0 and shows the total. Of the input that comes while it
// runs, ".", "quit" or the end of input end the count early, with one line
// saying how far it got; lines typed ahead of it wait for its end. The caller
// has readied the worker (no search running) and marked a long command.
void ConsolePerft(int depth);
