// Console commands that move along the game record, load and save it, edit
// the board and change settings, run in-process.
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <vector>

#include "board/makemove.h"
#include "console_fixture.h"
#include "engine/params.h"

namespace {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

bool SamePosition(const Position& a, const Position& b) {
  return std::memcmp(a.board, b.board, sizeof a.board) == 0 && std::memcmp(a.bb, b.bb, sizeof a.bb) == 0 &&
         std::memcmp(a.list, b.list, sizeof a.list) == 0 && a.key == b.key && a.pawn_key == b.pawn_key &&
         a.msig[0] == b.msig[0] && a.msig[1] == b.msig[1] && a.npm[0] == b.npm[0] && a.npm[1] == b.npm[1] &&
         a.side == b.side && a.fifty == b.fifty && a.castling == b.castling && a.ep == b.ep;
}

}  // namespace

TEST_F(ConsoleTest, TypedMovesUndoAndRedoNumberTheirLines) {
  Run("new");
  EXPECT_EQ(Lines(Run("e2e4"))[0], "1. move e2e4");
  const Position after_e4 = CTD->pos;
  EXPECT_EQ(Lines(Run("e7e5"))[0], "1. move e7e5");
  const Position after_e5 = CTD->pos;
  Run("undo");
  EXPECT_TRUE(SamePosition(CTD->pos, after_e4));
  EXPECT_EQ(Lines(Run("]"))[0], "1... move e7e5");
  EXPECT_TRUE(SamePosition(CTD->pos, after_e5));
  EXPECT_EQ(CTD->game_ply, 2);
  // Algebraic and castling forms, and "move" with the text as its argument.
  EXPECT_EQ(Lines(Run("Nf3"))[0], "2. move Nf3");
  EXPECT_EQ(Lines(Run("move Nc6"))[0], "2. move Nc6");
  EXPECT_EQ(Lines(Run("Bc4"))[0], "3. move Bc4");
  Run("Bc5");
  EXPECT_EQ(Lines(Run("O-O"))[0], "4. move o-o");
  EXPECT_EQ(CTD->pos.board[6], PieceCode(King, White));
  // Words that are no move, and moves that are not legal, change nothing and
  // are answered in one line.
  const Position here = CTD->pos;
  EXPECT_EQ(Run("hello"), "unknown command or illegal move 'hello'\n");
  EXPECT_EQ(Run("move e1e2"), "unknown command or illegal move 'e1e2'\n");
  EXPECT_EQ(Run("aVeryLongWordThatIsNoMoveAtAll"), "unknown command or illegal move 'aVeryLongWordThatIsNoMoveAtAll'\n");
  EXPECT_TRUE(SamePosition(CTD->pos, here));
  // Undo at the start of the record does nothing.
  Run("new");
  EXPECT_EQ(Run("undo"), "");
  EXPECT_EQ(Run("]"), "");
}

TEST_F(ConsoleTest, JumpAndUndoRestoreExactPositions) {
  Run("new");
  std::vector<Position> seen{CTD->pos};
  for (const char* m : {"d2d4", "g8f6", "c2c4", "e7e6", "b1c3"}) {
    Run(m);
    seen.push_back(CTD->pos);
  }
  for (int i = 0; i < 5; i++) Run("undo");
  EXPECT_TRUE(SamePosition(CTD->pos, seen[0]));
  Run("jump 3");
  EXPECT_EQ(CTD->game_ply, 3);
  EXPECT_TRUE(SamePosition(CTD->pos, seen[3]));
  Run("jump 0");
  EXPECT_TRUE(SamePosition(CTD->pos, seen[0]));
  Run("jump 99");
  EXPECT_EQ(CTD->game_ply, 5);
  EXPECT_TRUE(SamePosition(CTD->pos, seen[5]));
  Run("[");
  EXPECT_TRUE(SamePosition(CTD->pos, seen[4]));
}

