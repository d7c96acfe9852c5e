#include "engine/uci.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "board/bitboard.h"
#include "board/fen.h"
#include "board/gamehistory.h"
#include "board/legal.h"
#include "engine/golimits.h"
#include "engine/input.h"
#include "engine/loop.h"
#include "engine/output.h"
#include "engine/params.h"
#include "engine/textline.h"
#include "eval/display.h"
#include "eval/weights.h"
#include "search/calibrate.h"
#include "search/searchcontrol.h"
#include "search/searchdata.h"
#include "search/searchparams.h"
#include "search/threads.h"
#include "search/tt.h"
#include "tablebase/tbcore.h"

namespace {

constexpr char kVersion[] = "Kerv 3.75";
constexpr int kNameSize = 100;  // 99 characters and the NUL

int uci_debug = 0;

enum OptionKind { Spin, Check, Text, Button, Elo, Pair };

struct UciOption {
  const char* name;
  OptionKind kind;
  int field;  // index into the parameter record
  int min, max;
  bool extra;  // listed and accepted only with -uci_extra
};

// An option that sets weights takes their range.
constexpr UciOption Weight(const char* name, OptionKind kind, int field, bool extra) {
  return {name, kind, field, RangeOf(field).lo, RangeOf(field).hi, extra};
}

// In the order "uci" lists them.
constexpr UciOption kOptions[] = {
    {"Hash", Spin, PARAM_INDEX(Hash), 0, kMaxHash, false},
    {"Threads", Spin, PARAM_INDEX(Threads), 1, 80, false},
    {"Clear_Hash", Button, 0, 0, 0, false},
    {"OwnBook", Check, PARAM_INDEX(OwnBook), 0, 1, false},
    {"OwnBook_File", Text, PARAM_INDEX(OwnBook_File), 0, 0, false},
    {"OwnBook_Depth", Spin, PARAM_INDEX(OwnBook_Depth), 0, 60, false},
    {"OwnBook_Variety", Spin, PARAM_INDEX(OwnBook_Variety), 0, 100, false},
    {"SyzygyPath", Text, PARAM_INDEX(SyzygyPath), 0, 0, false},
    {"SyzygyProbeDepth5", Spin, PARAM_INDEX(SyzygyProbeDepth5), -5, 100, false},
    {"SyzygyProbeDepth6", Spin, PARAM_INDEX(SyzygyProbeDepth6), -5, 100, false},
    {"Log", Check, PARAM_INDEX(Log), 0, 1, false},
    {"Ponder", Check, PARAM_INDEX(Ponder), 0, 1, false},
    Weight("Contempt", Spin, PARAM_INDEX(Contempt), false),
    {"MultiPV", Spin, PARAM_INDEX(MultiPV), 1, 255, false},
    {"MoveOverhead", Spin, PARAM_INDEX(MoveOverhead), 0, 5000, false},
    {"UCI_LimitStrength", Check, PARAM_INDEX(UCI_LimitStrength), 0, 1, false},
    {"UCI_Elo", Elo, PARAM_INDEX(UCI_Elo), kLowestElo, kHighestElo, false},
    {"NMP_depth", Spin, PARAM_INDEX(NMP_depth), 2, 100, true},
    {"SEP_depth", Spin, PARAM_INDEX(SEP_depth), 1, 9, true},
    {"SEP_margin", Spin, PARAM_INDEX(SEP_margin), 0, 256, true},
    {"FP_depth", Spin, PARAM_INDEX(FP_depth), 1, 9, true},
    {"FP_margin", Spin, PARAM_INDEX(FP_margin), 0, 256, true},
    {"LMP_depth", Spin, PARAM_INDEX(LMP_depth), 1, 9, true},
    {"LMP_count", Spin, PARAM_INDEX(LMP_count), 0, 10, true},
    {"LMR_depth", Spin, PARAM_INDEX(LMR_depth), 3, 100, true},
    {"LMR_strength", Spin, PARAM_INDEX(LMR_strength), 0, 200, true},
    Weight("Mtl_Pawn", Pair, PARAM_INDEX(pawn_value_op), true),
    Weight("Mtl_Knight", Pair, PARAM_INDEX(knight_value_op), true),
    Weight("Mtl_Bishop", Pair, PARAM_INDEX(bishop_value_op), true),
    Weight("Mtl_Rook", Pair, PARAM_INDEX(rook_value_op), true),
    Weight("Mtl_Queen", Pair, PARAM_INDEX(queen_value_op), true),
    Weight("Passed_Pawn", Pair, PARAM_INDEX(pawn_passed_op), true),
    Weight("King_Safety", Pair, PARAM_INDEX(king_safety), true),
    Weight("Piece_Square_Tables", Pair, PARAM_INDEX(pst_scale_op), true),
    Weight("Mobility", Pair, PARAM_INDEX(mobility_scale_op), true),
    Weight("Pawn_Structure", Pair, PARAM_INDEX(pawn_struct_scale_op), true),
    Weight("Threats", Pair, PARAM_INDEX(threat_scale_op), true),
};

// A pair option clamps both of its fields to one range.
constexpr bool PairsShareTheirRange() {
  for (const UciOption& o : kOptions)
    if (o.kind == Pair && (RangeOf(o.field + 1).lo != o.min || RangeOf(o.field + 1).hi != o.max)) return false;
  return true;
}
static_assert(PairsShareTheirRange());

// No option admits a value that its field's range refuses.
constexpr bool OptionsKeepTheirFieldsRanges() {
  for (const UciOption& o : kOptions)
    if (o.kind == Spin && (o.min < RangeOf(o.field).lo || o.max > RangeOf(o.field).hi)) return false;
  return true;
}
static_assert(OptionsKeepTheirFieldsRanges());

char* TextField(PersonalityRecord& rec, int field) {
  return field == PARAM_INDEX(OwnBook_File) ? rec.OwnBook_File : rec.SyzygyPath;
}

// Leading blanks, an optional sign and digits; saturates far beyond any
// value a command can mean, so huge numbers cannot overflow.
int64_t ReadInteger(const char* text) {
  while (*text == ' ') text++;
  bool negative = *text == '-';
  if (negative) text++;
  int64_t v = 0;
  for (; *text >= '0' && *text <= '9'; text++)
    if (v < 1000000000000000LL) v = v * 10 + (*text - '0');
  return negative ? -v : v;
}

int64_t Clamp(int64_t v, int64_t lo, int64_t hi) { return v < lo ? lo : v > hi ? hi : v; }

// The number that is the whole text but for blanks around it (GUIs pad
// values); a word or an empty text is no number, never 0.
bool ReadPaddedNumber(std::string_view text, long long* v) {
  const size_t first = text.find_first_not_of(' ');
  if (first == text.npos) return false;
  return ReadWholeNumber(std::string(text.substr(first, text.find_last_not_of(' ') - first + 1)).c_str(), v);
}

// A value refused leaves the option as it was; built whole, as the value may
// be longer than a formatted line.
void RefuseOptionValue(const char* name, const char* text, const char* wanted) {
  const std::string line = "info string " + std::string(name) + " value '" + text + "' is not " + wanted;
  ShowMessage((line + ", not changed").c_str());
}

// Option names and check values are not case sensitive.
bool SameText(const char* a, const char* b) {
  for (; *a && *b; a++, b++)
    if (std::tolower(static_cast<unsigned char>(*a)) != std::tolower(static_cast<unsigned char>(*b))) return false;
  return *a == *b;
}

// Whether text holds word (given in lower case) in any case.
bool ContainsText(const char* text, const char* word) {
  const size_t n = std::strlen(word);
  for (; *text; text++) {
    size_t i = 0;
    while (i < n && std::tolower(static_cast<unsigned char>(text[i])) == word[i]) i++;
    if (i == n) return true;
  }
  return false;
}

void ShowOptions() {
  char line[256];
  for (const UciOption& o : kOptions) {
    if (o.extra && !PBlock.extra_options) continue;
    const int16_t* f = DefaultPersonality.f;
    switch (o.kind) {
      case Spin:
        std::snprintf(line, sizeof line, "option name %s type spin default %d min %d max %d", o.name,
                      f[o.field], o.min, o.max);
        break;
      case Check:
        std::snprintf(line, sizeof line, "option name %s type check default %s", o.name,
                      f[o.field] ? "true" : "false");
        break;
      case Text:
        std::snprintf(line, sizeof line, "option name %s type string default %s", o.name,
                      TextField(DefaultPersonality, o.field));
        break;
      case Button:
        std::snprintf(line, sizeof line, "option name %s type button", o.name);
        break;
      case Elo:
        std::snprintf(line, sizeof line, "option name %s type spin default %d min %d max %d", o.name,
                      int(Clamp(f[o.field], o.min, o.max)), o.min, o.max);
        break;
      case Pair:
        std::snprintf(line, sizeof line, "option name %s type string default %d,%d", o.name,
                      f[o.field], f[o.field + 1]);
        break;
    }
    ShowMessage(line);
  }
}

void Identify() {
  if (PBlock.protocol != 1) PBlock.protocol = 1;
  char line[64];
  std::snprintf(line, sizeof line, "id name %s", kVersion);
  ShowMessage(line);
  ShowMessage("id author Tavo Merrick");
  ShowOptions();
  ShowMessage("uciok");
}

// The table is sized now, its pages taken behind the engine's back, so a
// go that follows without "isready" is not held up by them.
void SetHash(const char* name, const char* value) {
  int n;
  if (!SetOptionInt(name, value, 0, kMaxHash, &n)) return;
  Personality.Hash = static_cast<int16_t>(n);
  ResizeTable();
}

void SetThreads(const char* name, const char* value) {
  int n;
  if (!SetOptionInt(name, value, 1, 80, &n) || n == SearchData.thread_count) return;
  Personality.Threads = static_cast<int16_t>(n);
  RebuildThreadPool(n);
}

void SetElo(const UciOption& o, const char* value) {
  int n;
  if (!SetOptionInt(o.name, value, o.min, o.max, &n)) return;
  Personality.UCI_Elo = static_cast<int16_t>(n);
  SearchData.target_nps = SpeedLimitOfElo(Personality.UCI_Elo);
  ShowFormatted("info string target nps = %.0f", SearchData.target_nps.load());
}

// Paths longer than their field are refused whole: a cut path would name
// some other file.
void SetText(const UciOption& o, const char* text) {
  static char line[kInputLineSize + 64];  // a line's worth is too big for small stacks
  static char value[kInputLineSize];
  CopyPath(value, sizeof value, text);
  const bool tablebases = o.field == PARAM_INDEX(SyzygyPath);
  if (std::strlen(value) >= static_cast<size_t>(kPathSize)) {
    std::snprintf(line, sizeof line, "info string %s is longer than %d characters, not changed",
                  o.name, kPathSize - 1);
    ShowMessage(line);
    return;
  }
  char* field = TextField(Personality, o.field);
  std::strcpy(field, value);
  std::snprintf(line, sizeof line, "info string %s set to '%s'", o.name, field);
  ShowMessage(line);
  if (tablebases) init_tablebases(field);
}

void ApplyOption(const UciOption& o, const char* value) {
  const char* name = o.name;
  int16_t* f = Personality.f;
  switch (o.kind) {
    case Spin:
      if (o.field == PARAM_INDEX(Threads))
        SetThreads(name, value);
      else if (o.field == PARAM_INDEX(Hash))
        SetHash(name, value);
      else if (int n; SetOptionInt(name, value, o.min, o.max, &n))
        f[o.field] = static_cast<int16_t>(n);
      break;
    case Check: {
      int b = ContainsText(value, "true");
      char line[256];
      std::snprintf(line, sizeof line, "info string %s set to %d", name, b);
      ShowMessage(line);
      f[o.field] = static_cast<int16_t>(b);
      // Switched on, the limit is the rating in force, whatever came between.
      if (o.field == PARAM_INDEX(UCI_LimitStrength) && b)
        SearchData.target_nps = SpeedLimitOfElo(Personality.UCI_Elo);
      break;
    }
    case Text:
      SetText(o, value);
      break;
    case Button:
      break;
    case Elo:
      SetElo(o, value);
      break;
    case Pair:
      SetOptionIntPair(&f[o.field], name, value, o.min, o.max);
      break;
  }
}

// The tuning options exist only with -uci_extra.
const UciOption* FindOption(const char* name) {
  for (const UciOption& o : kOptions)
    if (SameText(name, o.name) && (!o.extra || PBlock.extra_options)) return &o;
  return nullptr;
}

// "name" up to the blanks before "value", or to the end when there is no
// value; each keyword's separator is skipped only when it is there.
void SetOption(const char* args) {
  EndSearchAndReport();
  char name[kNameSize] = "";
  const char* n = std::strstr(args, "name");
  const char* v = std::strstr(args, "value");
  const bool has_value = n && v && n < v;
  if (n) {
    const char* s = n + 4;
    if (*s) s++;
    while (*s == ' ') s++;
    const char* e = has_value ? v : s + std::strlen(s);
    if (e < s) e = s;
    while (e > s && e[-1] == ' ') e--;
    size_t len = static_cast<size_t>(e - s);
    if (len > kNameSize - 1) len = kNameSize - 1;
    std::memcpy(name, s, len);
    name[len] = 0;
  }
  const char* value = "";
  if (has_value) {
    value = v + 5;
    if (*value) value++;
    while (*value == ' ') value++;
  }
  const UciOption* option = FindOption(name);
  if (*name && !option) {
    char line[kNameSize + 32];
    std::snprintf(line, sizeof line, "info string unknown option %s", name);
    ShowMessage(line);
  } else if (option && option->kind == Button) {
    HashClear();
    ShowMessage("info string Hash table cleared");
  } else if (option && has_value) {
    ApplyOption(*option, value);
  } else if (option) {
    ShowFormatted("info string %s value missing, not changed", option->name);
  }
  SetEvalParams();
  SetSearchParams();
}

void NewGame() {
  EndSearchAndReport();
  SearchData.time_control = 0;
  SearchData.increment = 0.0;
  SearchData.fixed_time = 60.0;
  SearchData.clock[White] = SearchData.clock[Black] = 60.0;
  CTD->game_ply = 0;
  CTD->dropped_plies = 0;
  if (SearchData.hash_enabled) HashClear();
}

// Plays the listed moves on the game record, each only when it is legal
// there; the first that is not ends the list with one line naming it.
void PlayMoveList(const char* text) {
  char token[16];
  while (*text) {
    while (*text == ' ') text++;
    size_t len = std::strcspn(text, " ");
    if (!len) break;
    size_t copied = len < sizeof token - 1 ? len : sizeof token - 1;
    std::memcpy(token, text, copied);
    token[copied] = 0;
    char line[64];
    Move m = len == copied ? FindLegalMove(&CTD->pos, token) : NullMove;
    if (!m) {
      std::snprintf(line, sizeof line, "info string illegal move %s", token);
      ShowMessage(line);
      return;
    }
    PlayGameMove(&CTD->pos, m);
    text += len;
  }
}

// The half-move counter (the fifth field) when it is there and a number,
// held to the ceiling of game moves.
int HalfMoveCounter(const char* fen) {
  for (int field = 0; field < 4; field++) {
    while (*fen == ' ') fen++;
    fen += std::strcspn(fen, " ");
  }
  while (*fen == ' ') fen++;
  const size_t digits = std::strspn(fen, "0123456789");
  if (!digits || (fen[digits] && fen[digits] != ' ')) return 0;
  return static_cast<int>(Clamp(ReadInteger(fen), 0, kFiftyCeiling));
}

void SetGamePosition(char* args) {
  EndSearchAndReport();
  char* moves = std::strstr(args, "moves");
  if (moves) {
    *moves = 0;
    for (char* e = moves; e > args && e[-1] == ' ';) *--e = 0;  // a refusal names the text alone
  }
  if (std::strstr(args, "startpos")) {
    SetPosition(&CTD->pos, fen_opn);
  } else if (const char* fen = std::strstr(args, "fen")) {
    fen += 3;
    while (*fen == ' ') fen++;
    if (!*fen) {
      ShowMessage("info string position fen without a position");
      position_refused = true;
      return;
    }
    // A refused text leaves the game as it was, but no go may answer for
    // that game; its moves belong elsewhere.
    if (SetPosition(&CTD->pos, fen, InfoPrefix()) == kSetRejected) {
      position_refused = true;
      return;
    }
    CTD->pos.fifty = static_cast<uint8_t>(HalfMoveCounter(fen));
  } else {
    return;
  }
  position_refused = false;
  if (!moves) return;
  PlayMoveList(moves + 5);
  CTD->undo[CTD->game_ply].move = NullMove;
}

// The numbers a go may name, each with the least value that means
// something: a depth or node count below 1 would answer a move no search
// chose, and a negative move time is no time at all. Clocks, increments and
// moves to go take any number: some GUIs send a negative clock on a flag.
enum GoNumber { GoWTime, GoBTime, GoWInc, GoBInc, GoMovesToGo, GoDepth, GoNodes, GoMoveTime, kGoNumbers };

constexpr struct {
  const char* keyword;
  int64_t least;
  const char* wanted;
} kGoNumberRules[kGoNumbers] = {
    {"wtime", INT64_MIN, "a whole number of milliseconds"},
    {"btime", INT64_MIN, "a whole number of milliseconds"},
    {"winc", INT64_MIN, "a whole number of milliseconds"},
    {"binc", INT64_MIN, "a whole number of milliseconds"},
    {"movestogo", INT64_MIN, "a whole number of moves"},
    {"depth", 1, "a whole number of plies from 1 on"},
    {"nodes", 1, "a whole number of nodes from 1 on"},
    {"movetime", 0, "a whole number of milliseconds from 0 on"},
};

struct GoValues {
  bool named[kGoNumbers];
  int64_t value[kGoNumbers];
};

// Each number of a go read once, so that one it refuses is said once and
// the go then searches under its other limits. A keyword with no word after
// it names nothing.
GoValues ReadGoValues(const char* args) {
  GoValues g{};
  for (int i = 0; i < kGoNumbers; i++) {
    const auto& rule = kGoNumberRules[i];
    const char* p = std::strstr(args, rule.keyword);
    if (!p) continue;
    p += std::strlen(rule.keyword);
    if (*p) p++;
    const char* word = GetWord(p);
    if (!*word) continue;
    long long v;
    if (!ReadWholeNumber(word, &v) || v < rule.least) {
      ShowFormatted("info string go %s value '%s' is not %s, not used", rule.keyword, word, rule.wanted);
      continue;
    }
    g.named[i] = true;
    g.value[i] = v;
  }
  return g;
}

double Seconds(int64_t ms) { return ms < 0 ? 0.0 : ms * 0.001; }

// The clocks are the game's, not one go's: they stay until a go names them.
void ReadClocks(const GoValues& g) {
  if (g.named[GoWTime]) SearchData.clock[White] = Seconds(g.value[GoWTime]);
  if (g.named[GoBTime]) SearchData.clock[Black] = Seconds(g.value[GoBTime]);
}

// The limits of one go: the defaults, then its keywords in a fixed order, so
// that a later keyword wins where two set the same limit. Every limit it
// names holds at once: a depth, a node count or a move time beside a clock
// ends the search when it comes first, and the clock bounds it otherwise;
// an infinite go drops the clock and the switches' limits, not its own.
GoLimits ReadGoLimits(const GoValues& g, bool infinite) {
  GoLimits lim = DefaultGoLimits;
  const int side = CTD->pos.side;
  // A go with a clock plays by the clocks, whatever the switches fixed.
  const bool clock = !infinite && (g.named[GoWTime] || g.named[GoBTime]);
  if (clock) lim.time_control = TimeSuddenDeath;
  const GoNumber inc = side == White ? GoWInc : GoBInc;
  if (g.named[inc]) lim.increment = Seconds(g.value[inc]);
  if (g.named[GoMovesToGo]) {
    lim.time_control = 40;
    lim.moves_to_go = static_cast<int16_t>(Clamp(g.value[GoMovesToGo], 1, 1000));
    lim.max_depth = 66;
    lim.node_limit = 0;
  }
  // Without a clock, a depth, node count or move time is a limit of its own.
  const auto fix = [&](double seconds) {
    lim.time_control = TimeFixed;
    lim.fixed_time = seconds;
  };
  if (infinite) {
    fix(kNoTimeLimit);
    lim.max_depth = 66;
    lim.node_limit = 0;
    lim.increment = 0.0;
    lim.time_cap = kNoTimeLimit;
  }
  if (g.named[GoDepth]) {
    lim.max_depth = static_cast<int8_t>(std::min<int64_t>(g.value[GoDepth], 66));
    if (!clock) fix(kNoTimeLimit);
  }
  if (g.named[GoNodes]) {
    lim.node_limit = static_cast<uint64_t>(g.value[GoNodes]);
    if (!clock) fix(kNoTimeLimit);
  }
  if (g.named[GoMoveTime]) {
    const double seconds = Seconds(g.value[GoMoveTime]);
    if (clock) {
      lim.time_cap = seconds;
    } else {
      fix(seconds);
      lim.increment = 0.0;
    }
  }
  return lim;
}

// Whether args hold word as a word of its own.
bool HasWord(const char* args, const char* word) {
  const size_t n = std::strlen(word);
  for (const char* p = args; (p = std::strstr(p, word)); p += n)
    if ((p == args || p[-1] == ' ') && (p[n] == 0 || p[n] == ' ')) return true;
  return false;
}

// The go parameters the engine does not act on are named, so that a
// restricted or mate search is not taken for one that was kept.
void ReportIgnoredGoWords(const char* args) {
  const bool searchmoves = HasWord(args, "searchmoves"), mate = HasWord(args, "mate");
  if (searchmoves || mate)
    ShowFormatted("info string go ignores %s%s%s", searchmoves ? "searchmoves" : "",
                  searchmoves && mate ? " and " : "", mate ? "mate" : "");
}

void Go(const char* args) {
  EndSearchAndReport();
  ReportIgnoredGoWords(args);
  const GoValues values = ReadGoValues(args);
  infinite_go = std::strstr(args, "infinite") != nullptr;
  ReadClocks(values);
  StoreGoLimits(ReadGoLimits(values, infinite_go));
  SearchData.go_request = std::strstr(args, "ponder") ? 2 : 1;
}

}  // namespace

