#!/usr/bin/env bash
# CI's short fuzz run: every target for FUZZ_SECONDS (default 20) from its committed seeds.
# New inputs go to a scratch folder, so the committed corpus stays as it is. Any crash, leak,
# sanitizer finding, broken check or hang (over 10 s for one input) fails the run and leaves the
# input in build-fuzz/artifacts/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-20}
targets=$(scripts/fuzz-build.sh)
mkdir -p build-fuzz/artifacts
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/scripts/sanitize/lsan.supp:print_suppressions=0
export QT_QPA_PLATFORM=offscreen
failed=0
for name in $targets; do
  scratch=$(mktemp -d)
  echo "== fuzz_$name: ${seconds} s"
  if ! build-fuzz/bin/fuzz_"$name" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
      -artifact_prefix=build-fuzz/artifacts/"$name"- "$scratch" fuzz/corpus/"$name" 2>build-fuzz/fuzz_"$name".log; then
    tail -n 60 build-fuzz/fuzz_"$name".log
    failed=1
  fi
  grep -E '^stat::number_of_executed_units|^#[0-9]+ *DONE' build-fuzz/fuzz_"$name".log || true
  rm -rf "$scratch"
done
exit $failed
