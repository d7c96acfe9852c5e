#include "tools/pgnscan.h"

#include "engine/output.h"

// Placeholder until the PGN scanner lands.
void Scan_PGN_File(const char*, int) { ShowMessage("PGN scanning is not available yet"); }
