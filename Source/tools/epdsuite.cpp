#include "tools/epdsuite.h"

#include "engine/output.h"

// Placeholder until the EPD tools land.
void Analyze_EPD_File() { ShowMessage("EPD analysis is not available yet"); }
