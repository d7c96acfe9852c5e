// The engine's run loop on the main thread, left on "quit".
#pragma once

void Loop();
