#include "eval/terms.h"
#include "eval/weights.h"
#include "search/records.h"

namespace {

constexpr uint8_t kZoneClamp[8] = {1, 1, 2, 3, 4, 5, 6, 6};
constexpr Bitboard kFilesBtoG = 0x7E7E7E7E7E7E7E7EULL;
constexpr Bitboard kInner = kFilesBtoG & 0x00FFFFFFFFFFFF00ULL;  // b2-g7
constexpr Bitboard kCentre = 0x00003C3C3C3C0000ULL;              // c3-f6
constexpr Bitboard kLowHalf = 0x00000000FFFFFFFFULL;             // ranks 1-4
constexpr Bitboard kHalf[2] = {kLowHalf, ~kLowHalf};             // a colour's own half

// Blockers of every slider in snipers that stands alone between it and target.
Bitboard LoneBlockers(Bitboard snipers, int target, Bitboard occ) {
  Bitboard found = 0;
  for (; snipers; snipers = ClearLSB(snipers)) {
    Bitboard between = BB_Between[LSB(snipers)][target] & occ;
    if (between && !ClearLSB(between)) found |= between;
  }
  return found;
}

Bitboard Pinned(const Position* pos, int c, Bitboard occ) {
  const int x = c ^ 1;
  const int k = pos->list[c][King][0];
  const Bitboard diagonal = pos->bb[x][Bishop], straight = pos->bb[x][Rook], queens = pos->bb[x][Queen];
  Bitboard snipers = (BB_BishopRays[k] & (diagonal | queens)) | (BB_RookRays[k] & (straight | queens));
  Bitboard pinned = LoneBlockers(snipers, k, occ);
  int q = pos->list[c][Queen][0];
  if (q != NoSquare)
    pinned |= LoneBlockers((BB_BishopRays[q] & diagonal) | (BB_RookRays[q] & straight), q, occ);
  return pinned & pos->bb[c][0];
}

void AddAttacks(EvalWork* ew, int c, int type, Bitboard a) {
  ew->attacked_twice[c] |= a & ew->attacks[c][0];
  ew->attacks[c][type] |= a;
  ew->attacks[c][0] |= a;
}

int MobilityCount(const EvalWork* ew, int c, int s, Bitboard a) {
  return (ew->pinned & SquareBit(s)) ? 0 : PopCount(a & ew->mobility_area[c]);
}

void Knights(EvalWork* ew, int c) {
  const EvalParamsRecord& e = EvalParams;
  for (Bitboard b = ew->pos->bb[c][Knight]; b; b = ClearLSB(b)) {
    int s = LSB(b);
    Bitboard a = BB_KnightRays[s];
    AddAttacks(ew, c, Knight, a);
    int32_t mob = e.nmob[MobilityCount(ew, c, s, a)];
    int32_t v = e.pst[1][s ^ flip_sq[c]] + mob + ((a & ew->king_files) ? S(6, 0) : S(-4, 0));
    ew->mobility[c] += mob;
    if (ew->outposts[c] & SquareBit(s)) {
      v += e.knight_outpost;
      if (ew->attacks[c][Pawn] & SquareBit(s)) v += e.knight_outpost_half;
    } else if (a & ew->outposts[c]) {
      v += e.knight_outpost_half;
    }
    if (a & ew->king_zone[c ^ 1]) ew->king_attack[c] += 1;
    ew->positional[c] += v;
    TraceTerm(ew, s, PBlock.display.knights, c, v);
  }
}

void Bishops(EvalWork* ew, int c) {
  const EvalParamsRecord& e = EvalParams;
  const Position* pos = ew->pos;
  const Bitboard occ = ew->occupied ^ pos->bb[c][Queen];
  for (Bitboard b = pos->bb[c][Bishop]; b; b = ClearLSB(b)) {
    int s = LSB(b);
    Bitboard a = BishopAttacks(s, occ);
    AddAttacks(ew, c, Bishop, a);
    bool pinned = ew->pinned & SquareBit(s);
    int32_t mob = e.bmob[MobilityCount(ew, c, s, a)];
    int32_t v = e.pst[2][s ^ flip_sq[c]] + mob + e.bextra[pinned ? 0 : PopCount(a & kCentre)];
    ew->mobility[c] += mob;
    Bitboard own_colour = (kDarkSquares & SquareBit(s)) ? kDarkSquares : ~kDarkSquares;
    v += PopCount(ew->blocked_pawns[c] & own_colour) * e.bad_bishop_pawn;
    if (ew->outposts[c] & SquareBit(s))
      v += e.bishop_outpost;
    else if (a & ew->outposts[c])
      v += e.bishop_outpost_half;
    if (a & ew->king_zone[c ^ 1]) ew->king_attack[c] += 8;
    ew->positional[c] += v;
    TraceTerm(ew, s, PBlock.display.bishops, c, v);
  }
}

void Rooks(EvalWork* ew, int c) {
  const EvalParamsRecord& e = EvalParams;
  const Position* pos = ew->pos;
  const Bitboard occ = ew->occupied ^ pos->bb[c][Rook] ^ pos->bb[c][Queen];
  const Bitboard own_pawns = pos->bb[c][Pawn];
  for (Bitboard b = pos->bb[c][Rook]; b; b = ClearLSB(b)) {
    int s = LSB(b), f = FileOf(s);
    Bitboard a = RookAttacks(s, occ);
    AddAttacks(ew, c, Rook, a);
    bool pinned = ew->pinned & SquareBit(s);
    int count = PopCount(a & ew->mobility_area[c]);
    int32_t mob = e.rmob[pinned ? 0 : count];
    int on_file = pinned ? 0 : PopCount(a & FileMask(f) & kHalf[c ^ 1]);
    int32_t v = e.pst[3][s ^ flip_sq[c]] + mob + e.rextra[on_file];
    ew->mobility[c] += mob;
    if (FileMask(f) & own_pawns) {
      if ((pinned || count < 5) && (f < 2 || f > 5)) {
        Bitboard hemmed = RankMask(RankOf(s)) & (f < 2 ? FileMask(1) | FileMask(2) : FileMask(5) | FileMask(6));
        if (hemmed & (own_pawns | pos->bb[c][King])) v += e.rook_trapped;
      }
    } else {
      v += (FileMask(f) & pos->bb[c ^ 1][Pawn]) ? e.rook_half_open_file : e.rook_open_file;
    }
    if ((s ^ flip_sq[c]) >> 3 == 6 && ew->rook_on_7th[c]) v += e.rook_rank7;
    if (a & ew->king_zone[c ^ 1]) ew->king_attack[c] += 64;
    ew->positional[c] += v;
    TraceTerm(ew, s, PBlock.display.rooks, c, v);
  }
}

void Queens(EvalWork* ew, int c) {
  const EvalParamsRecord& e = EvalParams;
  const Position* pos = ew->pos;
  const Bitboard occ = ew->occupied;
  const Bitboard own_bishops = pos->bb[c][Bishop], own_rooks = pos->bb[c][Rook];
  for (Bitboard b = pos->bb[c][Queen]; b; b = ClearLSB(b)) {
    int s = LSB(b);
    Bitboard diagonal = BishopAttacks(s, occ), straight = RookAttacks(s, occ);
    Bitboard direct = diagonal | straight;
    // Batteries: the queen's reach continues through own bishops and rooks.
    if (diagonal & own_bishops) diagonal = BishopAttacks(s, occ ^ own_bishops);
    if (straight & own_rooks) straight = RookAttacks(s, occ ^ own_rooks);
    Bitboard extended = diagonal | straight;
    ew->attacked_twice[c] |= extended & ew->attacks[c][0];
    ew->attacks[c][Queen] |= direct;
    ew->attacks[c][0] |= direct;
    int32_t mob = e.qmob[MobilityCount(ew, c, s, extended)];
    int32_t v = e.pst[4][s ^ flip_sq[c]] + mob;
    ew->mobility[c] += mob;
    if (!(extended & ew->king_files)) v -= S(10, 10);
    if (extended & ew->king_zone[c ^ 1]) ew->king_attack[c] += 512;
    ew->positional[c] += v;
    TraceTerm(ew, s, PBlock.display.queens, c, v);
  }
}

// Shelter, storm, safe checks and the attack weight on the king of side c.
int32_t KingSafety(EvalWork* ew, int c) {
  const EvalParamsRecord& e = EvalParams;
  const Position* pos = ew->pos;
  const int x = c ^ 1, k = ew->king_sq[c];
  const Bitboard own_pawns = pos->bb[c][Pawn], enemy_pawns = pos->bb[x][Pawn];
  const Bitboard (&mine)[7] = ew->attacks[c];
  const Bitboard (&theirs)[7] = ew->attacks[x];

  int h = (BB_KingRays[k] & own_pawns) ? 1 : 0;
  const int f0 = kZoneClamp[FileOf(k)];
  const Bitboard second = RankMask(c == White ? 1 : 6), third = RankMask(c == White ? 2 : 5);
  for (int f = f0 - 1; f <= f0 + 1; f++) {
    Bitboard shield = FileMask(f) & own_pawns & kHalf[c];
    h += (shield & second) ? 3 : (shield & third) ? 2 : shield ? 1 : 0;
  }
  int value = OpOf(e.pawn_shield) * (h - 9) / 10;

  int storm_weight = 0;
  if (std::abs(f0 - FileOf(ew->king_sq[x])) >= 3) {
    int open = 0;
    for (int f = f0 - 1; f <= f0 + 1; f++) open += !(FileMask(f) & enemy_pawns & kHalf[x]);
    value += open * OpOf(e.pawn_storm);
    storm_weight = 8 * open;
  }

  const Bitboard defended = mine[Pawn] | mine[Knight] | mine[Bishop] | mine[Rook] | mine[Queen] |
                            (BB_KingRays[k] & ~ew->attacked_twice[x]);
  const Bitboard open_to = ~defended & ~pos->bb[x][0];
  const Bitboard knight_checks = BB_KnightRays[k] & open_to;
  const Bitboard bishop_checks = BishopAttacks(k, ew->occupied) & open_to;
  const Bitboard rook_checks = RookAttacks(k, ew->occupied) & open_to;
  const int kn = PopCount(knight_checks & theirs[Knight]);
  const int bi = PopCount(bishop_checks & theirs[Bishop]);
  const int rk = PopCount(rook_checks & theirs[Rook]);
  const int qu = !!(theirs[Queen] & bishop_checks) + !!(theirs[Queen] & rook_checks);
  const int checks = kn + bi + rk + qu;
  if (theirs[Queen] & BB_KingRays[k] & open_to)
    ew->ply_rec->threat[c] = uint16_t(ew->ply_rec->threat[c] + 900);

  const int acc = ew->king_attack[x];
  const int n_knight = acc & 7, n_bishop = acc >> 3 & 7, n_rook = acc >> 6 & 7, n_queen = acc >> 9 & 7;
  const Bitboard zone = ew->king_zone[c];
  const Bitboard minor_cover = mine[Pawn] | mine[Knight] | mine[Bishop];
  int zone_hits = PopCount(theirs[Pawn] & zone) +
                  PopCount((theirs[Knight] | theirs[Bishop]) & zone & ~minor_cover) +
                  PopCount(theirs[Rook] & zone & ~(minor_cover | mine[Rook])) +
                  PopCount(theirs[Queen] & zone & ~mine[0]);
  int weight = 44 * n_knight + 28 * n_bishop + 48 * n_rook + 52 * n_queen + 30 * zone_hits +
               20 * checks + storm_weight;
  weight -= 8 * ((OpOf(ew->mobility[c]) - OpOf(ew->mobility[x])) / 8);
  weight -= 8 * h;
  weight += (qu > 0 && n_queen == 0) ? 8 : -16;
  if (rk > 0 && n_rook == 0) weight += 24;
  if (kn > 0 && n_knight == 0) weight += 24;

  int index = weight / 8 - (c == ew->side ? 2 : 0);
  if (index > 0) value -= e.KingDanger[std::min(index, 63)];
  if (!pos->bb[x][Queen]) value /= 2;
  return checks * e.safe_check + S(value, 0);
}

// Endgame half only: a boxed-in king and a king outside the pawns' files.
int KingEndgame(const EvalWork* ew, int c) {
  const int k = ew->king_sq[c], kf = FileOf(k);
  int v = 0;
  if (!(BB_KingRays[k] & kInner & ~ew->pos->bb[c][0] & ~ew->attacks[c ^ 1][0])) v = -12;
  int m = ew->pawn_files[White] | ew->pawn_files[Black];
  if (m) {
    if (kf < leftbit[m])
      v -= 10 * (leftbit[m] - kf);
    else if (kf > rightbit[m])
      v -= 10 * (kf - rightbit[m]);
  }
  return v;
}

void Kings(EvalWork* ew, int c) {
  int k = ew->king_sq[c];
  int32_t v = EvalParams.pst[5][k ^ flip_sq[c]];
  if (ew->phase[c ^ 1] > 2) v += KingSafety(ew, c);
  if (ew->phase[White] + ew->phase[Black] < 9) v += S(0, KingEndgame(ew, c));
  ew->positional[c] += v;
  TraceTerm(ew, k, PBlock.display.kings, c, v);
}

}  // namespace

