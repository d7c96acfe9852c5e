#!/usr/bin/env bash
# Match of two strength-limited engines through pipes (not part of CI): the
# lower UCI_Elo must lose clearly and neither may lose on time.
#
#   scripts/strength_match.sh [games] [low-elo] [high-elo] [base-ms] [increment-ms]
set -euo pipefail
cd "$(dirname "$0")/.."
export KERV_GAMES="${1:-40}"
export KERV_ELO_LOW="${2:-1600}"
export KERV_ELO_HIGH="${3:-2200}"
export KERV_TC_MS="${4:-5000}"
export KERV_INC_MS="${5:-50}"
make build/release/build.ninja >/dev/null
cmake --build build/release --target test_engine >/dev/null
log="strength-$(date +%Y%m%d-%H%M%S).log"
./build/release/test_engine --gtest_also_run_disabled_tests \
  --gtest_filter='ConsoleStrength.DISABLED_LowerRatingLosesAndNeverForfeits' 2>&1 | tee "$log"
