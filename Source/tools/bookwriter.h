// The opening-book writer (-mkbook).
#pragma once

// Builds "tmp_book.bin" from the PGN file named by PBlock's game file argument.
void PG_CreateBook();
