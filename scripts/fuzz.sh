#!/usr/bin/env bash
# Fuzzes one target for a while: scripts/fuzz.sh NAME SECONDS [libFuzzer options...]
# NAME is a tests/fuzz/fuzz_NAME.cpp (commalist, datafile_read, datafile_write, registry, ...).
# Builds build-fuzz/ with clang, libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer and
# runs the target on its committed seeds (tests/fuzz/corpus/NAME, which it only reads) plus a
# working corpus in build-fuzz/corpus/NAME, where new inputs land. An input that breaks the
# target is written to build-fuzz/findings/NAME/; put it into tests/fuzz/corpus/NAME/ once the
# fault is mended, so that every test run replays it.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
if (($# < 2)); then
    echo "usage: $0 NAME SECONDS [libFuzzer options...]" >&2
    exit 2
fi
name="$1"
seconds="$2"
shift 2
"$root/scripts/deps.sh" fuzz

build="$root/build-fuzz"
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_COMPILER=clang++ -DZENSORIA_FUZZ=ON -DZENSORIA_TESTS=OFF -DZENSORIA_BENCH=OFF \
    "${launcher[@]}" >/dev/null
cmake --build "$build" --target "fuzz_$name"

corpus="$build/corpus/$name"
findings="$build/findings/$name"
mkdir -p "$corpus" "$findings"
options=(-max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$findings/"
    -timeout=10 -rss_limit_mb=2048)
dict="$root/tests/fuzz/$name.dict"
[ -f "$dict" ] && options+=(-dict="$dict")
# Qt keeps some allocations until exit on purpose; leaks are not what is looked for here.
export ASAN_OPTIONS="detect_leaks=0:${ASAN_OPTIONS:-}"
export UBSAN_OPTIONS="print_stacktrace=1:${UBSAN_OPTIONS:-}"
export LC_ALL=C.UTF-8
exec "$build/tests/fuzz/fuzz_$name" "${options[@]}" "$@" "$corpus" "$root/tests/fuzz/corpus/$name"
