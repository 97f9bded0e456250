#!/bin/bash
# The figures of publishing to MQTT, against Debian's mosquitto on a local port:
#   fleet N SECONDS [INTERVAL]
#                      the collector's CPU share and resident memory while
#                      bench/mqtt_fleet plays N meters (readings every
#                      INTERVAL seconds, 1 by default), and the rows and
#                      readings archived
#   db N SECONDS [INTERVAL] [COLLECTORS]
#                      the same fleet into a PostgreSQL 15 started here, by one
#                      collector or a group of COLLECTORS sharing the meters:
#                      their CPU share and resident memory, PostgreSQL's CPU
#                      share, and the bytes on disk a reading
#   wire INTERVAL SECONDS
#                      a survey at INTERVAL with its collector: the bytes a
#                      second on the broker per kind of message (topic and
#                      payload, and with MQTT's framing and acknowledgements)
#   window N SECONDS   the desktop program's network window beside the same
#                      fleet: its CPU share and resident memory, and the time
#                      from a probe meter's publish to its row (median, worst)
#   cost MINUTES       a survey at 0.1 s with publishing beside one without
#                      (each against its own paced simulator, at the same time)
#   outage MINUTES     a survey at 0.1 s with 1-minute summaries waiting for
#                      its collector; the broker away for MINUTES after the
#                      first two: the time from its return until the archive
#                      holds all the survey had written by then, and whether
#                      the folders are byte for byte the same at the end
#   scripts/mqtt-figures.sh BUILD_DIR WORK_DIR fleet|db|window|cost|outage ARGS...
set -eu
build=$(cd "$1" && pwd)
work=$2
what=$3
shift 3
rm -rf "$work"
mkdir -p "$work"
cd "$work"
cli=$build/tools/cli/vrel-cli
sim=$build/tools/meter-sim/vrel-meter-sim
hz=$(getconf CLK_TCK)
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
url=mqtt://127.0.0.1:$port
cat >broker.conf <<EOF
listener $port 127.0.0.1
allow_anonymous true
persistence true
persistence_location $work/
user $(id -un)
max_queued_messages 100000
EOF
broker=
start_broker() {
    /usr/sbin/mosquitto -c broker.conf 2>>broker.log &
    broker=$!
    while ! (exec 3<>/dev/tcp/127.0.0.1/$port) 2>/dev/null; do sleep 0.1; done
}
stop_broker() {
    kill "$broker"
    wait "$broker" || true
}
cpu_ticks() { # PID: user + system ticks so far
    cut -d' ' -f14,15 /proc/$1/stat | awk '{print $1 + $2}'
}
rss_kb() {
    awk '/VmRSS/ {print $2}' /proc/$1/status
}
start_sim() { # NAME: a paced simulator on $work/NAME
    mkfifo "$1.in"
    "$sim" --link "$work/$1" --level 62.5 --pattern sine <"$1.in" >"$1.out" 2>"$1.err" &
    eval "exec $2>$1.in"
    while [ ! -e "$work/$1" ]; do sleep 0.2; done
}
rows() { # FILES: data rows of survey CSV files
    cat "$@" 2>/dev/null | grep -vc '^start,' || true
}

start_broker
case $what in
fleet)
    meters=$1
    seconds=$2
    interval=${3:-1}
    "$cli" collect --mqtt "$url" --out-dir archive --name bench 2>collect.err &
    collector=$!
    sleep 2
    "$build/bench/mqtt_fleet" --mqtt "$url" --meters "$meters" --seconds "$seconds" \
        --interval "$interval" >fleet.out &
    fleet=$!
    sleep 20 # the collector's first files are made
    c0=$(cpu_ticks $collector); t0=$(date +%s.%N)
    sleep $((seconds - 30))
    c1=$(cpu_ticks $collector); t1=$(date +%s.%N); rss=$(rss_kb $collector)
    wait $fleet
    sleep 5
    kill -TERM $collector
    wait $collector
    cat fleet.out
    tail -1 collect.err
    echo "summary rows archived: $(rows archive/*/*/summary.csv)"
    echo "data files: $(ls archive/*/*/survey-*.txt | wc -l), readings in them: $(cat archive/*/*/survey-*.txt | grep -c ',')"
    awk -v c0=$c0 -v c1=$c1 -v t0=$t0 -v t1=$t1 -v hz=$hz -v rss=$rss -v n=$meters -v i=$interval 'BEGIN {
        printf "collector with %d meters at %s s: CPU %.2f %% of one core over %.0f s; RSS %d kB\n",
               n, i, 100 * (c1 - c0) / hz / (t1 - t0), t1 - t0, rss }'
    ;;
