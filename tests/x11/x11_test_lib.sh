# Shared by the X11 integration tests: a private Xvfb (and, if asked, a window manager or a sound
# server) that goes away with the test, and small waiting helpers. Exit code 77 means "skipped".
set -euo pipefail

work=$(mktemp -d "${TMPDIR:-/tmp}/love-x11-test.XXXXXX")
pids=()

cleanup() {
    local pid
    for pid in "${pids[@]}"; do kill -CONT "$pid" 2>/dev/null || true; kill "$pid" 2>/dev/null || true; done
    for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
    if [ -n "${PULSE_RUNTIME_PATH:-}" ] && command -v pulseaudio >/dev/null; then pulseaudio --kill 2>/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }
skip() { echo "SKIP: $*" >&2; exit 77; }
need() { command -v "$1" >/dev/null || skip "$1 is not installed"; }

# Starts Xvfb on a display number it picks itself (so parallel tests never collide).
start_xvfb() {
    need Xvfb
    Xvfb -displayfd 5 -screen 0 1920x1080x24 -nolisten tcp 5>"$work/display" 2>"$work/xvfb.log" &
    pids+=($!)
    local tries=0
    until [ -s "$work/display" ]; do
        tries=$((tries + 1))
        [ $tries -lt 200 ] || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
        sleep 0.05
    done
    export DISPLAY=":$(head -n1 "$work/display")"
}

start_openbox() {
    need openbox
    need xprop
    HOME="$work" openbox --sm-disable >"$work/openbox.log" 2>&1 &
    pids+=($!)
    local tries=0
    until xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; do
        tries=$((tries + 1))
        [ $tries -lt 200 ] || fail "openbox did not start: $(cat "$work/openbox.log")"
        sleep 0.05
    done
}

# wait_until SECONDS COMMAND...: runs the command every 20 ms until it succeeds.
wait_until() {
    local deadline=$(($(date +%s%N) + $1 * 1000000000))
    shift
    until "$@" >/dev/null 2>&1; do
        [ "$(date +%s%N)" -lt "$deadline" ] || return 1
        sleep 0.02
    done
}

seconds_since() { awk -v start="$1" -v now="$(date +%s%N)" 'BEGIN { printf "%.2f", (now - start) / 1e9 }'; }

# wait_for_exit PID SECONDS: sets exit_status to the program's exit status, or to "timeout"
# (and kills it) when it has not ended in time.
wait_for_exit() {
    # The watchdog takes its sleep down with it, so no stray process holds the test's output open.
    (
        sleep "$2" &
        sleeper=$!
        trap 'kill $sleeper 2>/dev/null; exit 0' TERM
        wait $sleeper
        touch "$work/timed-out.$1"
        kill -KILL "$1" 2>/dev/null
    ) &
    local watchdog=$!
    exit_status=0
    wait "$1" || exit_status=$?
    kill "$watchdog" 2>/dev/null || true
    wait "$watchdog" 2>/dev/null || true
    if [ -e "$work/timed-out.$1" ]; then exit_status=timeout; fi
}
