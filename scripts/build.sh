#!/usr/bin/env bash
# Configures and builds into build/. Arguments before "--" go to cmake's configure
# step; after it, the targets to build (default: everything).
set -euo pipefail
cd "$(dirname "$0")/.."
configure=()
while [ $# -gt 0 ] && [ "$1" != "--" ]; do
    configure+=("$1")
    shift
done
[ $# -gt 0 ] && shift
targets=()
for target in "$@"; do targets+=(--target "$target"); done
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${configure[@]}"
cmake --build build "${targets[@]}"