db)
    meters=$1
    seconds=$2
    interval=${3:-1}
    count=${4:-1}
    pgbin=/usr/lib/postgresql/15/bin
    as_pg=""
    if [ "$(id -u)" -eq 0 ]; then # initdb and postgres refuse root
        chown postgres "$work"
        as_pg="runuser -u postgres --"
    fi
    pgport=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
    echo bench >pw
    chmod 644 pw
    $as_pg $pgbin/initdb --no-sync -A scram-sha-256 -U vrel --pwfile=pw -D "$work/pg" >/dev/null
    $as_pg $pgbin/pg_ctl -w -D "$work/pg" -l "$work/pg.log" \
        -o "-p $pgport -k $work -c listen_addresses=127.0.0.1" start >/dev/null
    db=postgresql://vrel@127.0.0.1:$pgport/postgres
    share=()
    [ "$count" -gt 1 ] && share=(--share bench)
    collectors=()
    for c in $(seq "$count"); do
        "$cli" collect --mqtt "$url" --db "$db" --db-password-file pw --name "bench$c" \
            "${share[@]}" 2>"collect$c.err" &
        collectors+=($!)
    done
    sleep 2
    "$build/bench/mqtt_fleet" --mqtt "$url" --meters "$meters" --seconds "$seconds" \
        --interval "$interval" >fleet.out &
    fleet=$!
    pg_ticks() { # every postgres process of the cluster
        local sum=0
        for p in $(pgrep -f -- "-D $work/pg"; pgrep -P "$(head -1 "$work/pg/postmaster.pid")"); do
            sum=$((sum + $(cpu_ticks "$p" 2>/dev/null || echo 0)))
        done
        echo $sum
    }
    sleep 20
    c0=0; for c in "${collectors[@]}"; do c0=$((c0 + $(cpu_ticks "$c"))); done
    p0=$(pg_ticks); t0=$(date +%s.%N)
    sleep $((seconds - 30))
    c1=0; rss=0
    for c in "${collectors[@]}"; do c1=$((c1 + $(cpu_ticks "$c"))); rss=$((rss + $(rss_kb "$c"))); done
    p1=$(pg_ticks); t1=$(date +%s.%N)
    wait $fleet
    sleep 5
    for c in "${collectors[@]}"; do kill -TERM "$c"; wait "$c" || true; done
    cat fleet.out
    tail -qn1 collect*.err
    PGPASSWORD=bench psql -X -A -t -h 127.0.0.1 -p "$pgport" -U vrel -d postgres -c "VACUUM vrel_reading" \
        -c "SELECT 'readings in the database: ' || count(*) || ', bytes on disk a reading: ' ||
            round(pg_total_relation_size('vrel_reading')::numeric / greatest(count(*), 1), 1)
            FROM vrel_level"
    $as_pg $pgbin/pg_ctl -w -m fast -D "$work/pg" stop >/dev/null
    awk -v c0=$c0 -v c1=$c1 -v p0=$p0 -v p1=$p1 -v t0=$t0 -v t1=$t1 -v hz=$hz -v rss=$rss \
        -v n=$meters -v i=$interval -v k=$count 'BEGIN {
        printf "%d collector(s) with %d meters at %s s into PostgreSQL: CPU %.2f %% of one core, RSS %d kB in all; PostgreSQL CPU %.2f %% over %.0f s\n",
               k, n, i, 100 * (c1 - c0) / hz / (t1 - t0), rss, 100 * (p1 - p0) / hz / (t1 - t0), t1 - t0 }'
    ;;
window)
    meters=$1
    seconds=$2
    "$build/bench/network_window_run" --mqtt "$url" --seconds "$seconds" >window.out 2>window.err &
    window=$!
    sleep 2
    "$build/bench/mqtt_fleet" --mqtt "$url" --meters "$meters" --seconds "$((seconds - 4))" >fleet.out
    wait $window
    cat fleet.out window.out
    ;;
