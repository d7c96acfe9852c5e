#include "tools/selfplay.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "board/attacks.h"
#include "board/bitboard.h"
#include "board/fen.h"
#include "board/legal.h"
#include "board/makemove.h"
#include "engine/output.h"
#include "eval/weights.h"
#include "search/records.h"
#include "search/searchcontrol.h"
#include "search/searchdata.h"
#include "search/searchparams.h"
#include "search/threads.h"
#include "search/tt.h"
#include "tools/poolsearch.h"

namespace {

constexpr int kAdjudication = 1100;  // centipawns beyond which a game is decided
constexpr int kMaxRecords = kMaxGamePly + 1;

enum GameResult : int { Going = 0, Draw = 1, WhiteWins = 2, BlackWins = 3 };
constexpr const char* kResultText[4] = {"*", "1/2-1/2", "1-0", "0-1"};

struct MoveRecord {
  char text[8];
  int16_t score;  // side to move's view
  int8_t depth;
};

struct GameRecord {
  MoveRecord rec[kMaxRecords];
  int n;
  int result;
};

// The protocol's own spelling whatever the protocol mode, so that the games
// read back the same way in every reader.
void RecordText(Move m, char* out) {
  if (!m) {
    std::snprintf(out, 8, "null");
    return;
  }
  const char* promo = !(m & PromoMask)      ? ""
                      : (m & PromoQueen)    ? "q"
                      : (m & PromoKnight)   ? "n"
                      : (m & PromoBishop)   ? "b"
                                            : "r";
  std::snprintf(out, 8, "%s%s%s", tbl[MoveFrom(m)], tbl[MoveTo(m)], promo);
}

int Decide(const Position* pos, int score, Move best) {
  const int mover_wins = pos->side == White ? WhiteWins : BlackWins;
  const int mover_loses = pos->side == White ? BlackWins : WhiteWins;
  if (score < -kAdjudication) return mover_loses;
  if (score > kAdjudication) return mover_wins;
  if (pos->fifty > 99 || !best) return Draw;
  return Going;
}

// Plays one game from the start position, sets[side] moving for side; false
// when "quit" ended it.
bool PlayGame(const PersonalityRecord* const sets[2], GameRecord* game) {
  Position* pos = &CTD->pos;
  SetPosition(pos, fen_opn);
  if (SearchData.hash_enabled) HashClear();
  game->n = 0;
  for (;;) {
    Personality = *sets[pos->side];
    SetSearchParams();
    SetEvalParams();
    SearchData.go_request = 1;
    PrepareNewSearch();
    SearchData.best_score = 0;
    Move best = NullMove;
    // A game that never ends is drawn before it outgrows the undo stack.
    if (CTD->game_ply < kMaxGamePly && !IsDraw(pos, InCheck(pos), 3)) {
      RunPoolSearch();
      if (PBlock.quit) return false;
      Collect();
      best = SearchData.pv[1];
      if (best && !IsLegalMove(pos, best)) best = NullMove;
    }
    const int score = SearchData.best_score;
    MoveRecord& r = game->rec[game->n++];
    RecordText(best, r.text);
    r.score = int16_t(score);
    r.depth = SearchData.best_depth;
    game->result = Decide(pos, score, best);
    if (game->result != Going) return true;
    MakeMove(pos, best);
    CTD->search_ply = 1;
  }
}

// PGN that any reader takes: quoted tags, the moves in coordinate text with
// their score/depth comments, the last search (whose move is not played) as
// a comment, and the result token.
void WriteGame(FILE* f, int g, const GameRecord& game, bool first_white) {
  std::fprintf(f, "[Event \"selfplay\"]\n[Game \"%d\"]\n[White \"%s\"]\n[Black \"%s\"]\n[Result \"%s\"]\n\n", g,
               first_white ? "Player1" : "Player2", first_white ? "Player2" : "Player1", kResultText[game.result]);
  const int last = game.n - 1;
  for (int i = 0; i < last; i++) {
    const MoveRecord& r = game.rec[i];
    const bool black = i & 1;
    std::fprintf(f, "%s%s {%0.2f/%d}%s", black ? "   " : "", r.text, r.score / 100.0, r.depth, black ? "\n" : "");
  }
  const MoveRecord& r = game.rec[last];
  std::fprintf(f, "%s{not played: %s %0.2f/%d}\n%s\n\n", last & 1 ? "   " : "", r.text, r.score / 100.0, r.depth,
               kResultText[game.result]);
  std::fflush(f);
}

void Count(int result, bool first_white, MatchScore* score) {
  if (result == Draw)
    score->draws++;
  else if ((result == WhiteWins) == first_white)
    score->wins++;
  else
    score->losses++;
}

void ShowProgress(int g, const MatchScore& s) {
  const double f = (s.wins + 0.5 * s.draws) / g;
  const double m = 1.5 * std::sqrt(g + 10.0) / (g + 1);
  const char mark = g > 200 && (f > 0.5 + m || f < 0.5 - m) ? '*' : ' ';
  char line[96];
  std::snprintf(line, sizeof line, "%4d games,  %3d %3d %3d  %0.3f (+/- %0.3f) %c", g, s.wins, s.losses, s.draws, f,
                m, mark);
  ShowMessage(line);
}

}  // namespace

void PlayMatch(const PersonalityRecord& first, const PersonalityRecord& second, int games, MatchScore* score,
               FILE* pgn) {
  *score = MatchScore{};
  // Only long searches are worth a table cleared per game; once off, it stays off.
  if (SearchData.max_depth < 8 || SearchData.node_limit <= 100000 || SearchData.fixed_time <= 0.1)
    SearchData.hash_enabled = 0;
  static GameRecord game;
  for (int g = 1; g <= games; g++) {
    const bool first_white = std::rand() % 2 == 0;
    const PersonalityRecord* const sets[2] = {first_white ? &first : &second, first_white ? &second : &first};
    if (!PlayGame(sets, &game)) break;
    Count(game.result, first_white, score);
    if (pgn) {
      WriteGame(pgn, g, game, first_white);
      if (std::ferror(pgn)) break;  // the caller's close reports it
    }
    if (g % 20 == 19) ShowProgress(g, *score);
  }
  SearchData.go_request = 0;
  SearchData.state = StateIdle;
}