bool SetOptionInt(const char* name, const char* text, int min, int max, int* value) {
  long long v;
  if (!ReadPaddedNumber(text, &v)) {
    RefuseOptionValue(name, text, "a whole number");
    return false;
  }
  *value = static_cast<int>(Clamp(v, min, max));
  ShowFormatted("info string %s set to %d", name, *value);
  return true;
}

void SetOptionIntPair(int16_t* pair, const char* name, const char* text, int min, int max) {
  const std::string_view all(text);
  const size_t comma = all.find(',');
  const std::string_view parts[2] = {all.substr(0, comma),
                                     comma == all.npos ? std::string_view() : all.substr(comma + 1)};
  long long set[2] = {pair[0], pair[1]};
  bool read = false, refused = false;
  for (int i = 0; i < 2; i++) {
    if (parts[i].find_first_not_of(' ') == parts[i].npos) continue;  // a missing part leaves its field
    refused |= !ReadPaddedNumber(parts[i], &set[i]);
    read = true;
  }
  if (refused || !read) {
    RefuseOptionValue(name, text, "whole numbers a,b");
    return;
  }
  for (int i = 0; i < 2; i++) pair[i] = static_cast<int16_t>(Clamp(set[i], min, max));
  ShowFormatted("info string %s set to %d,%d\n", name, pair[0], pair[1]);
}