cost)
    minutes=$1
    start_sim plain 7
    start_sim published 8
    "$cli" survey --port "$work/plain" --interval 0.1 --out-dir plain-out --for "${minutes}m" \
        2>plain.err &
    plain=$!
    "$cli" survey --port "$work/published" --interval 0.1 --out-dir published-out \
        --for "${minutes}m" --mqtt "$url" --site bench --meter published 2>published.err &
    published=$!
    sleep 30
    p0=$(cpu_ticks $plain); q0=$(cpu_ticks $published); t0=$(date +%s.%N)
    sleep $((minutes * 60 - 45))
    p1=$(cpu_ticks $plain); q1=$(cpu_ticks $published); t1=$(date +%s.%N)
    rp=$(rss_kb $plain); rq=$(rss_kb $published)
    wait $plain $published
    echo quit >&7; echo quit >&8
    awk -v p0=$p0 -v p1=$p1 -v q0=$q0 -v q1=$q1 -v t0=$t0 -v t1=$t1 -v hz=$hz -v rp=$rp -v rq=$rq 'BEGIN {
        a = 100 * (p1 - p0) / hz / (t1 - t0); b = 100 * (q1 - q0) / hz / (t1 - t0)
        printf "over %.0f s: without publishing %.2f %% of one core (RSS %d kB), with %.2f %% (RSS %d kB): %+.2f points\n",
               t1 - t0, a, rp, b, rq, b - a }'
    echo "samples: without $(cat plain-out/survey-*.txt | grep -c ','), with $(cat published-out/survey-*.txt | grep -c ',')"
    ;;
wire)
    interval=$1
    seconds=$2
    start_sim meter 7
    "$cli" collect --mqtt "$url" --out-dir archive --name bench 2>collect.err &
    collector=$!
    "$cli" survey --port "$work/meter" --interval "$interval" --out-dir out --summary 1m \
        --mqtt "$url" --site bench --meter wire --archived-by bench --no-discovery \
        --for "$((seconds + 15))" 2>survey.err &
    survey=$!
    sleep 10 # the retained messages and the first pieces are past
    mosquitto_sub -h 127.0.0.1 -p "$port" -t 'vrel/v1/#' -F '%t %l' >wire.txt 2>/dev/null &
    sub=$!
    sleep "$seconds"
    kill $sub
    wait $survey
    kill -TERM $collector
    wait $collector
    echo quit >&7
    # Each message: topic and payload, then MQTT's framing: the fixed header
    # (2 bytes, 3 from 128 bytes on), the topic's length (2), and for QoS 1
    # the packet id (2) and the 4-byte acknowledgement.
    awk -v s=$seconds 'function leaf(t) { sub("^vrel/v1/bench/wire/", "", t); sub("^archived/.*", "archived (from the collector)", t); return t }
        { k = leaf($1); len = length($1) + $2
          qos1 = (k != "level"); frame = (len < 128 ? 2 : 3) + 2 + (qos1 ? 6 : 0)
          bytes[k] += len; wire[k] += len + frame; count[k]++ }
        END { for (k in bytes) printf "%-32s %6.2f messages/s %9.1f B/s (topic and payload) %9.1f B/s on the wire\n",
                                       k, count[k] / s, bytes[k] / s, wire[k] / s }' wire.txt | sort
    ;;
outage)
    minutes=$1
    start_sim meter 7
    "$cli" collect --mqtt "$url" --out-dir archive --name bench 2>collect.err &
    collector=$!
    "$cli" survey --port "$work/meter" --interval 0.1 --out-dir out --summary 1m \
        --mqtt "$url" --site bench --meter outage --archived-by bench 2>survey.err &
    survey=$!
    sleep 120
    stop_broker
    echo "broker stopped $(date -Is)" | tee outage.txt
    sleep $((minutes * 60))
    back=$(date +%s.%N)
    start_broker
    # What the survey had written by the broker's return; the archive is
    # complete again once it holds that much of every file.
    (cd out && stat -c '%n %s' summary.csv events.csv survey-*.txt) >written.txt
    echo "broker started $(date -Is); $(awk '{ n += $2 } END { print n }' written.txt) bytes in the folder by then" | tee -a outage.txt
    complete() {
        while read -r name size; do
            [ "$(stat -c %s "archive/bench/outage/$name" 2>/dev/null || echo 0)" -ge "$size" ] || return 1
        done <written.txt
    }
    while ! complete; do sleep 0.1; done
    caught=$(date +%s.%N)
    sleep 20
    kill -TERM $survey
    wait $survey
    sleep 3
    kill -TERM $collector
    wait $collector
    echo quit >&7
    grep -E "is away|is back|wait for" survey.err || true
    tail -1 collect.err
    awk -v b=$back -v c=$caught 'BEGIN { printf "archive complete again %.1f s after the broker started\n", c - b }'
    for f in out/summary.csv out/events.csv out/survey-*.txt; do
        cmp "$f" "archive/bench/outage/${f#out/}" && echo "${f#out/} identical"
    done
    ;;
esac
stop_broker
