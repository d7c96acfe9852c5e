// The shared transposition table.
#pragma once

// Frees any previous table and allocates one of SearchData's hash size;
// 1 on success, 0 when memory is short.
int HashInit();
void HashClear();
void HashFree();
