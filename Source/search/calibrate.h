// Speed calibration at start-up and the strength limit built on it.
#pragma once

// Measures the engine's speed once, before the main loop starts.
void Calibrate();
