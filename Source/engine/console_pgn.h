// Games in PGN for the console: "load" plays a stored game onto the game
// record, "save" appends the game record to "tmp.pgn".
#pragma once

// What the move reader makes of text on the game position: 0 no move, 1 one
// move, 2 more than one (the reader then says "ambiguous move").
int MoveTextMatches(const char* text);

// Loads game number `game` (empty: 1), or the first game whose tags hold the
// text `game`, from the PGN file `path`, counting games as the tools do, and
// plays it from its start. A file that cannot be read or a game that is not
// there costs one line and leaves the game as it was; a move that cannot be
// played costs one line and ends the game there.
void LoadGame(const char* path, const char* game);

// Appends the game record, from its start to the game ply, as a game every
// PGN reader takes: the Event tag (and SetUp and FEN when it does not start
// from the standard position), a blank line, the moves in standard notation
// and the result ("*" unless a mate or stalemate ends it). One line names the
// file written, or says it could not be opened or written.
void SaveGame();
