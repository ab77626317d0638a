#!/usr/bin/env bash
# Installs what is missing, builds Zensoria and starts it.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/deps.sh"

build="$root/build"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DZENSORIA_TESTS=OFF -DZENSORIA_BENCH=OFF >/dev/null
cmake --build "$build" --target zensoria

# A newcomer's first run opens the example data file; an existing Settings.ini is left alone.
if [ ! -e "$build/Settings.ini" ] && [ -f "$root/examples/Beispiel.plx" ]; then
    mkdir -p "$build/examples"
    cp -n "$root/examples/Beispiel.plx" "$build/examples/Beispiel.plx"
    printf '[Settings]\r\nStandardFile=%s\r\n' "$build/examples/Beispiel.plx" >"$build/Settings.ini"
fi

exec "$build/zensoria" "$@"
