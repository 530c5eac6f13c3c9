# Shared by the window benchmarks: the window on the offscreen platform with monitoring at
# 1 s, started with settings of its own, and what /proc tells about it. The sourcing script
# sets BUILD_DIR and WORK (load.sh makes WORK) and defines log() first.

WINDOW=$BUILD_DIR/src/app/harborlight
WINDOW_PID=""

# Ends the window by its pid, the way a logout does, and waits for it.
stop_window() {
    if [ -n "$WINDOW_PID" ]; then
        kill -TERM "$WINDOW_PID" 2>/dev/null
        wait "$WINDOW_PID" 2>/dev/null
        WINDOW_PID=""
    fi
}

# Starts the window with monitoring on at the fastest speed (a refresh every second).
start_window() {
    local config=$WORK/config
    mkdir -p "$config/harborlight" || return 1
    printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Quillfen\\Harborlight\\Settings]\r\n"SpeedSlider"=hex:64,00,00,00\r\n"AutoRefresh"=hex:01,00,00,00\r\n"ShowTCP"=hex:01,00,00,00\r\n"ShowUDP"=hex:01,00,00,00\r\n\r\n' \
        >"$config/harborlight/settings.reg" || return 1
    XDG_CONFIG_HOME=$config XDG_RUNTIME_DIR=$WORK QT_QPA_PLATFORM=offscreen \
        "$WINDOW" >/dev/null 2>"$WORK/window.err" &
    WINDOW_PID=$!
    sleep 1
    kill -0 "$WINDOW_PID" 2>/dev/null || { log "the window did not start"; cat "$WORK/window.err" >&2; WINDOW_PID=""; return 1; }
}

# The window's resident memory in kB, its thread count, and its CPU time in clock ticks.
window_rss_kb() { awk '/^VmRSS:/ { print $2 }' "/proc/$WINDOW_PID/status"; }
window_threads() { awk '/^Threads:/ { print $2 }' "/proc/$WINDOW_PID/status"; }
window_cpu_ticks() { awk '{ sub(/^.*\) /, ""); print $12 + $13 }' "/proc/$WINDOW_PID/stat"; }
