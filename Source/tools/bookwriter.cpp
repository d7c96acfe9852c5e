#include "tools/bookwriter.h"

#include "engine/output.h"

// Placeholder until the book writer lands.
void PG_CreateBook() { ShowMessage("book building is not available yet"); }
