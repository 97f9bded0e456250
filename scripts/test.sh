#!/usr/bin/env bash
# Installs what is missing, builds everything (program, tools, tests and
# benchmarks) with warnings as errors and runs every test; then the whole suite
# again under AddressSanitizer+UndefinedBehaviorSanitizer with leak detection,
# and the threaded link tests under ThreadSanitizer; then a short libFuzzer run
# of the file reader, the logger dump decoder and the live receive path
# (scripts/fuzz.sh). The ci build is also packaged and the package checked.
# VREL_QUICK=1 skips the sanitizer and fuzzer runs.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)

cmake --preset ci
cmake --build --preset ci -j"$jobs"
ctest --preset ci -j"$jobs"

deb=$(scripts/package.sh build/ci)
contents=$(dpkg-deb --contents "$deb")
for f in bin/vrel bin/vrel-cli bin/vrel-meter-sim share/applications/org.vrel.Vrel.desktop \
    share/icons/hicolor/48x48/apps/org.vrel.Vrel.png share/icons/hicolor/scalable/apps/org.vrel.Vrel.svg \
    share/metainfo/org.vrel.Vrel.metainfo.xml lib/udev/rules.d/60-vrel-meter.rules \
    share/man/man1/vrel.1.gz share/vrel/help/index.html; do
    grep -q " \./usr/$f\$" <<<"$contents" || { echo "the package lacks /usr/$f" >&2; exit 1; }
done
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg -x "$deb" "$root"
desktop-file-validate "$root"/usr/share/applications/org.vrel.Vrel.desktop
appstreamcli validate --no-net "$root"/usr/share/metainfo/org.vrel.Vrel.metainfo.xml
"$root"/usr/bin/vrel-cli --help >/dev/null

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
