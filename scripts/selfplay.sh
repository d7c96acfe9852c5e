#!/usr/bin/env bash
# Long self-play run through pipes (not part of CI): pairs of engine processes
# play fast games with clocks and pondering, several pairs at once; the
# summary counts crashes, hangs, illegal moves, losses on time and the moves
# played under the engine's time reserve.
#
#   scripts/selfplay.sh [games] [base-ms] [increment-ms] [threads] [pairs]
#
# KERV_HASH, KERV_PONDER (1/0) and KERV_SEED are passed through as well.
set -euo pipefail
cd "$(dirname "$0")/.."
games="${1:-400}"
export KERV_TC_MS="${2:-3000}"
export KERV_INC_MS="${3:-50}"
export KERV_THREADS="${4:-1}"
pairs="${5:-1}"
seed="${KERV_SEED:-1}"
make build/release/build.ninja >/dev/null
cmake --build build/release --target test_engine >/dev/null
log=$(mktemp -d /tmp/kerv-selfplay.XXXXXX)
echo "$games games at ${KERV_TC_MS}+${KERV_INC_MS} ms, $pairs pairs; load at start: $(cut -d' ' -f1-3 /proc/loadavg)"
pids=()
for ((i = 0; i < pairs; i++)); do
  KERV_GAMES=$(( games / pairs + (i < games % pairs ? 1 : 0) )) KERV_SEED=$((seed + i)) \
    ./build/release/test_engine --gtest_also_run_disabled_tests \
    --gtest_filter='UciSelfPlay.DISABLED_LongRun' >"$log/pair.$i" 2>&1 &
  pids+=($!)
done
# The load while the pairs play, once a minute.
(while sleep 60; do echo "load: $(cut -d' ' -f1-3 /proc/loadavg)"; done) &
sampler=$!
status=0
for pid in "${pids[@]}"; do wait "$pid" || status=1; done
kill "$sampler"
echo "load at end: $(cut -d' ' -f1-3 /proc/loadavg)"
grep -h "lost on time\|no bestmove\|illegal move" "$log"/pair.* || true
# Sums the pairs' summaries; each figure is the word after its name.
cat "$log"/pair.* | awk '
  function after(key,   i) { for (i = 1; i < NF; i++) if ($i == key) return $(i + 1) + 0; return 0 }
  /^games / { g += $2; m += after("moves"); think += after("moves") * after("think")
              c += after("crashes"); h += after("hangs"); il += after("illegal"); tl += after("losses") }
  /^under the reserve/ { sm += after("moves"); st += after("moves") * after("think")
                         l = after("move"); if (least == "" || l < least) least = l
                         if (after("longest") > longest) longest = after("longest") }
  END { printf "total: games %d, moves %d, mean think %.4f s, crashes %d, hangs %d, illegal %d, time losses %d\n",
               g, m, m ? think / m : 0, c, h, il, tl
        printf "under the reserve: moves %d, mean think %.4f s, longest %.4f s; least clock left after a move %.4f s\n",
               sm, sm ? st / sm : 0, longest, least }'
rm -rf "$log"
exit $status
