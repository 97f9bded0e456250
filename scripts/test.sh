#!/usr/bin/env bash
# Installs what is missing, builds everything (program, tools, tests and
# benchmarks) with warnings as errors and runs every test; then the whole suite
# again under AddressSanitizer+UndefinedBehaviorSanitizer with leak detection,
# and the threaded link tests under ThreadSanitizer; then a short libFuzzer run
# of the file reader, the logger dump decoder and the live receive path
# (scripts/fuzz.sh).
# VREL_QUICK=1 skips the sanitizer and fuzzer runs.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)

cmake --preset ci
cmake --build --preset ci -j"$jobs"
ctest --preset ci -j"$jobs"

if [ "${VREL_QUICK:-0}" != 1 ]; then
    cmake --preset asan
    cmake --build --preset asan -j"$jobs"
    ctest --preset asan -j"$jobs"

    # Only the threaded link tests run under ThreadSanitizer: build just them.
    cmake --preset tsan
    cmake --build --preset tsan -j"$jobs" --target vrel_link_tests
    ctest --preset tsan -j"$jobs" -L threads

    scripts/fuzz.sh
fi
