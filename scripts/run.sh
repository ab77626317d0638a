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

# Without a display Qt aborts with a cryptic message; say what is missing instead.
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}${QT_QPA_PLATFORM:-}" ]; then
    echo "Built $build/zensoria, but there is no display to show it on." >&2
    echo "Start scripts/run.sh in a desktop session, or with a virtual one: xvfb-run -a scripts/run.sh" >&2
    exit 1
fi
exec "$build/zensoria" "$@"
