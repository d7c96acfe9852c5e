#!/usr/bin/env bash
# Long self-play run through pipes (not part of CI): two engine processes
# play fast games with clocks and pondering; the summary counts crashes,
# hangs, illegal moves and losses on time.
#
#   scripts/selfplay.sh [games] [base-ms] [increment-ms] [threads]
#
# KERV_HASH, KERV_PONDER (1/0) and KERV_SEED are passed through as well.
set -euo pipefail
cd "$(dirname "$0")/.."
export KERV_GAMES="${1:-400}"
export KERV_TC_MS="${2:-3000}"
export KERV_INC_MS="${3:-50}"
export KERV_THREADS="${4:-1}"
make build/release/build.ninja >/dev/null
cmake --build build/release --target test_engine >/dev/null
log="selfplay-$(date +%Y%m%d-%H%M%S).log"
./build/release/test_engine --gtest_also_run_disabled_tests \
  --gtest_filter='UciSelfPlay.DISABLED_LongRun' 2>&1 | tee "$log"