void PreparePieceInputs(EvalWork* ew) {
  const Position* pos = ew->pos;
  const Bitboard pw = pos->bb[White][Pawn], pb = pos->bb[Black][Pawn];
  ew->outposts[White] = kFilesBtoG & (RankMask(4) | RankMask(5)) & ~ew->pawn_attack_span[Black];
  ew->outposts[Black] = kFilesBtoG & (RankMask(3) | RankMask(2)) & ~ew->pawn_attack_span[White];
  ew->blocked_pawns[White] = pw & kFilesBtoG & (pb >> 8);
  ew->blocked_pawns[Black] = pb & kFilesBtoG & (pw << 8);
  ew->king_files = 0;
  ew->pinned = 0;
  for (int c = White; c <= Black; c++) {
    const int x = c ^ 1, k = ew->king_sq[c];
    ew->mobility_area[c] = ~(ew->attacks[x][Pawn] | pos->bb[c][Pawn] | SquareBit(k));
    int centre = kZoneClamp[RankOf(k)] * 8 + kZoneClamp[FileOf(k)];
    ew->king_zone[c] = BB_KingRays[centre] | SquareBit(centre);
    ew->king_files |= FileMask(FileOf(k)) | BB_AdjacentFiles[FileOf(k)];
    ew->pinned |= Pinned(pos, c, ew->occupied);
    Bitboard far_ranks = c == White ? RankMask(6) | RankMask(7) : RankMask(0) | RankMask(1);
    ew->rook_on_7th[c] = ((pos->bb[x][Pawn] | pos->bb[x][King]) & far_ranks) != 0;
    Bitboard king = BB_KingRays[k];
    ew->attacks[c][King] = king;
    ew->attacked_twice[c] |= king & ew->attacks[c][Pawn];
    ew->attacks[c][0] = king | ew->attacks[c][Pawn];
    for (int t = Knight; t <= Queen; t++) ew->attacks[c][t] = 0;
    ew->mobility[c] = 0;
    ew->king_attack[c] = 0;
  }
}

