// The console's board editor: a dialogue on standard input that places and
// removes pieces, then sets the game record to the result when it is legal.
#pragma once

void EditBoard();