TEST_F(ConsoleTest, StoredMovesAreReplayedOnlyWhenLegal) {
  Run("new");
  for (const char* m : {"e2e4", "e7e5", "g1f3", "b8c6"}) Run(m);
  Run("undo");
  Run("undo");
  // Another move here: the old continuation (g1f3 b8c6) is gone.
  Run("d2d4");
  EXPECT_EQ(Run("]"), "");
  Run("jump 9");
  EXPECT_EQ(CTD->game_ply, 3);
  // A stale entry that no longer fits the position is refused in one line.
  Run("undo");
  CTD->undo[CTD->game_ply].move = MakeMoveCode(4, 36);  // e1e5
  const Position here = CTD->pos;
  EXPECT_EQ(Run("]"), "stored move e1e5 is not legal here\n");
  EXPECT_TRUE(SamePosition(CTD->pos, here));
  Run("jump 0");
  CTD->undo[1].move = MakeMoveCode(12, 28);  // e2e4 again, illegal for Black
  const std::vector<std::string> lines = Lines(Run("jump 5"));
  EXPECT_EQ(lines[0], "stored move e2e4 is not legal here");
  EXPECT_EQ(CTD->game_ply, 1);
}

TEST_F(ConsoleTest, SavedGameLoadsBackMoveForMove) {
  InTempDir dir;
  Run("new");
  // Knights on b1 and f3 both reach d2, castling, captures, checks and a
  // promotion: 27 plies.
  const char* game[] = {"d4", "d5", "Nf3", "Nf6", "e3", "e6", "Bd3", "c5", "O-O", "Nc6", "c3", "Bd6",
                        "Nbd2", "O-O", "dxc5", "Bxc5", "e4", "dxe4", "Nxe4", "Nxe4", "Bxe4", "Qxd1",
                        "Rxd1", "f5", "Bxc6", "bxc6", "Rd7"};
  for (const char* m : game) ASSERT_NE(Run(m), "") << m;
  const Position end = CTD->pos;
  const int plies = CTD->game_ply;
  std::vector<Move> moves(plies);
  std::transform(CTD->undo, CTD->undo + plies, moves.begin(), [](const UndoRecord& u) { return u.move; });
  EXPECT_EQ(Run("save"), "game saved to tmp.pgn\n");
  EXPECT_EQ(CTD->game_ply, plies);
  EXPECT_TRUE(SamePosition(CTD->pos, end));

  const std::vector<std::string> file = Lines(ReadFile("tmp.pgn"));
  ASSERT_GE(file.size(), 5u);
  EXPECT_EQ(file[0], "[Event \"Unknown\"]");
  EXPECT_EQ(file[1], "");
  EXPECT_EQ(file[2], "d4 d5 Nf3 Nf6 e3 e6 Bd3 c5 O-O Nc6 c3");
  EXPECT_EQ(file[3], "Bd6 Nbd2 O-O dxc5 Bxc5 e4 dxe4 Nxe4 Nxe4 Bxe4 Qxd1");
  EXPECT_EQ(file[4], "Rxd1 f5 Bxc6 bxc6 Rd7 *");

  Run("new");
  const std::vector<std::string> out = Lines(Run("load tmp.pgn"));
  EXPECT_EQ(out[0], "loading tmp.pgn, tag ");
  EXPECT_EQ(CTD->game_ply, plies);
  EXPECT_TRUE(SamePosition(CTD->pos, end));
  for (int i = 0; i < plies; i++) EXPECT_EQ(CTD->undo[i].move, moves[i]) << i;
  EXPECT_EQ(CTD->undo[plies].move, NullMove);
}

// A full disk costs "save" one line, and the game record stays whole.
TEST_F(ConsoleTest, SaveThatCannotWriteSaysSo) {
  InTempDir dir;
  for (const char* m : {"new", "e4", "e5"}) Run(m);
  std::filesystem::create_symlink("/dev/full", "tmp.pgn");
  EXPECT_EQ(Run("save"), "can't write tmp.pgn\n");
  EXPECT_EQ(Epd(), "rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR w KQkq e6");
}

