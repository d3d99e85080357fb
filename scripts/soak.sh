#!/usr/bin/env bash
# The noisy-line soak: builds the soak program and the tools it drives into build/, then runs
# it (arguments go to it: scripts/soak.sh --transfers 5 for a short run; see build/bin/soak --help).
# The table goes to standard output and build/soak.txt, one line per transfer to build/soak.csv.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target soak sio-transfer e365sim >/dev/null
build/bin/soak --csv build/soak.csv "$@" | tee build/soak.txt
