#include "tools/pgnscan.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "board/attacks.h"
#include "board/bitboard.h"
#include "board/fen.h"
#include "board/gamehistory.h"
#include "board/movetext.h"
#include "engine/infile.h"
#include "engine/outfile.h"
#include "engine/output.h"
#include "engine/pgngames.h"
#include "engine/pgnread.h"
#include "engine/params.h"
#include "search/records.h"
#include "tools/epdline.h"

namespace {

constexpr int kTokenSize = kMoveTextSize;  // long algebraic with its marks, and the NUL
// No game under the 75-move rule reaches this many plies; it only keeps text
// that holds no game from filling memory.
constexpr size_t kMaxRecords = 1 << 16;

// Scores below kLowestScore mark a move without a usable comment.
constexpr int16_t kNoScore = -30000;
constexpr int16_t kUnreadable = -29999;
constexpr int kLowestScore = -9999;
constexpr int kHighestScore = 9999;
constexpr int kMateScore = 9000;
constexpr char kAnnotatedEval[] = "[%eval ";

constexpr const char* kResultText[] = {"1-0", "0-1", "1/2-1/2"};

struct MoveRecord {
  char text[kTokenSize];  // cut to the longest text the move reader takes, and one more
  int16_t score;          // mover's view
};

struct Scanner {
  int mode = 0;
  FILE* out = nullptr;
  FILE* extra = nullptr;
  std::vector<MoveRecord> rec;  // the half-moves read, as long as the game is
  int result = PgnNoResult;  // by the Result tag, else (or for "*") by the result ending the moves
  int positions = 0;
  PgnGames games;
  int number = 0;       // of the game read now
  std::string comment;  // since the last move
  std::string fen;      // of a game from a set-up position
  int first_mover = White;
};

bool IsReal(int score) { return score >= kLowestScore; }

int Count(const Scanner& s) { return int(s.rec.size()); }

// The number of pawns at text in centipawns, truncated toward zero; *end
// is left past it.
int PawnScore(const char* text, char** end) {
  const double x = std::strtod(text, end);
  if (*end == text) return kUnreadable;
  // The epsilon keeps decimal fractions such as 0.35 from truncating to 34.
  const double v = std::trunc(x * 100.0 + std::copysign(1e-6, x));
  // Past int range (or no number at all, as "nan") there is no score to clamp.
  if (!(std::fabs(v) <= INT_MAX)) return kUnreadable;
  return int(std::clamp(v, double(kLowestScore), double(kHighestScore)));
}

// Score of the word that ends at the first '/' (+0.35/12 is 35): mover's view.
int SlashScore(const char* text, const char* slash) {
  const char* w = slash;
  while (w > text && w[-1] != ' ') w--;
  const std::string_view word(w, size_t(slash - w));
  if (word.find("-M") != word.npos) return -kMateScore;
  if (word.find("+M") != word.npos) return kMateScore;
  char* end;
  const int score = PawnScore(w, &end);
  return end > slash ? kUnreadable : score;
}

// "[%eval 0.43]" in pawns or "[%eval #-3]", a mate for Black: White's view.
int AnnotatedScore(const char* value) {
  if (*value != '#') {
    char* end;
    return PawnScore(value, &end);
  }
  const char sign = value[1];
  if (sign != '-' && sign != '+' && !std::isdigit(static_cast<unsigned char>(sign))) return kUnreadable;
  return sign == '-' ? -kMateScore : kMateScore;
}

// White's move when white_moved.
int CommentScore(const char* text, bool white_moved) {
  if (std::strstr(text, "book")) return 0;
  if (const char* e = std::strstr(text, kAnnotatedEval)) {
    const int score = AnnotatedScore(e + std::strlen(kAnnotatedEval));
    return white_moved || score == kUnreadable ? score : -score;
  }
  if (const char* e = std::strstr(text, "eval ")) {
    char* end;
    errno = 0;
    const long v = std::strtol(e + 5, &end, 10);
    if (end == e + 5 || errno == ERANGE || v < INT_MIN || v > INT_MAX) return kUnreadable;
    const long clamped = std::clamp(v, long(kLowestScore), long(kHighestScore));
    // White's view; a Black move's score turns to the mover's.
    return int(white_moved ? clamped : -clamped);
  }
  if (const char* slash = std::strchr(text, '/')) return SlashScore(text, slash);
  return kUnreadable;
}

// ply counts the half-moves from White's first move.
void WriteListing(Scanner& s, int i, int ply, const char* epd, bool* marked) {
  const MoveRecord& r = s.rec[i];
  char label[16];
  if (ply % 2 == 0)
    std::snprintf(label, sizeof label, "%3d. ", ply / 2 + 1);
  else
    std::snprintf(label, sizeof label, "     ");
  // A move without a score shows an empty comment and drops the mark left
  // by the move before it.
  char comment[640] = "";
  int len = 0;
  if (IsReal(r.score)) {
    len = std::snprintf(comment, sizeof comment, "%6.2f", (ply % 2 ? -r.score : r.score) / 100.0);
    if (*marked) {
      char line[320];
      std::snprintf(line, sizeof line, "%s bm %s;", epd, r.text);
      std::fprintf(s.extra, "%s\n", line);
      s.positions++;
      len += std::snprintf(comment + len, sizeof comment - size_t(len), " ! %s", line);
    }
  }
  *marked = false;
  if (i >= 13 && i < Count(s) - 10) {
    const int p = s.rec[i - 1].score;
    const int a = s.rec[i + 1].score, b = s.rec[i + 3].score, c = s.rec[i + 7].score;
    const int margin = std::abs(p) / 10;
    if (p >= -999 && p <= 249 && c >= -999 && a - p > margin + 30 && b - p > margin + 30 && c - p > margin + 50) {
      std::snprintf(comment + len, sizeof comment - size_t(len), " ? %s am %s;", epd, r.text);
      *marked = true;
    }
  }
  std::fprintf(s.out, "%s %-6s  {%s}\n", label, r.text, comment);
}

// Replays the game read and writes its positions; the first text that names
// no legal move ends the game. A game from an illegal position is skipped.
void ProcessGame(Scanner& s) {
  Position* pos = &CTD->pos;
  const bool legal = SetPosition(pos, s.fen.empty() ? fen_opn : s.fen.c_str()) != kSetRejected;
  const int first = pos->side;
  const bool finished = s.result != PgnNoResult;
  const int count = Count(s);
  if ((s.mode == 2 || s.mode == 4) && !finished) return;
  if (s.mode == 2 && count <= 8) return;
  bool marked = false;
  int stable = 0;
  uint32_t sig[2] = {pos->msig[White], pos->msig[Black]};
  for (int i = 0; legal && i < count; i++) {
    const MoveRecord& r = s.rec[i];
    char text[kMoveTextSize];
    std::strcpy(text, r.text);
    Move m;
    if (const int reading = ReadMoveText(pos, text, &m); reading != kTextOneMove) {
      ShowRefusedMove("game", s.number, r.text, reading);
      break;
    }
    char epd[kEpdPositionSize];
    MakeEPD(pos, epd);
    const int score = r.score;
    if (s.mode == 1) {
      WriteListing(s, i, i + first, epd, &marked);
    } else if (s.mode == 2) {
      if (i > 220 || i >= count - 8) break;
      stable = sig[White] == pos->msig[White] && sig[Black] == pos->msig[Black] ? stable + 1 : 0;
      sig[White] = pos->msig[White];
      sig[Black] = pos->msig[Black];
      const int later = s.rec[i + 6].score;
      if (i >= 12 && pos->fifty <= 32 && stable <= 36 && !InCheck(pos) && IsReal(score) && IsReal(later)) {
        std::fprintf(s.out, "%s bm %s; ce %d; c6 %d; c9 \"%s\";\n", epd, r.text, score, later, kResultText[s.result]);
        s.positions++;
      }
    } else if (s.mode == 3) {
      if (i < 201 && !InCheck(pos) && IsReal(score)) {
        std::fprintf(s.out, "%s bm %s; ce %d;\n", epd, r.text, score);
        s.positions++;
      }
    } else if (s.mode == 4) {
      const int pawns = PopCount(pos->bb[White][Pawn] | pos->bb[Black][Pawn]);
      if (pos->npm[White] == 5 && pos->npm[Black] == 5 && pawns == 1 && IsReal(score)) {
        const double target = s.result == PgnDrawn ? 0.5 : s.result == pos->side ? 1.0 : 0.0;
        std::fprintf(s.out, "%s bm %s; ce %d; tune %0.5f;\n", epd, r.text, score, target);
        s.positions++;
      }
    }
    // Older undo records make way, so that a game of any length is read whole.
    PlayGameMove(pos, m);
    if (s.mode == 3 && IsReal(score) && std::abs(score) > 500) break;
  }
  if (s.mode == 1) std::fputs("\n", s.out);
}

void EndGame(Scanner& s) {
  if (Count(s)) ProcessGame(s);
  s.rec.clear();
  s.comment.clear();
  s.result = PgnNoResult;
  s.fen.clear();
  s.first_mover = White;
}

void BeginGame(Scanner& s) {
  EndGame(s);
  s.number = s.games.games;
  if (s.number % 100 == 0) ShowFormatted("game %d", s.number);
}

void ReadTag(Scanner& s, const char* piece) {
  if (s.mode == 1) {
    std::fprintf(s.out, "%s\n", piece);
    if (std::strstr(piece, "Round ")) std::fprintf(s.out, "[Tag \"game_%d\"]\n", s.number);
  }
  if (std::strstr(piece, "Result ")) {
    const char* q = std::strchr(piece, '"');
    const char* q2 = q ? std::strchr(q + 1, '"') : nullptr;
    s.result = q2 ? ReadPgnResult(std::string_view(q + 1, size_t(q2 - q - 1))) : PgnNoResult;
  }
  // The side to move as SetPosition reads it, for the comments read before the replay.
  std::string_view fen;
  if (ReadPgnTag(piece, "FEN", &fen)) {
    s.fen = fen;
    const size_t blank = fen.find(' ');
    s.first_mover = blank < fen.size() - 1 && fen[blank + 1] == 'b' ? Black : White;
  }
}

void Record(Scanner& s, std::string_view move) {
  if (s.rec.size() == kMaxRecords) return;
  MoveRecord& r = s.rec.emplace_back();
  r.text[move.copy(r.text, kTokenSize - 1)] = 0;
  r.score = kNoScore;
  s.comment.clear();
}

void ReadWord(Scanner& s, std::string_view word) {
  std::string_view move;
  switch (ReadPgnGameWord(&s.games, word, &move)) {
    case PgnWordKind::FirstMove:
      BeginGame(s);
      Record(s, move);
      break;
    case PgnWordKind::Move:
      Record(s, move);
      break;
    case PgnWordKind::Result:
      if (s.result == PgnNoResult) s.result = ReadPgnResult(word);
      break;
    case PgnWordKind::Other:
      break;
  }
}

void ScoreComment(Scanner& s) {
  if (!s.games.open || s.rec.empty()) return;
  const bool white_moved = (Count(s) + s.first_mover) % 2 == 1;
  s.rec.back().score = int16_t(CommentScore(s.comment.c_str(), white_moved));
}

void ScanLine(Scanner& s, const std::string& line) {
  const PgnLineKind kind = ReadPgnGameLine(&s.games, line);
  if (kind == PgnLineKind::FirstTag) BeginGame(s);
  if (kind != PgnLineKind::MoveText) {
    ReadTag(s, line.c_str());
    return;
  }
  PgnLine l{line, 0, {}};
  for (PgnItem i; (i = NextPgnItem(&s.games.skip, &l, &s.comment)) != PgnItem::LineEnd;) {
    if (i == PgnItem::Word)
      ReadWord(s, l.word);
    else
      ScoreComment(s);
  }
}

}  // namespace

int Scan_PGN_File(const char* path, int mode) {
  const char* name = mode == 1 ? "tmp.pgn" : "tmp.epd";
  if (OutputIsInput(path, {name, "tmpX.epd"})) return 1;
  FILE* in = OpenInput(path);
  if (!in) return 1;
  FILE* out = OpenOutput(name);
  FILE* extra = out ? OpenOutput("tmpX.epd") : nullptr;
  if (!extra) {
    if (out) std::fclose(out);
    std::fclose(in);
    return 1;
  }
  Personality.Log = 0;
  auto s = std::make_unique<Scanner>();
  s->mode = mode;
  s->out = out;
  s->extra = extra;
  // A failed write stops the scan; the close reports it.
  PgnFile pgn;
  pgn.f = in;
  while (!std::ferror(out) && !std::ferror(extra) && ReadPgnLine(&pgn)) ScanLine(*s, pgn.line);
  EndGame(*s);
  std::fputs("\n", out);
  std::fclose(in);
  bool written = CloseOutput(out, name);
  written = CloseOutput(extra, "tmpX.epd") && written;
  if (!written) return 1;
  ShowFormatted("games= %d, positions= %d", s->games.games, s->positions);
  return 0;
}