void ProcessUCI(char* line) {
  line[std::strcspn(line, "\n")] = 0;
  if (!line[0]) return;
  if (uci_debug) {
    // A controller reads only info lines of the engine's own.
    static char echo[kInputLineSize + 24];
    std::snprintf(echo, sizeof echo, "%sCMD: %s", InfoPrefix(), line);
    ShowMessage(echo);
  }
  char* p = line;
  while (*p == ' ') p++;
  char command[128];
  std::snprintf(command, sizeof command, "%s", GetWord(p));
  p += std::strlen(command);
  if (*p) p++;
  char* args = p;

  if (!std::strcmp(command, "uci")) {
    Identify();
  } else if (!std::strcmp(command, "isready")) {
    // Ready means the table's pages are taken, so the next search runs at
    // full speed; a search under way is not held up.
    if (SearchData.state == StateIdle && !ThreadsAreBusy()) HashWait();
    ShowMessage("readyok");
  } else if (!std::strcmp(command, "setoption")) {
    SetOption(args);
  } else if (!std::strcmp(command, "debug")) {
    uci_debug = !SameText(GetWord(args), "off");
  } else if (!std::strcmp(command, "_show")) {
    ShowSearchParams();
    ShowEvalParams();
  } else if (!std::strcmp(command, "ucinewgame")) {
    NewGame();
  } else if (!std::strcmp(command, "position")) {
    SetGamePosition(args);
  } else if (!std::strcmp(command, "go")) {
    Go(args);
  } else if (!std::strcmp(command, "ponderhit")) {
    if (SearchData.state == StatePondering) SearchData.state = StateThinking;
  } else if (!std::strcmp(command, "stop")) {
    EndSearchAndReport();
  } else if (!std::strcmp(command, "quit")) {
    SearchData.stop = StopAbort;
    PBlock.quit = 1;
  }
}