TEST_F(ConsoleTest, LoadPicksTheGameAndSkipsCommentsNumbersAndResults) {
  InTempDir dir;
  WriteFile("f.pgn",
            "[Event \"First\"]\n[White \"A\"]\n\n1.d4 {quoted:\n  [Event \"Not a game\"]\n} d5 1-0\n\n"
            "[Event \"Second\"]\n[White \"Someone\"]\n\n"
            "1.e4 {a comment that\nruns over [two] lines} e5 2.Nf3 {short} 1/2-1/2\n\n"
            "[Event \"Third\"]\n[White \"Other\"]\n\n1.c4 e5 2.Xz9 Nc6\n");
  Run("load f.pgn 2");
  EXPECT_EQ(CTD->game_ply, 3);
  EXPECT_EQ(Epd(), "rnbqkbnr/pppp1ppp/8/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R b KQkq -");
  Run("load f.pgn");
  EXPECT_EQ(Epd(), "rnbqkbnr/ppp1pppp/8/3p4/3P4/8/PPP1PPPP/RNBQKBNR w KQkq d6");
  Run("load f.pgn 5000");
  EXPECT_EQ(CTD->game_ply, 2);
  Run("load f.pgn Someone");
  EXPECT_EQ(CTD->game_ply, 3);
  // A move that cannot be read stops the game there, the moves before it played.
  const std::vector<std::string> out = Lines(Run("load f.pgn Other"));
  ASSERT_GE(out.size(), 3u);
  EXPECT_EQ(out[2], "can't parse move 'Xz9'");
  EXPECT_EQ(CTD->game_ply, 2);
  EXPECT_EQ(CTD->undo[2].move, NullMove);
  // A missing file loads nothing, says so and resets the clocks.
  SearchData.clock[White] = 1.0;
  const Position here = CTD->pos;
  EXPECT_EQ(Run("load missing.pgn"), "loading missing.pgn, tag \n\ncan't open missing.pgn\n");
  EXPECT_TRUE(SamePosition(CTD->pos, here));
  EXPECT_EQ(SearchData.clock[White], SearchData.fixed_time);
}

// The c3 knight is pinned: 8.Ne2 names the g3 knight, typed or loaded; the
// game with variations, ';' comments and '%' lines loads as the game without.
TEST_F(ConsoleTest, PinnedRivalAndVariationsInTypedAndLoadedGames) {
  InTempDir dir;
  Run("new");
  std::istringstream in("d4 Nf6 c4 e6 Nc3 Bb4 e3 b6 Ne2 Ba6 Ng3 h5 Bd3 h4");
  for (std::string m; in >> m;) ASSERT_NE(Run(m), "") << m;
  EXPECT_EQ(Lines(Run("Ne2"))[0], "8. move Ne2");
  const std::string end = Epd() + " 15";
  WriteFile("g.pgn", "[Event \"Plain\"]\n1. d4 Nf6 2. c4 e6 3. Nc3 Bb4 4. e3 b6 5. Ne2 Ba6 6. Ng3 h5 7. Bd3 h4 8. Ne2 *\n"
                     "[Event \"Dressed\"]\n1. d4 Nf6 2. c4 e6 (2... g6 (2... d5 {a (note}) 3. Nc3 ; 3... Bg7 (\n% 3... d5 (\n"
                     "3. Nf3 Bg7) 3. Nc3 Bb4 4. e3 b6 5. Ne2 Ba6 6. Ng3 h5 7. Bd3 h4 8. Ne2 *\n");
  for (const std::string game : {"1", "2"}) {
    Run("load g.pgn " + game);
    EXPECT_EQ(Epd() + " " + std::to_string(CTD->game_ply), end) << game;
  }
}

