#!/bin/bash
# Registers Zelmora with the desktop of the current user: a menu entry that
# opens *.zlm documents, the document type and the icon. Run again after the
# program has moved; nothing outside ~/.local/share is touched.
set -euo pipefail

binary="$(realpath "${1:?usage: install-desktop.sh <path of the zelmora program>}")"
here="$(cd "$(dirname "$0")/.." && pwd)"
data="${XDG_DATA_HOME:-$HOME/.local/share}"

install -d "$data/applications" "$data/mime/packages" "$data/icons/hicolor/scalable/apps"
sed "s|@ZELMORA_BINARY@|$binary|" "$here/res/zelmora.desktop.in" > "$data/applications/zelmora.desktop"
install -m 644 "$here/res/zelmora-mime.xml" "$data/mime/packages/zelmora.xml"
install -m 644 "$here/res/zelmora.svg" "$data/icons/hicolor/scalable/apps/zelmora.svg"

if command -v update-mime-database > /dev/null; then update-mime-database "$data/mime"; fi
if command -v update-desktop-database > /dev/null; then update-desktop-database "$data/applications"; fi
if command -v xdg-mime > /dev/null; then
  xdg-mime default zelmora.desktop application/x-zelmora-document || true
fi
echo "Zelmora registered for *.zlm documents in $data"
