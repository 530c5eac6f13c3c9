#!/usr/bin/env bash
# Times harborlight-report against `ss -tuanp` on the same loopback socket load.
#
#   bench/run.sh BUILD_DIR
#
# For each N in 1000 10000 30000 it starts hl_loadgen with N established TCP connections
# (2N TCP rows plus one listener per worker) and N/10 bound UDP sockets over 20 worker
# processes plus 300 idle ones, waits until the load is ready, then runs the report and ss
# alternately (one warm-up each, then HL_BENCH_RUNS timed runs each, default 7; all output to
# /dev/null). Then it does the same on the same total load with half of the connections and
# half of the UDP sockets on ::1 instead of 127.0.0.1, and prints two lines per N on stdout:
#
#   N=10000 report_ms=... ss_ms=... ratio=...
#   N=10000 ipv6=half report_ms=... ss_ms=... ratio=... ipv4_ratio=... limit=...
#
# (medians of the wall times; ratio = report/ss; limit = the IPv4-only ratio + 10 %).
# Everything else goes to stderr. Exits 1 when the load cannot be set up or a timed command
# fails, 3 when a half-IPv6 ratio is over its limit.
#
# Environment: HL_BENCH_SIZES (default "1000 10000 30000"), HL_BENCH_RUNS (default 7),
# HL_BENCH_REPORT (the command timed against ss; default BUILD_DIR/tools/harborlight-report).
set -u -o pipefail

usage() {
    echo "usage: $0 BUILD_DIR" >&2
    exit 2
}
[ $# -eq 1 ] || usage
BUILD_DIR=$(cd "$1" 2>/dev/null && pwd) || { echo "run.sh: no build directory $1" >&2; exit 2; }

LOADGEN=$BUILD_DIR/bench/hl_loadgen
TIMECMD=$BUILD_DIR/bench/hl_timecmd
REPORT=${HL_BENCH_REPORT:-$BUILD_DIR/tools/harborlight-report}
SIZES=${HL_BENCH_SIZES:-1000 10000 30000}
RUNS=${HL_BENCH_RUNS:-7}
PROCS=20
IDLE=300
LOAD_SECONDS=300      # the load ends itself after this even if this script is killed
READY_TIMEOUT_S=60    # set-up of 30,000 connections takes about a second
RUN_TIMEOUT_MS=60000  # one timed command

log() { echo "run.sh: $*" >&2; }

for tool in "$LOADGEN" "$TIMECMD"; do
    [ -x "$tool" ] || { log "missing $tool (build the default target first)"; exit 1; }
done
[ -x "$REPORT" ] || command -v "$REPORT" >/dev/null || { log "missing $REPORT"; exit 1; }
command -v ss >/dev/null || { log "ss not found (package iproute2)"; exit 1; }
case $RUNS in '' | *[!0-9]* | 0) log "HL_BENCH_RUNS must be a positive number"; exit 2 ;; esac
[ "$(id -u)" -eq 0 ] || log "not root: both tools see only this user's processes"

. "$(dirname "$0")/load.sh"

# Times one run of a command; prints its wall time in ms, fails when the command fails.
time_once() {
    local ms
    if ! ms=$("$TIMECMD" --timeout-ms "$RUN_TIMEOUT_MS" -- "$@"); then
        log "timed command failed: $*"
        "$TIMECMD" --keep-stderr --timeout-ms "$RUN_TIMEOUT_MS" -- "$@" 2>&1 >/dev/null |
            head -n 5 >&2
        return 1
    fi
    echo "$ms"
}

# Measures one load of N connections with PERCENT of them on ::1 and sets RATIO and LINE.
bench_one() {
    local n=$1 ipv6=$2 udp=$(($1 / 10))
    start_load "$n" "$udp" "$ipv6" || return 1
    local report_times=$WORK/report.ms ss_times=$WORK/ss.ms i ms
    : >"$report_times"
    : >"$ss_times"
    time_once "$REPORT" >/dev/null || return 1 # warm-up, not counted
    time_once ss -tuanp >/dev/null || return 1
    for ((i = 0; i < RUNS; i++)); do
        ms=$(time_once "$REPORT") || return 1
        echo "$ms" >>"$report_times"
        ms=$(time_once ss -tuanp) || return 1
        echo "$ms" >>"$ss_times"
    done
    if ! kill -0 "$LOAD_PID" 2>/dev/null; then
        log "load generator ended during the measurement for N=$n"
        return 1
    fi
    stop_load
    local report_ms ss_ms
    report_ms=$(median <"$report_times") || return 1
    ss_ms=$(median <"$ss_times") || return 1
    log "N=$n ipv6=$ipv6% report runs: $(sort -g "$report_times" | tr '\n' ' ')"
    log "N=$n ipv6=$ipv6% ss runs:     $(sort -g "$ss_times" | tr '\n' ' ')"
    RATIO=$(awk -v r="$report_ms" -v s="$ss_ms" 'BEGIN { printf "%.4f\n", (s > 0 ? r / s : 0) }')
    LINE=$(awk -v r="$report_ms" -v s="$ss_ms" -v q="$RATIO" \
        'BEGIN { printf "report_ms=%.1f ss_ms=%.1f ratio=%.2f\n", r, s, q }')
}

status=0
for n in $SIZES; do
    case $n in '' | *[!0-9]* | 0) log "bad size $n in HL_BENCH_SIZES"; exit 2 ;; esac
    bench_one "$n" 0 || exit 1
    echo "N=$n $LINE"
    ipv4_ratio=$RATIO
    bench_one "$n" 50 || exit 1
    limit=$(awk -v q="$ipv4_ratio" 'BEGIN { printf "%.4f\n", q * 1.10 }')
    awk -v n="$n" -v line="$LINE" -v q="$ipv4_ratio" -v l="$limit" \
        'BEGIN { printf "N=%d ipv6=half %s ipv4_ratio=%.2f limit=%.2f\n", n, line, q, l }'
    if ! awk -v q="$RATIO" -v l="$limit" 'BEGIN { exit !(q <= l) }'; then
        log "N=$n: the half-IPv6 ratio $RATIO is over the IPv4-only ratio + 10 % ($limit)"
        status=3
    fi
done
exit $status