TEST_F(ConsoleTest, EditorBuildsLegalPositionsAndRefusesOthers) {
  const std::string menu =
      "\n\n.                    end edit\n#                    clear board\n"
      "w  Pa2 Pb2 Kc2       white, pieces\nb  Pa7 Pb7 Kc7       black, pieces\n";
  Run("e2e4");
  std::string out = RunWithInput("edit", "#\nw Ke1 Ra1 Rh1\n\nb Ke8\n.\n");
  EXPECT_EQ(out.substr(0, menu.size()), menu);
  EXPECT_EQ(Epd(), "4k3/8/8/8/8/8/8/R3K2R b KQ -");
  EXPECT_EQ(CTD->game_ply, 0);
  // Pieces are replaced and removed square by square; the side to move is the
  // colour of the last piece line; the end of input ends the dialogue too.
  RunWithInput("edit", "w Qe1 Kd1 xh1\nb Pe7 Ra8 Rh8\n");
  EXPECT_EQ(Epd(), "r3k2r/4p3/8/8/8/8/8/R2KQ3 b - -");

  const std::string before = Epd();
  const char* refused[] = {
      "#\nw Ke1\n.\n",                   // no black king
      "#\nw Ke1 Pa8\nb Ke8\n.\n",        // pawn on the back rank
      "#\nw Ke1 Qe7\nb Ke8\nw\n.\n",     // the side not to move is in check
      "#\nw Ke1 Kd1\nb Ke8\n.\n",        // two kings
  };
  for (const char* input : refused) {
    out = RunWithInput("edit", input);
    const std::vector<std::string> lines = Lines(out.substr(menu.size()));
    ASSERT_EQ(lines.size(), 1u) << input;
    EXPECT_EQ(lines[0].rfind("Illegal EPD - ", 0), 0u) << input;
    EXPECT_EQ(Epd(), before) << input;
  }
  // A square off the board is refused in one line and the rest of the line is read; "quit" ends the program.
  out = RunWithInput("edit", "#\nw Ke1 Qd1 Pi1 Pa9 Ph0 Nb1 P1\nKe8\nb Ke8\n.\n");
  EXPECT_EQ(Lines(out.substr(menu.size()))[0], "'Pi1' is not a piece on a square from a1 to h8, skipped");
  EXPECT_EQ(Epd(), "4k3/8/8/8/8/8/8/1N1QK3 b - -");
  RunWithInput("edit", "quit\n");
  EXPECT_EQ(PBlock.quit, 1);
  PBlock.quit = 0;
  // More pieces of a kind than the piece lists hold.
  out = RunWithInput("edit", "#\nw Ke1 Na1 Nb1 Nc1 Nd1 Nf1 Ng1 Nh1 Na2 Nb2 Nc2 Nd2\nb Ke8\n.\n");
  EXPECT_EQ(Lines(out.substr(menu.size())).size(), 1u);
  EXPECT_EQ(Epd(), "4k3/8/8/8/8/8/8/1N1QK3 b - -");
  // A line of any length is read whole, so the piece at its end is not cut short.
  out = RunWithInput("edit", "#\nw Ke1" + std::string(300, ' ') + "Qh1\nb Ke8\n.\n");
  EXPECT_EQ(Lines(out.substr(menu.size()))[0], "4k3/8/8/8/8/8/8/4K2Q b - -");
}

