#!/usr/bin/env bash
# Builds the libFuzzer targets with clang into build/fuzz, the whole core
# instrumented and checked by AddressSanitizer and UndefinedBehaviorSanitizer,
# and runs each for a short time from its corpus in tests/fuzz/corpus: the text
# data file reader, the logger dump decoder, the live receive path and the
# MQTT payload decoders.
# VREL_FUZZ_SECONDS sets the time per target (default 15). New inputs that
# libFuzzer finds stay in build/fuzz/corpus-*; a crash leaves its input in
# build/fuzz and fails the script.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${VREL_FUZZ_SECONDS:-15}

# -O1 with line tables only: a short run finds as much, and the build is a
# good part of the test script's time.
cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE= \
    -DCMAKE_CXX_COMPILER=clang++ -DVREL_BENCH=OFF \
    -DCMAKE_CXX_FLAGS="-O1 -gline-tables-only -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer" \
    >/dev/null
cmake --build build/fuzz -j2 --target textdata_fuzz logger_fuzz live_fuzz mqtt_fuzz

for target in textdata logger live mqtt; do
    work=build/fuzz/corpus-$target
    mkdir -p "$work"
    echo "Fuzzing $target for ${seconds}s"
    build/fuzz/tests/fuzz/${target}_fuzz -max_total_time="$seconds" -timeout=10 \
        -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix=build/fuzz/"$target"- \
        "$work" tests/fuzz/corpus/$target
done
