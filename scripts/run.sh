#!/usr/bin/env bash
# Installs what is missing, builds and starts Vrel; with no meter attached it
# starts the built-in demo meter. Extra arguments go to the program.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset default
# Only the program: its help page is put beside it when configuring. The tests
# and benchmarks are scripts/test.sh's to build.
cmake --build --preset default -j"$(nproc)" --target vrel
args=("$@")
if [ ${#args[@]} -eq 0 ] && ! ls /dev/serial/by-id/*CP210* >/dev/null 2>&1; then
    args=(--demo)
fi
exec build/default/vrel "${args[@]}"