TEST_F(ConsoleTest, SetChangesSettingsWithinTheirBounds) {
  EXPECT_EQ(Run("set level 40 5:00 2"), "set level to 40 moves in 300.00 seconds, inc 2.00\n");
  EXPECT_EQ(SearchData.time_control, 40);
  EXPECT_EQ(SearchData.clock[Black], 300.0);
  EXPECT_EQ(SearchData.increment, 2.0);
  Run("set level 0 90.5 0");
  EXPECT_EQ(SearchData.fixed_time, 90.5);
  Run("set depth 200");
  EXPECT_EQ(SearchData.max_depth, 66);
  Run("set depth 7");
  EXPECT_EQ(SearchData.max_depth, 7);
  Run("set multipv 3");
  EXPECT_EQ(Personality.MultiPV, 3);
  Run("set xmultipvy 4");
  EXPECT_EQ(Personality.MultiPV, 4);
  Run("set multipv 1");
  // Search parameters keep the options' bounds, widened so a gate can be shut (0) or opened fully.
  EXPECT_EQ(Run("set SEP_depth 9"), "SEP_depth set to 9\n");
  EXPECT_EQ(SEP_depth, 9);
  EXPECT_EQ(Run("set FP_depth 0"), "FP_depth set to 0\n");
  EXPECT_EQ(Run("set LMP_depth 4"), "LMP_depth set to 4\n");
  EXPECT_EQ(Run("set NMP_depth 0"), "NMP_depth set to 0\n");
  EXPECT_EQ(Run("set LMR_depth 1"), "LMR_depth set to 1\n");
  EXPECT_EQ(Run("set LMR_strength 200"), "LMR_strength set to 200\n");
  EXPECT_EQ(Run("set LMR_strength 0"), "LMR_strength set to 0\n");
  EXPECT_EQ(Run("set ss 0"), "selectivity set to OFF\n");
  EXPECT_EQ(Personality.NMP_depth, 99);
  EXPECT_EQ(Personality.SEP_depth, 0);
  EXPECT_EQ(Run("set ss 1"), "set default personality\n");
  EXPECT_EQ(Personality.SEP_depth, DefaultPersonality.SEP_depth);
  EXPECT_EQ(Personality.LMR_strength, DefaultPersonality.LMR_strength);
  EXPECT_EQ(Run("set ponder 0"), "ponder set to 0\n");
  EXPECT_EQ(Personality.Ponder, 0);
  EXPECT_EQ(Run("set target_nps 5000"), "target_nps set to 5000\n");
  EXPECT_EQ(SearchData.target_nps.load(), 5000.0);
  EXPECT_EQ(Personality.UCI_LimitStrength, 1);
  EXPECT_EQ(Run("set target_nps 0"), "set target_nps value '0' is not a number of nodes per second above 0, not used\n");
  EXPECT_EQ(SearchData.target_nps.load(), 5000.0);
  Run("set hash 2");
  EXPECT_EQ(SearchData.hash_enabled, 2);
  Run("set hash 1");
  Run("set noise 2.5");
  EXPECT_EQ(PBlock.info_delay, 2.5);
  Run("set noise 9999");
  Run("set debug 1");
  EXPECT_EQ(PBlock.eval_trace, 1);
  Run("set debug 0");
  // Weights keep the ranges every setter keeps them to.
  EXPECT_EQ(Run("set knight_value_op 2000"), "knight_value_op set to 2000\n");
  EXPECT_EQ(Run("set PST_K_en -200"), "PST_K_en set to -200\n");
  Personality.knight_value_op = DefaultPersonality.knight_value_op, Personality.PST_K_en = DefaultPersonality.PST_K_en;
  EXPECT_EQ(Run("set colour blue"), "unknown setting 'colour'\n");
  Run("trace 3");
  EXPECT_EQ(PBlock.trace_depth, 3);
  Run("trace 0");
}

