#!/usr/bin/env bash
# Installs what is needed, builds, and starts the desktop program.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
if [ -x build/src/app/korvane ]; then
    exec build/src/app/korvane
fi
exec build/src/tools/korvane-convert --help
