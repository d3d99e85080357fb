#!/usr/bin/env bash
# A long fuzz run: scripts/fuzz-long.sh SECONDS [TARGET...] (default: every target, one after
# another, each for SECONDS). Keeps what each target learns in build-fuzz/corpus/<target>/ (seeded
# from fuzz/corpus/<target>/) and findings in build-fuzz/artifacts/; the logs end with the
# number of executions. Runs at low priority beside other work.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:?usage: scripts/fuzz-long.sh SECONDS [TARGET...]}
shift
all=$(scripts/fuzz-build.sh)
targets=${*:-$all}
mkdir -p build-fuzz/artifacts
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/scripts/sanitize/lsan.supp:print_suppressions=0
export QT_QPA_PLATFORM=offscreen
for name in $targets; do
  mkdir -p build-fuzz/corpus/"$name"
  echo "== fuzz_$name: $seconds s, log build-fuzz/long_$name.log"
  nice -n 15 build-fuzz/bin/fuzz_"$name" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix=build-fuzz/artifacts/"$name"- \
    build-fuzz/corpus/"$name" fuzz/corpus/"$name" >build-fuzz/long_"$name".log 2>&1 || echo "fuzz_$name found something: see its log"
  grep -E '^stat::number_of_executed_units' build-fuzz/long_"$name".log || true
done