void EvaluatePieces(EvalWork* ew) {
  Knights(ew, White);
  Knights(ew, Black);
  Bishops(ew, White);
  Bishops(ew, Black);
  Rooks(ew, White);
  Rooks(ew, Black);
  Queens(ew, White);
  Queens(ew, Black);
  Kings(ew, White);
  Kings(ew, Black);
}

void EvaluateThreats(EvalWork* ew) {
  const EvalParamsRecord& e = EvalParams;
  const Position* pos = ew->pos;
  for (int c = White; c <= Black; c++) {
    const int x = c ^ 1;
    const Bitboard (&mine)[7] = ew->attacks[c];
    const Bitboard (&theirs)[7] = ew->attacks[x];
    if (!(pos->bb[c][0] & theirs[0])) continue;
    Bitboard weak = (ew->attacked_twice[x] & ~mine[Pawn] & ~ew->attacked_twice[c]) | (theirs[0] & ~mine[0]);
    Bitboard pawns = pos->bb[c][Pawn] & weak & (ew->pinned | ~theirs[Pawn]);
    Bitboard pieces = ((pos->bb[c][Knight] | pos->bb[c][Bishop]) & (weak | theirs[Pawn])) |
                      (pos->bb[c][Rook] & (theirs[Pawn] | theirs[Knight] | theirs[Bishop])) |
                      (pos->bb[c][Queen] & (theirs[Pawn] | theirs[Knight] | theirs[Bishop] | theirs[Rook]));
    int np = PopCount(pawns), nq = PopCount(pieces);
    ew->threatened |= pawns | pieces;
    ew->positional[c] += np * e.hung_pawn + nq * e.hung_piece;
    ew->ply_rec->threat[c] = uint16_t(ew->ply_rec->threat[c] + (np + 4 * nq) * 64);
  }
}