TEST_F(ConsoleTest, PerftSwapGetAndBadInput) {
  EXPECT_EQ(Lines(Run("perft 3")).back().rfind("visited 8902 nodes in ", 0), 0u);
  SearchData.go_request = 1;  // the next self-play move waits; the perft leaves the loop nothing to report
  EXPECT_EQ(Lines(Run("perft 0")).back().rfind("visited 1 nodes in ", 0), 0u);
  EXPECT_EQ(SearchData.state, StateIdle);
  SearchData.go_request = 0;
  Run("fen r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -");
  EXPECT_EQ(Lines(Run("perft 2")).back().rfind("visited 2039 nodes in ", 0), 0u);

  Run("fen 4k3/8/8/3p4/4N3/8/8/4K3 w - -");
  const std::string swaps = Run("swap");
  EXPECT_NE(swaps.find("sq= e4, swap= "), std::string::npos);
  EXPECT_EQ(swaps.find("sq= e1"), std::string::npos);

  // A missing position text is refused like any bad one; the board stays.
  const std::string before = Epd();
  EXPECT_EQ(Lines(Run("fen"))[0], "Illegal EPD - ");
  const std::vector<std::string> blank = Lines(Run("fen    "));
  EXPECT_EQ(blank.size(), 12u);
  EXPECT_EQ(blank[0], "Illegal EPD - ");
  EXPECT_EQ(Epd(), before);
  EXPECT_EQ(Run(std::string(200, 'x')), "word longer than 127 characters, line ignored\n");
  EXPECT_EQ(Run("e2e4 " + std::string(128, 'y')), "word longer than 127 characters, line ignored\n");
  EXPECT_EQ(Epd(), before);

  InTempDir dir;
  WriteFile("test.epd",
            "; comment id \"pos.1\"\n"
            "8/8/8/8/8/8/8/K6k w - - id \"pos.1\";\n"
            "r3k3/8/8/8/8/8/8/4K3\tb q -\tbm O-O-O;\tid\t\"pos.2\";\n");
  const std::vector<std::string> lines = Lines(Run("get pos.2"));
  EXPECT_EQ(lines[0], "r3k3/8/8/8/8/8/8/4K3 b q - bm O-O-O; id \"pos.2\";");
  EXPECT_EQ(Epd(), "r3k3/8/8/8/8/8/8/4K3 b q -");
  Run("get pos.1");
  EXPECT_EQ(Epd(), "8/8/8/8/8/8/8/K6k w - -");
  // An id not there, or only in quoted text, is not found; long lines are read whole.
  EXPECT_EQ(Run("get nothing"), "id \"nothing\" not found in test.epd\n");
  const std::string x(5000, 'x');
  WriteFile("test.epd", "8/8/8/8/8/8/8/k6K w - - c0 \"id tail\";\nk7/8/8/8/8/8/8/K7 w - - c0 \"" + x + "\"; id \"tail\";\n");
  EXPECT_EQ(Lines(Run("get tail"))[0], "k7/8/8/8/8/8/8/K7 w - - c0 \"" + x + "\"; id \"tail\";");
  EXPECT_EQ(Epd(), "k7/8/8/8/8/8/8/K7 w - -");

  // The id is the rest of the line, quoted or not, and must match whole.
  WriteFile("test.epd", "8/8/8/8/8/8/8/K6k w - - id Position 1;\n8/8/8/8/8/8/8/K5k1 w - - id Position 2;\n"
                        "8/8/8/8/8/8/8/K4k2 w - - id \"10\";\n8/8/8/8/8/8/8/K3k3 w - - id \"1_81, 44._?_666, 2\";\n");
  const std::pair<const char*, const char*> ids[] = {
      {"Position 2", "K5k1"}, {"10", "K4k2"}, {"1_81, 44._?_666, 2", "K3k3"}, {"Position 1", "K6k"},
      {"\"1_81, 44._?_666, 2\"", "K3k3"}};
  for (const auto& [id, kings] : ids) {
    Run(std::string("get ") + id);
    EXPECT_EQ(Epd(), std::string("8/8/8/8/8/8/8/") + kings + " w - -") << id;
  }
  for (const char* missing : {"Position", "1", "1_81,"})
    EXPECT_EQ(Run(std::string("get ") + missing), std::string("id \"") + missing + "\" not found in test.epd\n");
  EXPECT_EQ(Epd(), "8/8/8/8/8/8/8/K3k3 w - -");
}

