#!/bin/sh
# A long survey against the paced simulator with the cable pulled every few
# minutes: prints samples expected and written, the gaps beside the outages,
# and the survey's CPU share and resident memory at the start and the end.
#   scripts/survey-figures.sh BUILD_DIR WORK_DIR [MINUTES] [OUTAGE_SECONDS] [CYCLE_SECONDS]
# (an outage every CYCLE_SECONDS, 300 by default; SURVEY_OPTIONS adds options
# to the survey, such as "--event-above 65")
set -eu
build=$1
work=$2
minutes=${3:-30}
outage=${4:-5}
interval=0.1
rm -rf "$work"
mkdir -p "$work"
cp "$build/tools/cli/vrel-cli" "$build/tools/meter-sim/vrel-meter-sim" "$work/"
cd "$work"
mkfifo sim.in
./vrel-meter-sim --link "$work/meter" --level 62.5 --pattern sine <sim.in >sim.out 2>sim.err &
sim=$!
exec 7>sim.in
while [ ! -e "$work/meter" ]; do sleep 0.2; done
./vrel-cli survey --port "$work/meter" --interval $interval --out-dir "$work/out" \
    --for "${minutes}m" ${SURVEY_OPTIONS:-} 2>survey.err &
cli=$!
ticks=$(getconf CLK_TCK)
probe() { # label: CPU seconds so far, wall seconds since start, RSS
    set -- "$1" $(cut -d' ' -f14,15 /proc/$cli/stat)
    cpu=$(( $2 + $3 ))
    rss=$(awk '/VmRSS/ {print $2}' /proc/$cli/status)
    echo "$1 t=$(( $(date +%s) - t0 ))s cpu_ticks=$cpu rss_kB=$rss"
}
t0=$(date +%s)
sleep 60
probe start | tee probes.txt
elapsed=60
cycle=${5:-300}
while [ $(( elapsed + cycle )) -lt $(( minutes * 60 )) ]; do
    sleep $(( cycle - (elapsed % cycle) ))
    elapsed=$(( $(date +%s) - t0 ))
    echo "$(date -Is) hangup" >>outages.txt
    echo hangup >&7
    sleep "$outage"
    echo "$(date -Is) replug" >>outages.txt
    echo replug >&7
    elapsed=$(( $(date +%s) - t0 ))
done
while [ $(( $(date +%s) - t0 )) -lt $(( minutes * 60 - 20 )) ]; do sleep 5; done
probe end | tee -a probes.txt
wait $cli || echo "survey status $?"
echo quit >&7
exec 7>&-
wait $sim || true
written=$(cat out/survey-*.txt | grep -c ',')
gapsum=$(awk -F, 'NR > 1 {s += $3} END {print s + 0}' out/events.csv)
echo "samples written: $written"
echo "gaps (s): $(awk -F, 'NR > 1 {printf "%s ", $3}' out/events.csv)"
echo "expected while connected: $(awk -v m=$minutes -v g=$gapsum -v i=$interval 'BEGIN {printf "%d", (m * 60 - g) / i}')"
echo "outages: $(grep -c hangup outages.txt) of ${outage} s"
awk -v hz=$ticks '{split($2,a,"="); split($3,c,"="); split($4,r,"="); t[NR]=a[2]+0; cpu[NR]=c[2]; rss[NR]=r[2]}
    END {printf "CPU share %.2f %% of one core between the probes; RSS %s kB at the start, %s kB at the end\n",
         100 * (cpu[2] - cpu[1]) / hz / (t[2] - t[1]), rss[1], rss[2]}' probes.txt
