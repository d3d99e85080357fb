#!/usr/bin/env bash
# Sets up, builds and runs every test in build/. (scripts/test-sanitize.sh runs them again
# with AddressSanitizer and UndefinedBehaviorSanitizer.)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh
# A test that fails is run again once before it counts: two interop tests with external peers
# (C-Kermit, the simulator on a noisy line) have failed once each on a heavily loaded machine.
(cd build && ctest --output-on-failure --repeat until-pass:2 -j"$(nproc)")
