#!/usr/bin/env bash
# Builds the whole test suite with AddressSanitizer and UndefinedBehaviorSanitizer into
# build-sanitize/ and runs it: any finding (memory error, leak, undefined behaviour) fails its test.
# Assumes scripts/setup.sh has run (scripts/test.sh runs it first).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVOKAREL_SANITIZE=ON >/dev/null
cmake --build build-sanitize -j"$(nproc)"

# Every child the tests start (e365sim, sio-transfer) is sanitized too and inherits these.
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1:check_initialization_order=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$root/scripts/sanitize/lsan.supp:print_suppressions=0
cd build-sanitize
ctest --output-on-failure -j"$(nproc)"
