#!/usr/bin/env bash
# Sets up, builds, and starts the tool together with the phone simulator: e365sim plays an E365
# with the sample memos on COM5 in build/bin (the program folder) and stops when the tool closes.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  cat >&2 <<'HINT'
No display: Vokarel is a desktop program and needs a graphical session.
Run scripts/demo.sh from a terminal on your desktop, or over "ssh -X". Without any display,
"xvfb-run scripts/demo.sh" (package xvfb) runs it unseen. The build is ready in build/bin/.
HINT
  exit 1
fi

link=build/bin/COM5
if [ -L "$link" ] && [ -e "$link" ] && [[ "$(readlink "$link")" != /dev/pts/* ]]; then
  echo "$link points at $(readlink "$link"), a port of yours; the demo needs COM5 for the simulator." >&2
  echo "Remove the link (rm $link) and run the demo again." >&2
  exit 1
fi

log=build/e365sim.log
device=build/e365sim.device
rm -f "$device"
build/bin/e365sim >"$device" 2>"$log" &
sim=$!
trap 'kill "$sim" 2>/dev/null || true; wait "$sim" 2>/dev/null || true' EXIT
for _ in $(seq 100); do
  [ -s "$device" ] && break
  kill -0 "$sim" 2>/dev/null || { cat "$log" >&2; exit 1; }
  sleep 0.1
done

echo "The phone simulator plays an E365 on COM5 ($(head -n1 "$device")); its log: $log"
echo "Press \"Открыть порт\", then \"Обновить список amr - записей\", pick a memo and press"
echo "\"Сохранить\": the memo lands in build/bin/ as an .amr file."
build/bin/vokarel
