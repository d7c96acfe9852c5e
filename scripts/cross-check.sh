#!/usr/bin/env bash
# Runs every program in build/deliverables/ (see `make deliverables`) under
# the emulator of its platform and checks that all give the same answers:
# console perft from the start position and from a position with castling,
# en passant and promotions, the node count of the fixed benchmark (the
# native build's count is the reference) and a legal move from a short UCI
# session; and that each reads its input by one rule: a NUL ends a line's
# text, and a program started with standard input closed ends at once.
# Prints each program's figures; exits non-zero on any mismatch.
set -uo pipefail
cd "$(dirname "$0")/.."
deliverables=build/deliverables
data=testdata
start_nodes=4865609
# Position 4 of the suite: castling, en passant and promotions on both sides.
suite_line=$(grep -m1 '^r3k2r/Pppp1ppp/' "$data/perft/perft-suite.txt") || {
  echo "cross-check: no perft suite in $data/perft" >&2; exit 2; }
IFS=';' read -r suite_fen suite_depth suite_nodes <<<"$suite_line"
# Black's twenty replies to 1.e4.
legal_replies=" a7a6 a7a5 b7b6 b7b5 c7c6 c7c5 d7d6 d7d5 e7e6 e7e5 f7f6 f7f5 g7g6 g7g5 h7h6 h7h5 b8a6 b8c6 g8f6 g8h6 "

work=$(mktemp -d)
export WINEDEBUG=-all WINEPREFIX="$work/wine"
wine64=/usr/lib/wine/wine64
wine32=/usr/lib/wine/wine
trap 'wineserver -k 2>/dev/null; rm -rf "$work"' EXIT

# The x86-64 CPU model without the population-count instruction.
no_popcnt_cpu="qemu-x86_64 -cpu qemu64,-popcnt"
declare -A runner=(
  [kerv-x86-64-popcnt]=""
  [kerv-x86-64]="$no_popcnt_cpu"
  [kerv-armv8]="qemu-arm -cpu max"
  [kerv-armv6]="qemu-arm -cpu arm1176"
  [kerv-win64-popcnt.exe]="$wine64"
  [kerv-win32.exe]="$wine32"
)
order=(kerv-x86-64-popcnt kerv-x86-64 kerv-armv8 kerv-armv6 kerv-win64-popcnt.exe kerv-win32.exe)

passed=0 failed=0 skipped=0
fail() { echo "  FAIL: $*"; ok=0; }

# The emulated CPU must refuse the instruction, or the run without it proves
# nothing.
if { timeout 60 $no_popcnt_cpu "$deliverables/kerv-x86-64-popcnt" -bench2 </dev/null >/dev/null 2>&1; } 2>/dev/null; then
  echo "FAIL: the popcnt build ran on the CPU model without popcnt"
  failed=$((failed + 1))
fi

"$wine64" wineboot --init >/dev/null 2>&1
x86_64-w64-mingw32-g++-posix -O2 -static scripts/win-pipe-session.cpp -o "$work/win-pipe-session.exe" || exit 2

# The Windows file mapping of the table files, through the same compiler.
x86_64-w64-mingw32-g++-posix -std=c++20 -O2 -static -ISource scripts/win-filemap-check.cpp \
  Source/platform/win_filemap.cpp -o "$work/win-filemap-check.exe" || exit 2
printf 'KQvK table bytes' >"$work/table.bin"
: >"$work/empty.bin"
if ! "$wine64" "$work/win-filemap-check.exe" "$work/table.bin" 'KQvK table bytes' "$work/empty.bin" \
  "$work/missing.bin" | tr -d '\r'; then
  failed=$((failed + 1))
fi

# uci_session RUN PROGRAM: the session's output on standard output.
uci_session() {
  local run=$1 program=$2
  if [[ $program == *.exe ]]; then
    timeout 300 "$wine64" "$work/win-pipe-session.exe" "Z:${program//\//\\}" \
      uci isready "position startpos moves e2e4" "go depth 6" wait:bestmove quit
    return
  fi
  local out="$work/uci.out"
  : >"$out"
  {
    printf 'uci\nisready\nposition startpos moves e2e4\ngo depth 6\n'
    for _ in $(seq 1200); do grep -q '^bestmove' "$out" && break; sleep 0.1; done
    echo quit
  } | timeout 300 $run "$program" >"$out"
  cat "$out"
}

reference_bench=""
row='%-22s %-32s %10s %10s %10s %s\n'
# shellcheck disable=SC2059
printf "$row" program runner "perft 5" "suite $suite_depth" "bench -d 8" bestmove
for name in "${order[@]}"; do
  program="$PWD/$deliverables/$name"
  run=${runner[$name]}
  if [[ ! -x $program && ! -f $program ]]; then
    echo "$name: missing (run make deliverables)"; failed=$((failed + 1)); continue
  fi
  if [[ $name == kerv-win32.exe ]] && ! "$wine32" --version >/dev/null 2>&1; then
    if [[ -e $wine32 ]]; then
      echo "$name: not run: wine's 32-bit loader does not start on this machine"
    else
      echo "$name: not run: wine32 is not installed (the installer leaves it out where it cannot be had or run)"
    fi
    skipped=$((skipped + 1)); continue
  fi
  dir="$work/$name.run"; mkdir -p "$dir"; cd "$dir"
  ok=1
  printf 'perft 5\nfen %s\nperft %s\nquit\n' "$suite_fen" "$suite_depth" >commands.txt
  mapfile -t perft < <(timeout 300 $run "$program" -c <commands.txt | tr -d '\r' | sed -n 's/^visited \([0-9]*\) nodes.*/\1/p')
  bench=$(timeout 300 $run "$program" -bench -threads 1 -d 8 </dev/null | tr -d '\r' | sed -n 's/.*nodes= \([0-9]*\),.*/\1/p')
  best=$(uci_session "$run" "$program" | tr -d '\r' | sed -n 's/^bestmove \([a-h1-8qrbn]*\).*/\1/p')
  ready=$(printf 'isready\0isready\nquit\n' | timeout 120 $run "$program" | tr -d '\r' | grep -c '^readyok')
  timeout 120 $run "$program" <&- >/dev/null 2>&1 || fail "did not end at once with standard input closed"
  cd - >/dev/null
  [[ ${perft[0]:-} == "$start_nodes" ]] || fail "perft 5 gave '${perft[0]:-}'"
  [[ ${perft[1]:-} == "$suite_nodes" ]] || fail "perft $suite_depth gave '${perft[1]:-}', not $suite_nodes"
  [[ -z $reference_bench ]] && reference_bench=$bench
  [[ -n $bench && $bench == "$reference_bench" ]] || fail "bench nodes '$bench', native $reference_bench"
  [[ -n $best && $legal_replies == *" $best "* ]] || fail "bestmove '$best' is not a legal reply to e2e4"
  [[ $ready == 1 ]] || fail "a line with a NUL gave $ready readyok, not 1"
  # shellcheck disable=SC2059
  printf "$row" "$name" "${run:-native}" "${perft[0]:-?}" "${perft[1]:-?}" "${bench:-?}" "${best:-?}"
  if ((ok)); then passed=$((passed + 1)); else failed=$((failed + 1)); fi
done
echo "cross-check: $passed passed, $failed failed, $skipped skipped"
((failed == 0))
