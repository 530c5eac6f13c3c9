#!/usr/bin/env bash
# Times a refresh of the main window's list against harborlight-report on the same loopback
# socket load, and measures how long the UI thread is held up during the refresh.
#
#   bench/gui_run.sh BUILD_DIR
#
# For each N in HL_BENCH_SIZES (default "10000") it starts hl_loadgen with N established TCP
# connections (2N TCP rows) and N/10 UDP sockets over 20 worker and 300 idle processes, times
# HL_BENCH_RUNS runs of the report (default 7, after one warm-up) and runs gui_bench with as
# many refreshes, then prints one line per N:
#
#   N=10000 rows=... report_ms=... fill_ms=... ratio=... max_stall_ms=... memory_fill_ms=...
#
# ratio = fill_ms / report_ms (medians). Exits 1 when the load cannot be set up or a command
# fails, 3 when a refresh took more than twice the report's time or the UI thread was held up
# for more than 100 ms.
set -u -o pipefail

[ $# -eq 1 ] || { echo "usage: $0 BUILD_DIR" >&2; exit 2; }
BUILD_DIR=$(cd "$1" 2>/dev/null && pwd) || { echo "gui_run.sh: no build directory $1" >&2; exit 2; }

LOADGEN=$BUILD_DIR/bench/hl_loadgen
TIMECMD=$BUILD_DIR/bench/hl_timecmd
REPORT=$BUILD_DIR/tools/harborlight-report
GUI_BENCH=$BUILD_DIR/bench/gui_bench
SIZES=${HL_BENCH_SIZES:-10000}
RUNS=${HL_BENCH_RUNS:-7}
PROCS=20
IDLE=300
LOAD_SECONDS=300
READY_TIMEOUT_S=60
MAX_RATIO=2
MAX_STALL_MS=100

log() { echo "gui_run.sh: $*" >&2; }

for tool in "$LOADGEN" "$TIMECMD" "$REPORT" "$GUI_BENCH"; do
    [ -x "$tool" ] || { log "missing $tool"; exit 1; }
done
case $RUNS in '' | *[!0-9]* | 0) log "HL_BENCH_RUNS must be a positive number"; exit 2 ;; esac

. "$(dirname "$0")/load.sh"

status=0
for n in $SIZES; do
    case $n in '' | *[!0-9]* | 0) log "bad size $n"; exit 2 ;; esac
    start_load "$n" $((n / 10)) || exit 1
    "$TIMECMD" -- "$REPORT" >/dev/null || { log "report failed"; exit 1; }
    : >"$WORK/report.ms"
    for ((i = 0; i < RUNS; i++)); do
        "$TIMECMD" -- "$REPORT" >>"$WORK/report.ms" || { log "report failed"; exit 1; }
    done
    gui=$(QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} "$GUI_BENCH" --runs "$RUNS") ||
        { log "gui_bench failed"; exit 1; }
    stop_load
    report_ms=$(median <"$WORK/report.ms") || exit 1
    log "N=$n report runs: $(sort -g "$WORK/report.ms" | tr '\n' ' ')"
    line=$(awk -v n="$n" -v r="$report_ms" -v g="$gui" 'BEGIN {
        split(g, f, /[ =]/); for (i = 1; i < length(f); i += 2) v[f[i]] = f[i + 1]
        printf "N=%d rows=%d report_ms=%.1f fill_ms=%.1f ratio=%.2f max_stall_ms=%.1f memory_fill_ms=%.1f\n",
            n, v["rows"], r, v["fill_ms"], (r > 0 ? v["fill_ms"] / r : 0), v["max_stall_ms"], v["memory_fill_ms"] }')
    echo "$line"
    awk -v line="$line" -v maxr="$MAX_RATIO" -v maxs="$MAX_STALL_MS" 'BEGIN {
        split(line, f, /[ =]/); for (i = 1; i < length(f); i += 2) v[f[i]] = f[i + 1]
        exit !(v["ratio"] <= maxr && v["max_stall_ms"] <= maxs) }' ||
        { log "N=$n: over the limits (ratio <= $MAX_RATIO, stall <= $MAX_STALL_MS ms)"; status=3; }
done
exit $status
