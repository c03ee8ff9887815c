#!/usr/bin/env bash
# The show's music reaches a real sound server: a PulseAudio daemon with a null sink, recorded
# from the sink's monitor during the show's first seconds, holds the music's first samples.
#   sound_reaches_server.sh LOVE_SHOW SOUND_MATCH PROBE
show=$1 match=$2 probe=$3
source "$(dirname "$0")/x11_test_lib.sh"
need pulseaudio
need pactl
need parec
start_xvfb
export HOME="$work/home" PULSE_RUNTIME_PATH="$work/pulse"
mkdir -p "$HOME" "$PULSE_RUNTIME_PATH"
pulseaudio -D --exit-idle-time=-1 --disallow-exit -n --load="module-null-sink sink_name=cap" \
    --load=module-native-protocol-unix >"$work/pulse.log" 2>&1 || skip "the sound server does not start here"
wait_until 10 pactl info || skip "the sound server does not answer"
pactl set-default-sink cap
# The carried music's format, so the recording needs no conversion.
read -r rate channels < <("$match" --format 2>/dev/null || echo "44100 2")
parec -d cap.monitor --file-format=wav --format=s16le --rate="$rate" --channels="$channels" --latency-msec=20 "$work/recorded.wav" &
recorder=$!
pids+=($recorder)
"$show" >"$work/out" 2>"$work/err" &
program=$!
pids+=($program)
"$probe" wait --class LoveShow --unowned --timeout 10000 >/dev/null || fail "the program did not start"
sleep 4
kill -TERM "$program" 2>/dev/null || fail "the program ended early: $(cat "$work/err")"
wait_for_exit "$program" 10
sleep 0.3
kill -INT "$recorder"
wait "$recorder" 2>/dev/null || true
"$match" "$work/recorded.wav" || fail "the recording does not hold the music; $(cat "$work/err")"
echo "PASS"
