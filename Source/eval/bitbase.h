// King and pawn against king: win or draw for every position, built at start-up.
#pragma once
#include <cstdint>

extern uint8_t kpk_db[262144];

void BuildKPKBitbase();
