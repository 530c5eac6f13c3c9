# Shared by the benchmark scripts: the loopback socket load and the median of timings.
# The sourcing script sets LOADGEN, PROCS, IDLE, LOAD_SECONDS and READY_TIMEOUT_S and
# defines log() first.

WORK=$(mktemp -d) || exit 1
LOAD_PID=""

# Ends the load generator by its pid and waits for it (it ends its own children).
stop_load() {
    if [ -n "$LOAD_PID" ]; then
        kill -TERM "$LOAD_PID" 2>/dev/null
        wait "$LOAD_PID" 2>/dev/null
        LOAD_PID=""
    fi
}
trap 'stop_load; rm -rf "$WORK"' EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# Starts the load for N connections and M UDP sockets, PERCENT of each on ::1 (third argument,
# default 0), and returns once it is ready.
start_load() {
    local n=$1 udp=$2 ipv6=${3:-0} ready=$WORK/ready
    rm -f "$ready"
    "$LOADGEN" --tcp "$n" --udp "$udp" --ipv6 "$ipv6" --procs "$PROCS" --idle "$IDLE" \
        --seconds "$LOAD_SECONDS" --ready-file "$ready" >/dev/null &
    LOAD_PID=$!
    local waited=0
    while [ ! -e "$ready" ]; do
        if ! kill -0 "$LOAD_PID" 2>/dev/null; then
            wait "$LOAD_PID" 2>/dev/null
            LOAD_PID=""
            log "load generator failed for N=$n"
            return 1
        fi
        if [ "$waited" -ge $((READY_TIMEOUT_S * 10)) ]; then
            log "load for N=$n not ready after ${READY_TIMEOUT_S} s"
            stop_load
            return 1
        fi
        sleep 0.1
        waited=$((waited + 1))
    done
    # The load must really be there: both ends of every connection established.
    local established
    established=$(($(ss -Htn state established src 127.0.0.1 dst 127.0.0.1 | wc -l) +
        $(ss -Htn state established src '[::1]' dst '[::1]' | wc -l)))
    if [ "$established" -lt $((2 * n)) ]; then
        log "only $established established loopback sockets, expected at least $((2 * n))"
        stop_load
        return 1
    fi
    log "N=$n: $established established loopback sockets ($ipv6 % on ::1), $udp UDP sockets," \
        "$PROCS workers, $IDLE idle processes"
}

# The median of the numbers on stdin, one a line.
median() {
    sort -g | awk '{ v[NR] = $1 } END {
        if (NR == 0) exit 1
        if (NR % 2) printf "%.1f\n", v[(NR + 1) / 2]
        else printf "%.1f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}
