#!/usr/bin/env bash
# Builds the Debian package into build/package/, checks its desktop entry and AppStream metadata,
# installs it (with the dependencies it declares), checks that the menu entry is there and that
# the installed program starts, and removes it again.
set -euo pipefail
cd "$(dirname "$0")/.."
missing=()
for p in desktop-file-utils appstream dpkg-dev; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

desktop-file-validate packaging/org.example.Vokarel.desktop
appstreamcli validate --no-net packaging/org.example.Vokarel.metainfo.xml

cmake --build build -j"$(nproc)" --target vokarel vokarel-cli sio-transfer
(cd build && cpack -B package >/dev/null)
deb=$(ls build/package/vokarel_*.deb)
dpkg-deb --field "$deb" Depends

DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "./$deb" >/dev/null
trap 'DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq vokarel >/dev/null' EXIT
desktop-file-validate /usr/share/applications/org.example.Vokarel.desktop
test -f /usr/share/icons/hicolor/32x32/apps/org.example.Vokarel.png
test -f /usr/share/metainfo/org.example.Vokarel.metainfo.xml
# The installed window starts and keeps running until it is stopped.
status=0
QT_QPA_PLATFORM=offscreen timeout 3 /usr/bin/vokarel || status=$?
[ "$status" -eq 124 ] || { echo "installed vokarel ended early with status $status"; exit 1; }
# The installed command line runs and says "no phone" (3) for a port without one.
status=0
/usr/bin/vokarel-cli --port 256 identify 2>/dev/null || status=$?
[ "$status" -eq 3 ] || { echo "installed vokarel-cli ended with status $status, not 3 (no phone)"; exit 1; }
echo "package ok: $deb"
