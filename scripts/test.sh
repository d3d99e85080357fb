#!/usr/bin/env bash
# Sets up, builds and runs every test: in build/, then again with AddressSanitizer and
# UndefinedBehaviorSanitizer in build-sanitize/ (scripts/test-sanitize.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh
(cd build && ctest --output-on-failure -j"$(nproc)")
scripts/test-sanitize.sh
