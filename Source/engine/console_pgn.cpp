#include "engine/console_pgn.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

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
#include "engine/pgngames.h"
#include "engine/pgnread.h"
#include "search/records.h"
#include "search/searchdata.h"

namespace {

constexpr size_t kShownWordSize = 32;
constexpr int kMovesPerLine = 11;
constexpr char kSaveFile[] = "tmp.pgn";

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

// The game "load" asks for: by its number, or by a text of its tags.
struct WantedGame {
  bool by_text;
  long number;
  std::string_view text;
};

WantedGame ChooseGame(const char* arg) {
  if (!arg[0]) return {false, 1, {}};
  if (!std::isdigit(static_cast<unsigned char>(arg[0]))) return {true, 0, arg};
  return {false, std::strtol(arg, nullptr, 10), {}};
}

// Plays one move of the chosen game; false when it cannot be played.
bool PlayGameText(std::string_view move) {
  if (CTD->game_ply >= kMaxGamePly) {
    const int shown = int(std::min(move.size(), kShownWordSize));
    ShowFormatted("game longer than %d plies, not loaded from '%.*s' on", kMaxGamePly, shown, move.data());
    return false;
  }
  char text[kMoveTextSize];
  Move m = NullMove;
  int reading = kTextNoMove;
  if (move.size() < sizeof text) {
    text[move.copy(text, sizeof text - 1)] = 0;
    reading = ReadMoveText(&CTD->pos, text, &m);
  }
  if (reading != kTextOneMove) {
    ShowRefusedMove(nullptr, 0, move, reading);
    return false;
  }
  MakeMove(&CTD->pos, m);
  CTD->search_ply = 1;
  return true;
}

// Games are found as every tool finds them; the one wanted is played from
// its start, its tags read first.
struct GameLoader {
  WantedGame wanted;
  PgnGames games;
  std::vector<std::string> tags;  // of the game read now, while it is not chosen
  std::string start = fen_opn;    // of the chosen game: its FEN tag's position, the last one
  int chosen = 0;                 // the chosen game's number, 0 while none is
  bool begun = false;    // the game record was offered the chosen game's start
  bool refused = false;  // and refused it: the game cannot be had
  bool done = false;     // the chosen game is played to its end, or to a move that cannot be played
};

bool IsWanted(const GameLoader& l) {
  if (!l.wanted.by_text) return l.games.games == l.wanted.number;
  return std::any_of(l.tags.begin(), l.tags.end(),
                     [&](const std::string& tag) { return tag.find(l.wanted.text) != tag.npos; });
}

void ReadSetUp(GameLoader& l, std::string_view tag) {
  if (std::string_view fen; ReadPgnTag(tag, "FEN", &fen)) l.start = fen;
}

void Choose(GameLoader& l) {
  if (l.chosen || !l.games.open || !IsWanted(l)) return;
  l.chosen = l.games.games;
  for (const std::string& tag : l.tags) ReadSetUp(l, tag);
}

// The game record takes the chosen game's start once its tags are read, at
// its first move or at its end; a set-up it refuses leaves it as it was.
bool Begin(GameLoader& l) {
  if (!l.begun) {
    l.begun = true;
    AbandonSearch();
    char prefix[32];
    std::snprintf(prefix, sizeof prefix, "game %d: ", l.chosen);
    l.refused = SetPosition(&CTD->pos, l.start.c_str(), prefix) == kSetRejected;
  }
  return !l.refused;
}

void ReadGameMoves(GameLoader& l, std::string_view line) {
  Choose(l);
  PgnLine p{line, 0, {}};
  for (PgnItem i; !l.done && (i = NextPgnItem(&l.games.skip, &p, nullptr)) != PgnItem::LineEnd;) {
    std::string_view move;
    const PgnWordKind kind = i == PgnItem::Word ? ReadPgnGameWord(&l.games, p.word, &move) : PgnWordKind::Other;
    if (kind == PgnWordKind::FirstMove) {
      l.done = l.chosen != 0;
      l.tags.clear();
      Choose(l);
    }
    if (!l.done && l.chosen && (kind == PgnWordKind::FirstMove || kind == PgnWordKind::Move))
      l.done = !Begin(l) || !PlayGameText(move);
  }
}

void ReadLine(GameLoader& l, const std::string& line) {
  const PgnLineKind kind = ReadPgnGameLine(&l.games, line);
  if (kind == PgnLineKind::FirstTag) {
    l.done = l.chosen != 0;
    l.tags.clear();
  }
  if (l.done) return;
  if (kind == PgnLineKind::MoveText)
    ReadGameMoves(l, line);
  else if (l.chosen)
    ReadSetUp(l, line);
  else
    l.tags.push_back(line);
}

enum class Loading { NotFound, Refused, Loaded };

Loading ReadGame(FILE* f, const WantedGame& wanted) {
  PgnFile in;
  in.f = f;
  GameLoader l;
  l.wanted = wanted;
  while (!l.done && ReadPgnLine(&in)) ReadLine(l, in.line);
  Choose(l);  // a last game of tags only
  if (!l.chosen) return Loading::NotFound;
  return Begin(l) ? Loading::Loaded : Loading::Refused;
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

// The user's level, not a running analysis's time without limit.
void SetBothClocks() {
  SearchData.clock[White] = LevelFixedTime();
  SearchData.clock[Black] = LevelFixedTime();
}

}  // namespace

int MoveTextMatches(const char* text) {
  char t[kMoveTextSize];
  if (std::strlen(text) >= sizeof t) return kTextNoMove;
  std::strcpy(t, text);
  Move m;
  return ReadMoveText(&CTD->pos, t, &m);
}

void LoadGame(const char* path, const char* game) {
  char line[300];
  std::snprintf(line, sizeof line, "loading %s, tag %s\n", path, game);
  ShowMessage(line);
  if (FILE* f = OpenInput(path)) {
    const WantedGame wanted = ChooseGame(game);
    const Loading loading = ReadGame(f, wanted);
    std::fclose(f);
    if (loading == Loading::Loaded) {
      CTD->undo[CTD->game_ply].move = NullMove;
      ShowBoard(&CTD->pos);
    } else if (loading == Loading::NotFound && wanted.by_text) {
      ShowFormatted("no game with '%s' in its tags in %s", game, path);
    } else if (loading == Loading::NotFound) {
      ShowFormatted("no game %s in %s", game, path);
    }
  }
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
