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
# Each stage says how long it took: the whole script must stay well under
# 25 minutes on a fresh two-core machine.
stage() { echo "== $1 (at ${SECONDS} s)"; }
stage "installing"
scripts/install-deps.sh
export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)
# Many tests wait on a broker, a database or a pseudo-terminal rather than
# compute: one more at a time than there are cores keeps the cores busy.
test_jobs=$((jobs + 1))

stage "the ci build"

cmake --preset ci
cmake --build --preset ci -j"$jobs"
stage "the ci tests"
ctest --preset ci -j"$test_jobs"

stage "the package"

deb=$(scripts/package.sh build/ci)
contents=$(dpkg-deb --contents "$deb")
for f in bin/vrel bin/vrel-cli bin/vrel-meter-sim share/applications/org.vrel.Vrel.desktop \
    share/icons/hicolor/48x48/apps/org.vrel.Vrel.png share/icons/hicolor/scalable/apps/org.vrel.Vrel.svg \
    share/metainfo/org.vrel.Vrel.metainfo.xml lib/udev/rules.d/60-vrel-meter.rules \
    share/man/man1/vrel.1.gz share/vrel/help/index.html share/mime/packages/org.vrel.Vrel.xml; do
    grep -q " \./usr/$f\$" <<<"$contents" || { echo "the package lacks /usr/$f" >&2; exit 1; }
done
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg -x "$deb" "$root"
desktop-file-validate "$root"/usr/share/applications/org.vrel.Vrel.desktop
appstreamcli validate --no-net "$root"/usr/share/metainfo/org.vrel.Vrel.metainfo.xml
"$root"/usr/bin/vrel-cli --help >/dev/null
[ "$("$root"/usr/bin/vrel-cli --version)" = "vrel-cli 1.0" ] || { echo "vrel-cli --version" >&2; exit 1; }

# The desktop opens data files with the program: the menu entry takes a file
# and names the type, which the installed MIME file knows by its first line.
entry="$root"/usr/share/applications/org.vrel.Vrel.desktop
grep -qx 'Exec=vrel %f' "$entry" || { echo "the menu entry takes no file (%f)" >&2; exit 1; }
grep -qx 'MimeType=application/x-vrel-data;' "$entry" || { echo "the menu entry names no MIME type" >&2; exit 1; }
grep -q '<match type="string" offset="0" value="Kovra Sound Level Meter SamplingRate"/>' \
    "$root"/usr/share/mime/packages/org.vrel.Vrel.xml || { echo "the MIME type lacks the magic" >&2; exit 1; }
update-mime-database "$root"/usr/share/mime
data="$root"/measurement.txt
printf 'Kovra Sound Level Meter SamplingRate:1.0;\r\n07-12-2026,09:00:00, 55.20, dBA\r\n' >"$data"
printf 'a plain text\n' >"$root"/plain.txt
filetype() { XDG_CURRENT_DESKTOP=GNOME XDG_DATA_DIRS="$root"/usr/share:/usr/share xdg-mime query filetype "$1"; }
[ "$(filetype "$data")" = application/x-vrel-data ] || { echo "xdg-mime does not know the data file" >&2; exit 1; }
[ "$(filetype "$root"/plain.txt)" = text/plain ] || { echo "a plain .txt file became a data file" >&2; exit 1; }
# vrel FILE.txt opens the DATALOGGER window with the file's set (the window's picture)
XDG_CONFIG_HOME="$root"/config timeout 60 "$root"/usr/bin/vrel --screenshot "$root"/opened.png "$data"
[ -s "$root"/opened.png ] || { echo "vrel FILE.txt showed no DATALOGGER window" >&2; exit 1; }

if [ "${VREL_QUICK:-0}" != 1 ]; then
    stage "the sanitizer build"
    cmake --preset asan
    cmake --build --preset asan -j"$jobs"
    stage "the sanitizer tests"
    ctest --preset asan -j"$test_jobs"

    # Only the threaded link and session tests run under ThreadSanitizer: build just them.
    stage "the thread sanitizer"
    cmake --preset tsan
    cmake --build --preset tsan -j"$jobs" --target vrel_link_tests vrel_session_tests
    ctest --preset tsan -j"$jobs" -L threads

    stage "fuzzing"
    VREL_FUZZ_SECONDS=${VREL_FUZZ_SECONDS:-8} scripts/fuzz.sh
fi
stage "done"
