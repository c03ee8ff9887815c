# Helpers for the desktop tests under Wine; sourced. Expects the session of wine_session.sh.
set -euo pipefail

wine_run() { "$WINE_LOADER" "$@"; }

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# Waits up to $2 seconds for an X window whose name matches the regular expression $1 and
# prints its id.
wait_for_window_named() {
    local pattern=$1 seconds=$2 id=""
    local deadline=$((SECONDS + seconds))
    while [ $SECONDS -lt $deadline ]; do
        id=$(xdotool search --name "$pattern" 2>/dev/null | tail -1 || true)
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.05
    done
    return 1
}

# Waits up to $2 seconds until file $1 has at least $3 lines.
wait_for_lines() {
    local file=$1 seconds=$2 lines=$3
    local deadline=$((SECONDS + seconds))
    while [ $SECONDS -lt $deadline ]; do
        [ -f "$file" ] && [ "$(wc -l <"$file")" -ge "$lines" ] && return 0
        sleep 0.05
    done
    return 1
}

# Waits up to $2 seconds for process $1 (a child of this shell) to end and sets exit_code to
# its exit code, or to "timeout" after killing it.
wait_exit_code() {
    local pid=$1 seconds=$2
    local deadline=$((SECONDS + seconds))
    while kill -0 "$pid" 2>/dev/null && [ $SECONDS -lt $deadline ]; do sleep 0.1; done
    if kill -0 "$pid" 2>/dev/null; then
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
        exit_code=timeout
        return 0
    fi
    exit_code=0
    wait "$pid" || exit_code=$?
}

# Whatever a test leaves running in the background (a recorder, a stuck program) ends with it.
trap 'jobs -p | xargs -r kill 2>/dev/null || true' EXIT
