// Endgame tablebase registry and table files: which tables exist under the
// configured paths, their loading, decoding and indexing.
#pragma once
#include <cstdint>

struct TbPosition;

// Largest piece count of any registered table; 0 when none.
extern int TB_LARGEST;

// (Re)builds the registry from a path list; never called while a search runs.
void init_tablebases(const char* path);

// Material key of a position (kings excluded), colours exchanged when swap.
uint64_t calc_key(const TbPosition* pos, int swap);
// Table name of the position's material, such as "KRPvKR" (16 bytes suffice).
void prt_str(const TbPosition* pos, char* out, int swap);

// The stored win/draw/loss value (-2..2) of a position, loading its table on
// first use; success 0 when no table answers.
int wdl_table_value(const TbPosition* pos, int* success);
// The stored distance (positive, 100 added for cursed or blessed results)
// for a position whose win/draw/loss value is wdl (not 0); success 0 when no
// table answers, -1 when the table holds the other side to move.
int dtz_table_value(const TbPosition* pos, int wdl, int* success);
