#!/usr/bin/env bash
# Installs what is needed, builds the desktop program and what it needs (not the
# tests, tools and benchmarks), and starts it (arguments, such as a model file to
# open, are passed on to it).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh -- korvane
exec build/src/app/korvane "$@"
