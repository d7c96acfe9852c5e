#include "engine/console_pgn.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "board/attacks.h"
#include "board/bitboard.h"
#include "board/fen.h"
#include "board/legal.h"
#include "board/makemove.h"
#include "board/movetext.h"
#include "engine/console.h"
#include "engine/infile.h"
#include "engine/outfile.h"
#include "engine/output.h"
#include "engine/pgnread.h"
#include "search/records.h"
#include "search/searchdata.h"

namespace {

constexpr int kMaxGames = 1000;
constexpr size_t kShownWordSize = 32;
constexpr int kMovesPerLine = 11;
constexpr char kSaveFile[] = "tmp.pgn";

void CutAtPlus(char* text) { text[std::strcspn(text, "+")] = 0; }

// Standard notation, with "#" for a mate where the text says "+".
void SanText(Move m, char* out) {
  Position* pos = &CTD->pos;
  MoveToSan(pos, m, out);
  char* plus = std::strchr(out, '+');
  if (!plus) return;
  Move replies[256];
  MakeMove(pos, m);
  if (!LegalMoves(pos, replies)) *plus = '#';
  UnmakeMove(pos);
}

// The result of the game that stands on the board: decided by a mate or a
// stalemate, else "*", a game still in progress.
const char* ResultToken() {
  Position* pos = &CTD->pos;
  Move moves[256];
  if (LegalMoves(pos, moves)) return "*";
  if (!SqAtakd(pos, pos->list[pos->side][King][0], pos->side ^ 1)) return "1/2-1/2";
  return pos->side == White ? "0-1" : "1-0";
}

int ChooseGame(const char* arg, const char** search) {
  *search = "";
  if (std::isdigit(static_cast<unsigned char>(arg[0]))) {
    const long n = std::strtol(arg, nullptr, 10);
    return n >= 1 && n <= kMaxGames ? int(n) : 1;
  }
  if (!arg[0]) return 1;
  *search = arg;
  return 0;
}

// Plays the move of one word; false after a move that cannot be played.
bool PlayWord(std::string_view word) {
  const std::string_view move = PgnMoveText(word);
  if (move.empty()) return true;
  const int shown = int(std::min(move.size(), kShownWordSize));
  char line[96];
  if (CTD->game_ply >= kMaxGamePly) {
    std::snprintf(line, sizeof line, "game longer than %d plies, not loaded from '%.*s' on", kMaxGamePly, shown,
                  move.data());
    ShowMessage(line);
    return false;
  }
  char text[kMoveTextSize];
  Move m = NullMove;
  if (move.size() < sizeof text) {
    text[move.copy(text, sizeof text - 1)] = 0;
    if (!IsValidMove(text, &m)) m = NullMove;
  }
  if (!m) {
    std::snprintf(line, sizeof line, "can't parse move '%.*s'", shown, move.data());
    ShowMessage(line);
    return false;
  }
  MakeMove(&CTD->pos, m);
  CTD->search_ply = 1;
  return true;
}

// A game from a set-up position starts there; false when its position is
// illegal (SetPosition has said why), and then nothing of it is played.
bool ReadTag(std::string_view line) {
  std::string_view fen;
  if (!ReadPgnTag(line, "FEN", &fen)) return true;
  return SetPosition(&CTD->pos, std::string(fen).c_str()) != kSetRejected;
}

// Reads a line of move text, playing its moves when play is set; false after
// a move that cannot be played.
bool ReadMoveLine(PgnSkip* skip, std::string_view text, bool play) {
  PgnLine l{text, 0, {}};
  for (PgnItem i; (i = NextPgnItem(skip, &l, nullptr)) != PgnItem::LineEnd;)
    if (play && i == PgnItem::Word && !PlayWord(l.word)) return false;
  return true;
}

// Every line of move text is read, in the chosen game or not, so that an
// Event tag inside a comment is known for comment text and counts no game.
void ReadGame(FILE* f, int wanted, const char* search) {
  PgnFile in;
  in.f = f;
  int count = 0;
  PgnSkip skip;
  while (ReadPgnLine(&in)) {
    const std::string& line = in.line;
    const bool tag = IsPgnTagLine(skip, line);
    if (FindOutsideComments(skip, line, "[Event ") != line.npos) count++;
    bool chosen = wanted && count == wanted;
    if (!wanted && line.find(search) != line.npos) {
      wanted = count;
      chosen = true;
    }
    if (wanted && count > wanted) break;
    const bool read = tag ? !chosen || ReadTag(line) : ReadMoveLine(&skip, line, chosen);
    if (!read) break;
  }
}

// A game that does not start from the standard position (set up, or with its
// oldest plies let go) names the position it starts from; the game record
// stands there now.
void WriteStart(FILE* f) {
  char epd[256];
  MakeEPD(&CTD->pos, epd);
  if (!CTD->dropped_plies && !std::strcmp(epd, fen_opn)) return;
  std::fprintf(f, "[SetUp \"1\"]\n[FEN \"%s %d %d\"]\n", epd, CTD->pos.fifty, 1 + CTD->dropped_plies / 2);
}

void SetBothClocks() {
  SearchData.clock[White] = SearchData.fixed_time;
  SearchData.clock[Black] = SearchData.fixed_time;
}

}  // namespace

int MoveTextMatches(const char* text) {
  Position* pos = &CTD->pos;
  Move legal[256];
  const int count = LegalMoves(pos, legal);
  int n = 0;
  for (int i = 0; i < count; i++) {
    char t[4][kMoveTextSize];
    GenMoveStrings(pos, legal[i], t[0], t[1], t[2], t[3]);
    for (char* s : t) {
      CutAtPlus(s);
      if (!std::strcmp(s, text)) {
        n++;
        break;
      }
    }
  }
  return n;
}

void LoadGame(const char* path, const char* game) {
  char line[300];
  std::snprintf(line, sizeof line, "loading %s, tag %s\n", path, game);
  ShowMessage(line);
  FILE* f = OpenInput(path);
  if (!f) {
    SetBothClocks();
    return;
  }
  AbandonSearch();
  SetPosition(&CTD->pos, fen_opn);
  const char* search;
  const int wanted = ChooseGame(game, &search);
  ReadGame(f, wanted, search);
  std::fclose(f);
  CTD->undo[CTD->game_ply].move = NullMove;
  ShowBoard(&CTD->pos);
  SetBothClocks();
}

void SaveGame() {
  QuietSearch();
  FILE* f = std::fopen(kSaveFile, "a");
  if (!f) {
    ShowFormatted("can't open %s", kSaveFile);
    return;
  }
  Position* pos = &CTD->pos;
  const int n = CTD->game_ply;
  while (CTD->game_ply > 0) UnmakeMove(pos);
  std::fputs("[Event \"Unknown\"]\n", f);
  WriteStart(f);
  std::fputs("\n", f);
  for (int i = 0; i < n; i++) {
    const Move m = CTD->undo[CTD->game_ply].move;
    char text[kMoveTextSize];
    SanText(m, text);
    std::fprintf(f, "%s%s", i == 0 ? "" : i % kMovesPerLine == 0 ? "\n" : " ", text);
    MakeMove(pos, m);
  }
  CTD->search_ply = 1;
  std::fprintf(f, "%s%s\n\n", n ? " " : "", ResultToken());
  if (CloseOutput(f, kSaveFile)) ShowFormatted("game saved to %s", kSaveFile);
}
