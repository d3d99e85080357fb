#!/usr/bin/env bash
# Fails when a file of the tool includes from a layer above its own. The layers, bottom first:
# the library and the file utilities (neither includes the other), the UI kit, the phone's text
# rules, the serial link, the transfer engine, the session and window. The library has no Qt.
set -euo pipefail
cd "$(dirname "$0")/.."
above() {
  case $1 in
    sio) echo 'include\s*<Q|include\s*"(fileutil|ui|phone|serial|transfer|app)/' ;;
    fileutil) echo 'include\s*"(sio|ui|phone|serial|transfer|app)/' ;;
    ui) echo 'include\s*"(phone|serial|transfer|app)/' ;;
    phone) echo 'include\s*"(ui|serial|transfer|app)/' ;;
    serial) echo 'include\s*"(transfer|app)/' ;;
    transfer) echo 'include\s*"app/' ;;
    # The tests may change at any time: what a tool, a benchmark or a fuzzer shares with them
    # lives in tools/ (the rig in tools/testbed).
    tools | bench | fuzz) echo 'include\s*"tests/' ;;
  esac
}
status=0
for layer in sio fileutil ui phone serial transfer tools bench fuzz; do
  if grep -rnE "^\s*#\s*($(above $layer))" --include='*.h' --include='*.cpp' "$layer"; then
    status=1
  fi
done
[ $status -eq 0 ] || echo "includes from a layer above or from tests/ (listed above)" >&2
exit $status
