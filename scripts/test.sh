#!/usr/bin/env bash
# Installs what is needed, builds, and runs every test: the whole suite in build/
# (under a virtual display, for the window and picture tests), the unit tests of a
# build without Qt in build-noqt/, then the unit and network tests again in
# build-asan/ under AddressSanitizer, UndefinedBehaviorSanitizer and LeakSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
# The Khronos glTF-Validator at the version the lock file pins, for the glTF tests.
(cd tests/gltf && npm ci --no-audit --no-fund)
jobs=$(nproc)

scripts/build.sh -DKORVANE_WERROR=ON
xvfb-run -a -s "-screen 0 1280x1024x24" \
    ctest --test-dir build --output-on-failure -j "$jobs" --timeout 600

# The libraries and the converter without Qt, as a machine without it builds them.
# Not with -Werror: GCC 12 at -O3 warns of memcpy overlaps inside std::string that
# cannot happen (-Wrestrict, -Warray-bounds); the two builds above check the warnings.
cmake -S . -B build-noqt -G Ninja -DCMAKE_BUILD_TYPE=Release -DKORVANE_WITH_QT=OFF \
    -DKORVANE_BENCH=OFF
cmake --build build-noqt
ctest --test-dir build-noqt --output-on-failure -j "$jobs" -L unit --timeout 600
echo "Without Qt: the libraries and korvane-convert build, and the unit tests pass"

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKORVANE_SANITIZE=ON \
    -DKORVANE_WITH_QT=OFF -DKORVANE_BENCH=OFF -DKORVANE_WERROR=ON
cmake --build build-asan
# LeakSanitizer checks every test program (and every converter a test runs) as it
# exits: a leak fails that test, so passing tests are its verdict of no leaks.
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 LSAN_OPTIONS=exitcode=23 \
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir build-asan --output-on-failure -j "$jobs" -L 'unit|net' --timeout 600
echo "AddressSanitizer, UndefinedBehaviorSanitizer, LeakSanitizer: no findings in the unit and network tests"
