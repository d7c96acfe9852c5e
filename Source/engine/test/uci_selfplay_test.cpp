// Long self-play through pipes, for scripts/selfplay.sh (not part of CI):
// two engine processes play many fast games with clocks and pondering, and
// every crash, hang, illegal move and loss on time is counted, with the moves
// played while the mover's clock was under the engine's reserve.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

#include "board/attacks.h"
#include "uci_harness.h"

using namespace harness;

namespace {

int EnvInt(const char* name, int fallback) {
  const char* v = std::getenv(name);
  return v && *v ? std::atoi(v) : fallback;
}

struct Player {
  Engine e;
  std::string dir;
  bool pondering = false;
  std::string ponder_move;  // the move the running ponder search expects
};

struct Tally {
  int games = 0, wins[2] = {0, 0}, draws = 0;
  int crashes = 0, hangs = 0, illegal = 0, time_losses = 0;
  long moves = 0, short_moves = 0;
  double think = 0, short_think = 0, short_longest = 0, least_clock = 1e9;
};

// Five move overheads of the default MoveOverhead (50 ms): below this the
// engine plays as fast as it can.
constexpr double kReserve = 5 * 0.050;

bool StartPlayer(Player& p, int threads, int hash, int ponder) {
  char tmpl[] = "/tmp/kerv_self_XXXXXX";
  p.dir = mkdtemp(tmpl) ? tmpl : "/tmp";
  if (!Start(p.e, {"-threads", std::to_string(threads), "-hash", std::to_string(hash)}, p.dir)) return false;
  Send(p.e, "uci");
  if (!WaitFor(p.e, "uciok", 20.0)) return false;
  Send(p.e, std::string("setoption name Ponder value ") + (ponder ? "true" : "false"));
  Send(p.e, "isready");
  return WaitFor(p.e, "readyok", 10.0);
}

bool Alive(Player& p) { return waitpid(p.e.pid, nullptr, WNOHANG) == 0; }

std::string GoArgs(const double clock[2], int inc_ms) {
  char go[160];
  std::snprintf(go, sizeof go, "wtime %d btime %d winc %d binc %d", int(clock[0] * 1000), int(clock[1] * 1000), inc_ms,
                inc_ms);
  return go;
}

// Ends a ponder search whose guess was wrong; its answer is not a move.
bool CancelPonder(Player& p) {
  if (!p.pondering) return true;
  p.pondering = false;
  Send(p.e, "stop");
  return WaitFor(p.e, "bestmove", 5.0);
}

enum Outcome { Ongoing, WhiteWins, BlackWins, Draw, Fault };

}  // namespace

