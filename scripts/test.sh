#!/usr/bin/env bash
# Installs what is missing, builds Zensoria with AddressSanitizer and
# UndefinedBehaviorSanitizer and runs every test. Exits non-zero on any failure.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/deps.sh"

build="$root/build-test"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DZENSORIA_SANITIZE=ON \
    -DZENSORIA_TESTS=ON -DZENSORIA_BENCH=ON >/dev/null
cmake --build "$build"

export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$build" --output-on-failure -j "$(nproc)" "$@"
