#!/usr/bin/env bash
# Installs the build into a fresh prefix and checks what a desktop needs of it:
# the three programs, a valid .desktop entry that opens a file, the icon and the file types.
set -euo pipefail
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" > /dev/null
for file in bin/korvane bin/korvane-convert bin/korvane-render; do
    [ -x "$prefix/$file" ] || { echo "missing program $file"; exit 1; }
done
entry=$prefix/share/applications/korvane.desktop
grep -qx 'Exec=korvane %f' "$entry" || { echo "Exec line wrong"; exit 1; }
grep -q '^Name\[ja\]=' "$entry" || { echo "no Japanese name"; exit 1; }
grep -q '^MimeType=.*image/x-3ds;.*application/x-korvane-3da;' "$entry" || { echo "MimeType wrong"; exit 1; }
desktop-file-validate "$entry"
[ -f "$prefix/share/icons/hicolor/scalable/apps/korvane.svg" ] || { echo "no icon"; exit 1; }
python3 -c 'import sys, xml.dom.minidom; xml.dom.minidom.parse(sys.argv[1])' "$prefix/share/mime/packages/korvane.xml"
echo "installed layout is complete"
