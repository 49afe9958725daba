#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, then builds and runs every test in both configurations
# (GCC; clang with AddressSanitizer + UndefinedBehaviorSanitizer), the tests of what runs on
# several threads once more under ThreadSanitizer, the Windows build under Wine, then each fuzzer
# briefly.
#   FUZZ_SECONDS=n  how long each fuzzer runs (default 20)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

jobs=$(nproc)

echo "== GCC build and tests"
scripts/build.sh release
ctest --test-dir build/release --output-on-failure -j "$jobs"

echo "== clang AddressSanitizer + UndefinedBehaviorSanitizer build and tests"
scripts/build.sh sanitize
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    LSAN_OPTIONS=suppressions="$PWD/tests/lsan.supp" \
    ctest --test-dir build/sanitize --output-on-failure -j "$jobs"

echo "== clang ThreadSanitizer build and the thread tests"
scripts/build.sh tsan
ctest --test-dir build/tsan --output-on-failure -j "$jobs"

echo "== Windows: MinGW-w64 cross-build, the core tests and datemark-cli.exe under Wine"
start=$SECONDS
scripts/build.sh windows
tests/windows/wine_test.sh build/windows
echo "-- the Windows stage took $((SECONDS - start)) s"

echo "== fuzzers"
scripts/build.sh fuzz
for fuzzer in build/fuzz/fuzz/*_fuzzer; do
    name=$(basename "$fuzzer")
    corpus=$(mktemp -d)
    seeds="fuzz/corpus/${name%_fuzzer}"
    [ -d "$seeds" ] && cp -r "$seeds/." "$corpus/"
    echo "-- $name"
    "$fuzzer" -max_total_time="${FUZZ_SECONDS:-20}" -print_final_stats=0 "$corpus" 2>&1 | tail -n 3
    rm -rf "$corpus"
done
echo "== all tests passed"