TEST(UciSelfPlay, DISABLED_LongRun) {
  const int games = EnvInt("KERV_GAMES", 200);
  const int base_ms = EnvInt("KERV_TC_MS", 3000);
  const int inc_ms = EnvInt("KERV_INC_MS", 50);
  const int threads = EnvInt("KERV_THREADS", 1);
  const int hash = EnvInt("KERV_HASH", 16);
  const int ponder = EnvInt("KERV_PONDER", 1);
  std::mt19937 rng(unsigned(EnvInt("KERV_SEED", 1)));
  Tally t;
  Player players[2];
  for (Player& p : players) ASSERT_TRUE(StartPlayer(p, threads, hash, ponder));

  for (int g = 0; g < games; g++) {
    // Engine 0 takes white in even games.
    const int white_player = g % 2;
    Board b;
    b.Set(fen_opn);
    std::string moves;
    // A few random plies, so that the games differ.
    for (int i = 0, n = 2 + int(rng() % 4); i < n; i++) {
      Move list[256];
      const int count = LegalMoves(b.pos(), list);
      char text[16];
      MoveToStr(list[rng() % count], text);
      b.Play(text);
      moves += std::string(" ") + text;
    }
    double clock[2] = {base_ms / 1000.0, base_ms / 1000.0};
    for (Player& p : players) {
      CancelPonder(p);
      Send(p.e, "ucinewgame");
    }
    Outcome outcome = Ongoing;
    for (int ply = 0; outcome == Ongoing; ply++) {
      const int side = b.pos()->side;
      Player& p = players[side == White ? white_player : 1 - white_player];
      const std::string position = "position startpos moves" + moves;
      const double t0 = Now();
      if (p.pondering && moves.size() >= p.ponder_move.size() &&
          moves.compare(moves.size() - p.ponder_move.size(), p.ponder_move.size(), p.ponder_move) == 0) {
        Send(p.e, "ponderhit");
        p.pondering = false;
      } else {
        if (!CancelPonder(p)) {
          outcome = Fault;
          t.hangs++;
          break;
        }
        Send(p.e, position);
        Send(p.e, "go " + GoArgs(clock, inc_ms));
      }
      std::string line;
      if (!WaitFor(p.e, "bestmove", clock[side] + 5.0, &line)) {
        outcome = Fault;
        if (Alive(p))
          t.hangs++;
        else
          t.crashes++;
        std::fprintf(stderr, "game %d: no bestmove\n%s", g, Tail(p.e).c_str());
        break;
      }
      const double spent = Now() - t0;
      t.think += spent;
      t.moves++;
      if (clock[side] < kReserve) {
        t.short_moves++;
        t.short_think += spent;
        t.short_longest = std::max(t.short_longest, spent);
      }
      clock[side] -= spent;
      t.least_clock = std::min(t.least_clock, clock[side]);
      if (clock[side] < 0) {
        t.time_losses++;
        std::fprintf(stderr, "game %d: lost on time at ply %d, %.1f ms over\n", g, ply, -clock[side] * 1000);
        outcome = side == White ? BlackWins : WhiteWins;
        break;
      }
      clock[side] += inc_ms / 1000.0;
      const std::string best = Field(line + " ", "bestmove");
      const std::string pmove = Field(line + " ", "ponder");
      if (!b.Play(best)) {
        t.illegal++;
        std::fprintf(stderr, "game %d: illegal move %s after%s\n", g, best.c_str(), moves.c_str());
        outcome = Fault;
        break;
      }
      moves += " " + best;
      if (ponder && !pmove.empty()) {
        Board after;
        after.td->pos = b.td->pos;
        after.td->pos.owner = after.td;
        if (!after.Legal(pmove)) {
          t.illegal++;
          std::fprintf(stderr, "game %d: illegal ponder move %s\n", g, pmove.c_str());
        } else {
          Send(p.e, position + " " + best + " " + pmove);
          Send(p.e, "go ponder " + GoArgs(clock, inc_ms));
          p.pondering = true;
          p.ponder_move = " " + pmove;
        }
      }
      // Game end by the rules, or adjudicated as a draw when very long.
      const int in_check = SqAtakd(b.pos(), b.pos()->list[b.pos()->side][King][0], b.pos()->side ^ 1);
      if (b.MoveCount() == 0)
        outcome = in_check ? (b.pos()->side == White ? BlackWins : WhiteWins) : Draw;
      else if (IsDraw(b.pos(), in_check, 3) || ply > 400)
        outcome = Draw;
    }
    if (outcome == Fault) {
      for (Player& p : players) {
        if (p.e.pid > 0) Quit(p.e, 2.0);
        ASSERT_TRUE(StartPlayer(p, threads, hash, ponder));
      }
      continue;
    }
    t.games++;
    if (outcome == Draw)
      t.draws++;
    else
      t.wins[(outcome == WhiteWins) == (white_player == 0) ? 0 : 1]++;
    if ((g + 1) % 10 == 0)
      std::printf("after %d games: +%d =%d -%d, crashes %d, hangs %d, illegal %d, time losses %d\n", g + 1,
                  t.wins[0], t.draws, t.wins[1], t.crashes, t.hangs, t.illegal, t.time_losses);
    std::fflush(stdout);
  }
  for (Player& p : players) {
    CancelPonder(p);
    EXPECT_EQ(Quit(p.e), 0);
    std::error_code ec;
    std::filesystem::remove_all(p.dir, ec);
  }
  std::printf("games %d (+%d =%d -%d), moves %ld, mean think %.3f s, crashes %d, hangs %d, illegal %d, time losses %d\n",
              t.games, t.wins[0], t.draws, t.wins[1], t.moves, t.moves ? t.think / t.moves : 0.0, t.crashes, t.hangs,
              t.illegal, t.time_losses);
  std::printf("under the reserve: moves %ld, mean think %.4f s, longest %.4f s; least clock left after a move %.4f s\n",
              t.short_moves, t.short_moves ? t.short_think / t.short_moves : 0.0, t.short_longest, t.least_clock);
  EXPECT_EQ(t.crashes, 0);
  EXPECT_EQ(t.hangs, 0);
  EXPECT_EQ(t.illegal, 0);
  EXPECT_EQ(t.time_losses, 0);
}
