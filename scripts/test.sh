#!/usr/bin/env bash
# Sets up, builds and runs every test in build/. (scripts/test-sanitize.sh runs them again
# with AddressSanitizer and UndefinedBehaviorSanitizer.)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh
(cd build && ctest --output-on-failure -j"$(nproc)")
