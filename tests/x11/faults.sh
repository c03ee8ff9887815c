#!/usr/bin/env bash
# Faults a desktop program meets, each a mode of this script:
#   display-lost   the X server goes away mid-show: the program ends soon, non-zero, no thread left
#   sigterm|sigint a termination signal mid-show: the program ends cleanly with 128 + the signal
#   two-instances  two shows at once on one display: both play to their end independently
# Usage: faults.sh MODE LOVE_SHOW PROBE
source "$(dirname "$0")/x11_test_lib.sh"
mode=$1 show=$2 probe=$3

start_xvfb
# No sound server and no sound card here: the music player finds no device and the show stays silent.
# launch N: starts show number N; its pid in launched (not by $( ), which would make it a grandchild).
launch() {
    "$show" >"$work/out.$1" 2>&1 &
    launched=$!
    pids+=("$launched")
}

case $mode in
display-lost)
    launch 1
    pid=$launched
    wait_until 30 "$probe" find --class LoveShow || fail "the show window did not appear"
    sleep 2
    xvfb_pid=${pids[0]}
    start=$(date +%s%N)
    kill -KILL "$xvfb_pid"
    wait_for_exit "$pid" 10
    took=$(seconds_since "$start")
    [ "$exit_status" != timeout ] || fail "still running 10 s after the display went away"
    [ "$exit_status" -ne 0 ] || fail "exit code 0 after losing the display"
    grep -qi "display" "$work/out.1" || fail "no message about the display: $(cat "$work/out.1")"
    # Within a second plus the time a killed server takes to drop its clients.
    awk -v t="$took" 'BEGIN { exit !(t < 2.5) }' || fail "took ${took} s to end"
    echo "display lost: ended after ${took} s with exit code $exit_status: $(head -n1 "$work/out.1")"
    ;;
sigterm | sigint)
    signal=${mode#sig}
    signal=${signal^^}
    launch 1
    pid=$launched
    wait_until 30 "$probe" find --class LoveShow || fail "the show window did not appear"
    sleep 3
    threads_before=$(ls "/proc/$pid/task" | wc -l)
    start=$(date +%s%N)
    kill -"$signal" "$pid"
    wait_for_exit "$pid" 10
    took=$(seconds_since "$start")
    [ "$exit_status" != timeout ] || fail "still running 10 s after SIG$signal"
    expected=$((128 + $(kill -l "$signal")))
    [ "$exit_status" -eq "$expected" ] || fail "exit code $exit_status, expected $expected"
    awk -v t="$took" 'BEGIN { exit !(t < 1.0) }' || fail "took ${took} s to end"
    echo "SIG$signal: ended after ${took} s with exit code $exit_status ($threads_before threads before)"
    ;;
two-instances)
    launch 1
    first=$launched
    launch 2
    second=$launched
    wait_for_exit "$first" 270
    first_status=$exit_status
    wait_for_exit "$second" 270
    second_status=$exit_status
    [ "$first_status" = 0 ] || fail "the first show ended with $first_status: $(cat "$work/out.1")"
    [ "$second_status" = 0 ] || fail "the second show ended with $second_status: $(cat "$work/out.2")"
    echo "two shows at once: both ended with exit code 0"
    ;;
*) fail "unknown mode $mode" ;;
esac
