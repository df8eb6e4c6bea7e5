#!/usr/bin/env bash
# Installs every Debian package the build, the program and the tests need.
# Safe to run again: packages already present are left as they are.
set -euo pipefail
cd "$(dirname "$0")"
mapfile -t packages < <(grep -v '^\s*\(#\|$\)' packages.txt)
missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
    export DEBIAN_FRONTEND=noninteractive
    apt-get update
    apt-get install -y --no-install-recommends "${missing[@]}"
fi
# The glTF tests' validator installs with npm. Debian's npm goes with Debian's
# Node.js; a Node.js packaged elsewhere carries its own npm and refuses Debian's.
if ! command -v npm >/dev/null; then
    export DEBIAN_FRONTEND=noninteractive
    apt-get update
    apt-get install -y --no-install-recommends npm
fi
