// Games in PGN for the console: "load" plays a stored game onto the game
// record, "save" appends the game record to "tmp.pgn".
#pragma once

// How many legal moves of the game position have text among their generated
// texts (checks aside), as the move reader compares them; two make the reader
// say "ambiguous move".
int MoveTextMatches(const char* text);

// Loads game number `game` (1..1000; empty or out of range: 1) or the first
// game with a line containing the text `game`, from the PGN file `path`. A
// file that cannot be read costs one line and leaves the game as it was.
void LoadGame(const char* path, const char* game);

// Appends the game record, from its start to the game ply, as a game every
// PGN reader takes: the Event tag (and SetUp and FEN when it does not start
// from the standard position), a blank line, the moves in standard notation
// and the result ("*" unless a mate or stalemate ends it). One line names the
// file written, or says it could not be opened or written.
void SaveGame();
