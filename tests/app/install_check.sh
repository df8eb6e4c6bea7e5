#!/usr/bin/env bash
# Installs the build into a fresh prefix and checks what a desktop needs of it:
# the three programs, stripped, each with its manual page; a valid .desktop entry
# that opens a file, the icon, the file types as the shared MIME database reads
# them, and the thumbnailer run as a file manager runs it: its Exec line filled
# in, with no X display.
set -euo pipefail
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" > /dev/null
for program in korvane korvane-convert korvane-render; do
    [ -x "$prefix/bin/$program" ] || { echo "missing program $program"; exit 1; }
    if readelf -S "$prefix/bin/$program" | grep -qE '\.(symtab|debug_info)'; then
        echo "$program is not stripped"
        exit 1
    fi
    page=$prefix/share/man/man1/$program.1
    [ -f "$page" ] || { echo "no manual page for $program"; exit 1; }
    grep -q "^\.TH ${program^^} \"1\"" "$page" || { echo "$page is not the manual page of $program"; exit 1; }
    grep -qF -- '\-\-help' "$page" || { echo "$page does not list --help"; exit 1; }
done
entry=$prefix/share/applications/korvane.desktop
grep -qx 'Exec=korvane %f' "$entry" || { echo "Exec line wrong"; exit 1; }
for key in Name Comment; do
    for language in en ja; do
        grep -q "^$key\\[$language\\]=" "$entry" || { echo "no $key[$language]"; exit 1; }
    done
done
types='image/x-3ds;application/x-korvane-3da;application/x-korvane-xa;model/x-korvane-directx;model/gltf-binary;model/gltf+json;'
grep -qx "MimeType=$types" "$entry" || { echo "MimeType wrong"; exit 1; }
desktop-file-validate "$entry"
[ -f "$prefix/share/icons/hicolor/scalable/apps/korvane.svg" ] || { echo "no icon"; exit 1; }
python3 -c 'import sys, xml.dom.minidom; xml.dom.minidom.parse(sys.argv[1])' "$prefix/share/mime/packages/korvane.xml"

# The database built from the package knows every type, with both comments,
# and tells a DirectX file by its first bytes whatever its name.
# It complains (but still succeeds) about a package it finds wrong: anything it says fails the check.
complaints=$(XDG_DATA_DIRS="$prefix/share:/usr/share" update-mime-database "$prefix/share/mime" 2>&1)
[ -z "$complaints" ] || { echo "update-mime-database: $complaints"; exit 1; }
for type in image/x-3ds application/x-korvane-3da application/x-korvane-xa model/x-korvane-directx; do
    grep -q '<comment xml:lang="ja">' "$prefix/share/mime/$type.xml" || { echo "no type $type"; exit 1; }
done
content_type() {
    XDG_DATA_HOME="$prefix/share" XDG_DATA_DIRS="$prefix/share:/usr/share" \
        gio info -a standard::content-type "$1" | sed -n 's/^ *standard::content-type: //p'
}
# The samples are made here, so the check needs no model collection: a one-triangle
# .3ds written chunk by chunk, and its .x files from the installed converter.
samples=$(mktemp -d -p "$prefix")
python3 - "$samples/model.3ds" <<'PY'
import struct, sys
def chunk(tag, payload):
    return struct.pack("<HI", tag, 6 + len(payload)) + payload
vertices = struct.pack("<H9f", 3, 0, 0, 0, 1, 0, 0, 0, 1, 0)
faces = struct.pack("<5H", 1, 0, 1, 2, 0)
mesh = chunk(0x4100, chunk(0x4110, vertices) + chunk(0x4120, faces))
open(sys.argv[1], "wb").write(chunk(0x4D4D, chunk(0x3D3D, chunk(0x4000, b"Tri\0" + mesh))))
PY
"$prefix/bin/korvane-convert" -o "$samples/cube.x" "$samples/model.3ds"
# Binary .x data under a name that says nothing: known by its first bytes alone.
"$prefix/bin/korvane-convert" -b -o "$samples/cube-binary.x" "$samples/model.3ds"
mv "$samples/cube-binary.x" "$samples/cube-binary.model"
for pair in cube.x:model/x-korvane-directx cube-binary.model:model/x-korvane-directx model.3ds:image/x-3ds; do
    file=${pair%%:*} expected=${pair#*:}
    actual=$(content_type "$samples/$file")
    [ "$actual" = "$expected" ] || { echo "$file is $actual, not $expected"; exit 1; }
done

# The thumbnailer: found on the PATH by TryExec, its command line filled in as
# a file manager fills it (%s the size, %i the input, %o the output).
thumbnailer=$prefix/share/thumbnailers/korvane.thumbnailer
grep -qx '\[Thumbnailer Entry\]' "$thumbnailer" || { echo "no thumbnailer entry"; exit 1; }
grep -qx "MimeType=$types" "$thumbnailer" ||
    { echo "thumbnailer MimeType wrong"; exit 1; }
try_exec=$(sed -n 's/^TryExec=//p' "$thumbnailer")
exec_line=$(sed -n 's/^Exec=//p' "$thumbnailer")
export PATH="$prefix/bin:$PATH"
command -v "$try_exec" > /dev/null || { echo "TryExec $try_exec not found"; exit 1; }
for file in cube.x model.3ds; do
    output=$samples/$file.png
    read -r -a words <<< "$exec_line"
    for i in "${!words[@]}"; do
        case ${words[$i]} in
            %s) words[$i]=128 ;;
            %i) words[$i]=$samples/$file ;;
            %o) words[$i]=$output ;;
        esac
    done
    env -u DISPLAY "${words[@]}" 2> /dev/null || { echo "thumbnailer failed on $file"; exit 1; }
    python3 - "$output" <<'PY' || { echo "thumbnail of $file is not a 128x128 PNG"; exit 1; }
import struct, sys
data = open(sys.argv[1], "rb").read()
assert data[:8] == b"\x89PNG\r\n\x1a\n" and data[-8:-4] == b"IEND"
assert struct.unpack(">II", data[16:24]) == (128, 128)
PY
done
echo "installed layout is complete"
