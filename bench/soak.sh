#!/usr/bin/env bash
# Soak: the window refreshing every second for a long time on a large socket load.
#
#   bench/soak.sh BUILD_DIR
#
# Starts hl_loadgen with HL_SOAK_CONNECTIONS established TCP connections (default 30000,
# about 63,000 rows), then the window on the offscreen platform with monitoring at 1 s, and
# samples its resident memory and thread count every 10 s for HL_SOAK_MINUTES (default 10).
# Prints every sample on stderr and one line on stdout:
#
#   minutes=10 rss_1min_kb=... rss_end_kb=... rss_change_percent=... max_threads=...
#
# Passes when the memory at the end is within 5 % of the memory after one minute and the
# thread count never went above 4. Exits 1 when the set-up fails or the window ends on its
# own, 3 when a limit is missed. Everything it starts ends by itself.
set -u -o pipefail

[ $# -eq 1 ] || { echo "usage: $0 BUILD_DIR" >&2; exit 2; }
BUILD_DIR=$(cd "$1" 2>/dev/null && pwd) || { echo "soak.sh: no build directory $1" >&2; exit 2; }

LOADGEN=$BUILD_DIR/bench/hl_loadgen
N=${HL_SOAK_CONNECTIONS:-30000}
MINUTES=${HL_SOAK_MINUTES:-10}
SAMPLE_S=10
PROCS=20
IDLE=300
LOAD_SECONDS=$((MINUTES * 60 + 120))
READY_TIMEOUT_S=60
MAX_CHANGE_PERCENT=5
MAX_THREADS=4

log() { echo "soak.sh: $*" >&2; }

case $MINUTES in '' | *[!0-9]* | 0) log "HL_SOAK_MINUTES must be a positive number"; exit 2 ;; esac

. "$(dirname "$0")/load.sh"
. "$(dirname "$0")/window.sh"
trap 'stop_window; stop_load; rm -rf "$WORK"' EXIT

for tool in "$LOADGEN" "$WINDOW"; do
    [ -x "$tool" ] || { log "missing $tool"; exit 1; }
done

start_load "$N" $((N / 10)) || exit 1
start_window || exit 1

samples=$((MINUTES * 60 / SAMPLE_S))
rss_1min=""
rss=""
max_threads=0
for ((i = 1; i <= samples; i++)); do
    sleep "$SAMPLE_S"
    rss=$(window_rss_kb) && threads=$(window_threads) || { log "the window ended"; exit 1; }
    [ "$threads" -gt "$max_threads" ] && max_threads=$threads
    [ $((i * SAMPLE_S)) -eq 60 ] && rss_1min=$rss
    log "t=$((i * SAMPLE_S))s rss_kb=$rss threads=$threads"
done
stop_window
stop_load
[ -n "$rss_1min" ] || rss_1min=$rss

line=$(awk -v m="$MINUTES" -v a="$rss_1min" -v b="$rss" -v t="$max_threads" 'BEGIN {
    printf "minutes=%d rss_1min_kb=%d rss_end_kb=%d rss_change_percent=%.2f max_threads=%d\n",
        m, a, b, 100 * (b - a) / a, t }')
echo "$line"
awk -v line="$line" -v maxc="$MAX_CHANGE_PERCENT" -v maxt="$MAX_THREADS" 'BEGIN {
    split(line, f, /[ =]/); c = f[8] < 0 ? -f[8] : f[8]
    exit !(c <= maxc && f[10] <= maxt) }' ||
    { log "over the limits (rss change <= $MAX_CHANGE_PERCENT %, threads <= $MAX_THREADS)"; exit 3; }
