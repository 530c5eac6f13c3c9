#!/usr/bin/env bash
# The window's CPU use while monitoring refreshes it every second and nothing changes.
#
#   bench/cpu.sh BUILD_DIR
#
# Starts hl_loadgen with HL_CPU_CONNECTIONS established TCP connections (default 1000, about
# 2,000 rows with the listeners and UDP sockets), then the window on the offscreen platform
# with monitoring at 1 s, lets it settle for 10 s and measures its CPU time (user + system,
# all threads) over HL_CPU_SECONDS (default 60). Prints one line on stdout:
#
#   rows~=... seconds=... cpu_percent=...   (of one core)
#
# Exits 1 when the set-up fails, 3 when the window used more than 3 % of one core.
set -u -o pipefail

[ $# -eq 1 ] || { echo "usage: $0 BUILD_DIR" >&2; exit 2; }
BUILD_DIR=$(cd "$1" 2>/dev/null && pwd) || { echo "cpu.sh: no build directory $1" >&2; exit 2; }

LOADGEN=$BUILD_DIR/bench/hl_loadgen
N=${HL_CPU_CONNECTIONS:-1000}
SECONDS_MEASURED=${HL_CPU_SECONDS:-60}
SETTLE_S=10
PROCS=20
IDLE=0
LOAD_SECONDS=$((SECONDS_MEASURED + SETTLE_S + 120))
READY_TIMEOUT_S=60
MAX_PERCENT=3

log() { echo "cpu.sh: $*" >&2; }

. "$(dirname "$0")/load.sh"
. "$(dirname "$0")/window.sh"
trap 'stop_window; stop_load; rm -rf "$WORK"' EXIT

for tool in "$LOADGEN" "$WINDOW"; do
    [ -x "$tool" ] || { log "missing $tool"; exit 1; }
done

start_load "$N" $((N / 10)) || exit 1
start_window || exit 1
sleep "$SETTLE_S"
hz=$(getconf CLK_TCK)
before=$(window_cpu_ticks) || exit 1
start_ns=$(date +%s%N)
sleep "$SECONDS_MEASURED"
after=$(window_cpu_ticks) || { log "the window ended"; exit 1; }
end_ns=$(date +%s%N)
rows=$(ss -Htuan -4 | wc -l)
stop_window
stop_load

line=$(awk -v b="$before" -v a="$after" -v hz="$hz" -v ns=$((end_ns - start_ns)) -v rows="$rows" 'BEGIN {
    s = ns / 1e9
    printf "rows~=%d seconds=%.1f cpu_percent=%.2f\n", rows, s, 100 * (a - b) / hz / s }')
echo "$line"
awk -v line="$line" -v max="$MAX_PERCENT" 'BEGIN {
    split(line, f, /[ =]/); exit !(f[6] <= max) }' ||
    { log "over the limit (cpu_percent <= $MAX_PERCENT)"; exit 3; }