TEST_F(ConsoleTest, TuneBookTagAndAmbiguousMoves) {
  EXPECT_EQ(Run("tag"), "");
  EXPECT_EQ(Run("tune"), "tune needs the name of a weight\n");
  PBlock.tool_file[0] = 0;
  Run("tune pawn_value_op");
  EXPECT_STREQ(PBlock.tool_file, "tune.epd");
  Run("tune pawn_value_op sample.epd 30");
  EXPECT_STREQ(PBlock.tool_file, "sample.epd");
  EXPECT_EQ(PBlock.tune_percent, 30);
  SearchData.max_depth = 9;  // the depth limit and the table the tune measures without come back
  Run("tune pawn_value_op other.epd 100");
  EXPECT_EQ(PBlock.tune_percent, 100);
  EXPECT_EQ(SearchData.max_depth, 9);
  EXPECT_EQ(SearchData.hash_enabled, 1);
  EXPECT_EQ(Lines(Run("book")).back(), "");

  // Knights on b1 and f3 both reach d2.
  Run("fen 4k3/8/8/8/8/5N2/8/1N2K3 w - -");
  EXPECT_EQ(Run("Nd2"), "ambiguous move\n");
  EXPECT_EQ(Lines(Run("Nbd2"))[0], "1. move Nbd2");
  Run("undo");
  EXPECT_EQ(Lines(Run("N3d2"))[0], "1. move N3d2");
}

TEST_F(ConsoleTest, EvalBreakdownSearchesTheRootAndRestoresTheSettings) {
  ASSERT_EQ(SetPosition(&CTD->pos, "4k3/P7/8/8/1b6/8/3N4/4K3 w - -"), kSetOk);
  SearchData.max_depth = 9;
  PBlock.eval_trace = 0;
  const std::vector<std::string> l = Lines(Run("ev"));
  EXPECT_EQ(SearchData.max_depth, 9);
  EXPECT_EQ(PBlock.eval_trace, 0);
  ASSERT_EQ(l.size(), 25u);
  int eval, qscore;
  ASSERT_EQ(std::sscanf(l[1].c_str(), "eval= %d, qscore= %d,", &eval, &qscore), 2);
  EXPECT_EQ(eval, SearchData.root_eval);
  EXPECT_EQ(qscore, SearchData.root_score);
  EXPECT_EQ(eval, ThreadData[0].load()->root_eval);
  EXPECT_EQ(l[6], "mtl=         470      371       99   (NP :: B)");
}

// Standard notation names the origin as far as the rivals that can move there
// need it; mate and stalemate give the result; each game loads back to its end.
TEST_F(ConsoleTest, SavedGamesUseStandardNotationAndLoadBack) {
  InTempDir dir;
  const std::pair<const char*, const char*> games[] = {
      {"4k3/8/8/8/8/8/8/Q1Q1K3 w - - a1b2", "Qab2 *"},      // one rival, on the rank
      {"4k3/8/8/8/8/8/3N4/4N1NK w - - d2f3", "Ndf3 *"},     // two, on neither file nor rank
      {"4k3/8/8/8/8/Q1Q5/8/Q1Q1K3 w - - a1b2", "Qa1b2 *"},  // three: file and rank
      {"7k/5Q2/6K1/8/8/8/8/8 w - - f7g7", "Qg7# 1-0"},
      {"7k/8/6K1/8/8/8/8/5Q2 w - - f1f7", "Qf7 1/2-1/2"},
      {"3k4/8/8/8/8/8/8/R3K3 w Q - e1c1", "O-O-O+ *"},  // the castling rook checks
      {"4rkr1/4p1p1/8/8/8/8/8/4K2R w K - e1g1", "O-O# 1-0"},  // and mates
      {"8/8/8/k2pP2R/8/8/8/4K3 w - d6 e5d6", "exd6+ *"},  // the pawn taken opens the rank
  };
  std::vector<std::string> ends;
  for (const auto& [setup, text] : games) {
    Run("fen " + std::string(setup));
    Run(std::string(setup).substr(std::strlen(setup) - 4));
    ends.push_back(Epd());
    EXPECT_EQ(Run("save"), "game saved to tmp.pgn\n") << text;
  }
  for (size_t i = 0; i < ends.size(); i++) {
    EXPECT_NE(ReadFile("tmp.pgn").find("\"]\n\n" + std::string(games[i].second) + "\n\n"), std::string::npos) << i;
    Run("load tmp.pgn " + std::to_string(i + 1));
    EXPECT_EQ(Epd(), ends[i]) << games[i].second;
  }
  std::filesystem::remove("tmp.pgn");
  std::filesystem::create_directory("tmp.pgn");
  EXPECT_EQ(Run("save"), "can't open tmp.pgn\n");
}

