#!/usr/bin/env bash
# CPU share and wake-ups of the programs that sit on the meter's line, each
# against its own paced simulator (vrel-meter-sim), for one or more builds side
# by side in the same run (e.g. a baseline and the current tree):
#
#   bench/measure-idle.sh [-s SECONDS] [-c CASES] BUILD_DIR...
#
# CASES (comma separated, default all): gui-idle (vrel --port, live only),
# gui-record (the same with a recording at 0.1 s, started by the preloaded
# record_probe module of the LAST build dir), cli-monitor, cli-record
# (vrel-cli record --interval 0.1). Every build of a case runs at the same time
# over the same window of SECONDS (default 60) after a settling time. CPU is
# user+system time of all threads from /proc/PID/stat over the window, as a
# share of one core; wake-ups are voluntary context switches summed over
# /proc/PID/task/*/status. The simulator of the LAST build dir is used for all.
set -euo pipefail
seconds=60
cases=gui-idle,gui-record,cli-monitor,cli-record
while getopts "s:c:" opt; do
    case $opt in
    s) seconds=$OPTARG ;;
    c) cases=$OPTARG ;;
    *) exit 2 ;;
    esac
done
shift $((OPTIND - 1))
[ $# -ge 1 ] || { echo "usage: $0 [-s SECONDS] [-c CASES] BUILD_DIR..." >&2; exit 2; }
builds=()
for b in "$@"; do builds+=("$(cd "$b" && pwd)"); done
last=${builds[-1]}
sim=$last/tools/meter-sim/vrel-meter-sim
probe=$last/bench/librecord_probe.so
settle=5
hz=$(getconf CLK_TCK)
work=$(mktemp -d)
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
wakes() { cat /proc/"$1"/task/*/status 2>/dev/null | awk '/^voluntary_ctxt_switches/ {s += $2} END {print s + 0}'; }
# The main (UI) thread alone: its task id is the process id.
mainwakes() { awk '/^voluntary_ctxt_switches/ {print $2}' "/proc/$1/task/$1/status" 2>/dev/null || echo 0; }

# start_case CASE INDEX BUILD: starts a simulator and the program, sets PROG and SIM
start_case() {
    local kase=$1 i=$2 build=$3 dir=$work/$1-$2
    mkdir -p "$dir/home"
    "$sim" --link "$dir/meter" </dev/null >"$dir/sim.out" 2>&1 &
    SIM=$!
    pids+=("$SIM")
    for _ in $(seq 50); do [ -e "$dir/meter" ] && break; sleep 0.1; done
    local -a env=(env HOME="$dir/home" XDG_CONFIG_HOME="$dir/home" QT_QPA_PLATFORM=offscreen)
    case $kase in
    gui-idle) "${env[@]}" "$build/vrel" --port "$dir/meter" >"$dir/prog.out" 2>&1 & ;;
    gui-record) "${env[@]}" LD_PRELOAD="$probe" "$build/vrel" --port "$dir/meter" >"$dir/prog.out" 2>&1 & ;;
    cli-monitor) "${env[@]}" "$build/tools/cli/vrel-cli" monitor --port "$dir/meter" >/dev/null 2>"$dir/prog.out" & ;;
    cli-record) "${env[@]}" "$build/tools/cli/vrel-cli" record --port "$dir/meter" --interval 0.1 \
        --count 40000 --out "$dir/rec.txt" >/dev/null 2>"$dir/prog.out" & ;;
    esac
    PROG=$!
    pids+=("$PROG")
}

printf "%-12s %-34s %9s %9s %9s %9s %9s\n" case build "cpu%" "wakeup/s" "main wk/s" "sim cpu%" "sim wk/s"
IFS=, read -ra caselist <<<"$cases"
for kase in "${caselist[@]}"; do
    progs=() sims=()
    for i in "${!builds[@]}"; do
        start_case "$kase" "$i" "${builds[$i]}"
        progs+=("$PROG") sims+=("$SIM")
    done
    sleep "$settle"
    declare -A t0 w0 m0
    for p in "${progs[@]}" "${sims[@]}"; do t0[$p]=$(ticks "$p"); w0[$p]=$(wakes "$p"); m0[$p]=$(mainwakes "$p"); done
    sleep "$seconds"
    for i in "${!builds[@]}"; do
        p=${progs[$i]} s=${sims[$i]}
        if ! kill -0 "$p" 2>/dev/null; then
            echo "$kase ${builds[$i]}: the program ended early:" >&2
            cat "$work/$kase-$i/prog.out" >&2
            continue
        fi
        read -r pc pw pm sc sw < <(echo "$(ticks "$p") ${t0[$p]} $(wakes "$p") ${w0[$p]} \
            $(mainwakes "$p") ${m0[$p]} $(ticks "$s") ${t0[$s]} $(wakes "$s") ${w0[$s]}" |
            awk -v hz="$hz" -v t="$seconds" '{printf "%.2f %.1f %.1f %.2f %.1f\n", ($1-$2)*100/hz/t, ($3-$4)/t, ($5-$6)/t, ($7-$8)*100/hz/t, ($9-$10)/t}')
        printf "%-12s %-34s %9s %9s %9s %9s %9s\n" "$kase" "$(basename "$(dirname "$(dirname "${builds[$i]}")")")/${builds[$i]##*/}" "$pc" "$pw" "$pm" "$sc" "$sw"
        if [ "$kase" = gui-record ] && ! grep -q "recording at" "$work/$kase-$i/prog.out"; then
            echo "  (the recording did not start)" >&2
        fi
    done
    for p in "${progs[@]}" "${sims[@]}"; do kill "$p" 2>/dev/null || true; done
    wait "${progs[@]}" "${sims[@]}" 2>/dev/null || true
    unset t0 w0 m0
done
