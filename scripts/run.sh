#!/usr/bin/env bash
# Installs what is needed, builds, and starts the desktop program (arguments, such
# as a model file to open, are passed on to it).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
exec build/src/app/korvane "$@"
