#!/usr/bin/env bash
# Builds the Debian package (vrel_VERSION_ARCH.deb) with CPack: the programs,
# help and man pages, menu entry, icon, AppStream metainfo and udev rule.
# Without an argument it makes an optimised build of the programs alone in
# build/package; given the folder of a configured build (build/ci), it packages
# that one. Prints the package's path.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh >&2
build=${1:-build/package}
if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVREL_TESTS=OFF -DVREL_BENCH=OFF \
        >&2
fi
cmake --build "$build" -j"$(nproc)" >&2
(cd "$build" && cpack -G DEB) >&2
ls "$PWD/$build"/vrel_*.deb