// A value missing, no number or out of range is refused in one line naming it; depth 0 would answer a move no
// search chose. An analysis runs without limits; the level and depth come back when it ends.
TEST_F(ConsoleTest, BadValuesAreRefusedInOneLineAndAnalysisLimitsEnd) {
  Run("set level 40 5:00 2");
  Run("set depth 7");
  const auto settings = [] {
    return std::make_tuple(SearchData.max_depth, SearchData.hash_enabled, SearchData.time_control,
                           SearchData.fixed_time, SearchData.increment, SearchData.clock[White], PBlock.info_delay,
                           Personality.knight_value_op, Personality.Ponder, PBlock.trace_depth, Epd(),
                           Personality.MultiPV, Personality.SEP_depth, PBlock.tune_percent);
  };
  const auto before = settings();
  const std::pair<std::string, std::string> cases[] = {
      {"set depth 0", "set depth value '0' is not a whole number of plies from 1 to 66"},
      {"set hash x", "set hash value 'x' is not a whole number from 0 to 255"},
      {"set level 1 1e308 0",
       "set level time value '1e308' is not seconds or minutes:seconds above 0, at most 1000000 seconds"},
      {"set level 40 5:00", "set level increment value missing (seconds from 0 to 1000000)"},
      {"set noise nan", "set noise value 'nan' is not seconds from 0 to 9999"},
      {"set knight_value_op 3.5", "set knight_value_op value '3.5' is not a whole number from 20 to 2000"},
      {"go x", "go depth value 'x' is not a whole number of plies from 1 to 66"},
      {"go -3", "go depth value '-3' is not a whole number of plies from 1 to 66"},
      {"an 0", "an depth value '0' is not a whole number of plies from 1 to 66"},
      {"perft -1", "perft depth value '-1' is not a whole number from 0 to 20"},
      {"perft 99999999999999999999", "perft depth value '99999999999999999999' is not a whole number from 0 to 20"},
      {"set multipv -5", "set multipv value '-5' is not a whole number from 1 to 255"},
      {"set level 40 -0:30 0",
       "set level time value '-0:30' is not seconds or minutes:seconds above 0, at most 1000000 seconds"},
      {"tune knight_value_op other.epd -5", "tune percent value '-5' is not a whole number from 1 to 100"},
      {"jump -1", "jump ply value '-1' is not a whole number from 0 to 730"},
      {"set ss", "set ss value missing (0 or 1)"},
      {"set SEP_depth 100", "set SEP_depth value '100' is not a whole number from 0 to 9"},
  };
  for (const auto& [line, message] : cases) {
    EXPECT_EQ(Run(line), message + ", not used\n") << line;
    EXPECT_EQ(settings(), before) << line;
  }
  Run("an 9");
  EXPECT_EQ(SearchData.fixed_time, kAnalysisTime);
  EXPECT_EQ(SearchData.max_depth, 9);
  Run("new");
  EXPECT_EQ(settings(), before);
  Run("set level 1 5 0");
  Run("set depth 66");
}
