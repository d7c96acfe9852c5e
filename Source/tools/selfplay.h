// Self-play games between two complete parameter records.
#pragma once
#include <cstdio>

#include "engine/params.h"

// Games counted from the first record's view.
struct MatchScore {
  int wins = 0;
  int losses = 0;
  int draws = 0;
};

// Plays games between first and second on the pool with the search limits of
// SearchData, a random colour per game, and writes each game to pgn (when not
// null). A progress line follows games 19, 39, 59, ... . Returns early when
// "quit" arrives (the game in progress is then dropped) or when a game cannot
// be written to pgn (its error flag tells). Leaves the last record it played
// with in Personality.
void PlayMatch(const PersonalityRecord& first, const PersonalityRecord& second, int games, MatchScore* score,
               FILE* pgn);
