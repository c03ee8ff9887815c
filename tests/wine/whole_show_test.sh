#!/usr/bin/env bash
# The whole show under Wine, once: it must play to its end by itself and exit 0. On the way,
# 12 s in: a screenshot with roses and violet text, and the show window's X shape, which must
# leave out a white area (the colour key) and take in a rose. The sound is recorded from the
# null sink throughout and must be the music: not silent, and matching the recording's first
# samples at some lag. Figures go to stdout and to out/whole_show.txt.
source "$(dirname "$0")/desktop_test_lib.sh"
exe=$1 out=$2 music=$3
probe=${LOVE_X11_PROBE:-}
mkdir -p "$out"
report=$out/whole_show.txt
: >"$report"
note() { echo "$*" | tee -a "$report"; }

sound=$out/show_sound.wav
rm -f "$sound"
parec -d cap.monitor --file-format=wav --latency-msec=20 "$sound" &
recorder=$!

start=$(date +%s.%N)
wine_run "$exe" &
program=$!

# The show window: a mapped window of the program the size of the screen.
show_window=""
for _ in $(seq 200); do
    for id in $(xdotool search --class 'love-show' 2>/dev/null || true); do
        geometry=$(xdotool getwindowgeometry "$id" 2>/dev/null | sed -n 's/.*Geometry: //p')
        [ "$geometry" = 1920x1080 ] && show_window=$id
    done
    [ -n "$show_window" ] && break
    sleep 0.05
done
[ -n "$show_window" ] || fail "no full-screen window appeared"
shown=$(date +%s.%N)
note "show window mapped $(echo "$shown - $start" | bc) s after start"

sleep 12
import -window root "$out/show_12s.png"
convert "$out/show_12s.png" "$out/show_12s.ppm"

# Screen pixels: violet text (0x9000FF exactly), some rose pixel, and whether white remains
# anywhere (a white pixel on screen would mean the colour key failed somewhere).
read -r violet rose_x rose_y white < <(python3 - "$out/show_12s.ppm" <<'PY'
import sys
data = open(sys.argv[1], 'rb').read()
parts = data.split(maxsplit=4)
width, height = int(parts[1]), int(parts[2])
pixels = parts[4]
violet = white = 0
rose = None
for i in range(0, width * height * 3, 3):
    r, g, b = pixels[i], pixels[i + 1], pixels[i + 2]
    if r == 0x90 and g == 0 and b == 0xFF:
        violet += 1
    elif r == g == b == 255:
        white += 1
    elif rose is None and r > 150 and g < 90 and b < 120:
        rose = ((i // 3) % width, (i // 3) // width)
rose = rose or (-1, -1)
print(violet, rose[0], rose[1], white)
PY
)
note "12 s in: $violet violet text pixels, first rose pixel at ($rose_x, $rose_y), $white pure white pixels on screen"
[ "$violet" -gt 500 ] || fail "no violet text on screen 12 s in"
[ "$rose_x" -ge 0 ] || fail "no rose on screen 12 s in"

if [ -n "$probe" ] && [ -x "$probe" ]; then
    # (2, 2) lies in untouched white board; the rose pixel must be inside the shape. X takes
    # input only where both the bounding and the input shape include a point, so a point the
    # bounding shape leaves out also lets the mouse through.
    read -r _ _ white_bounding white_input < <("$probe" shape "$show_window" 2 2)
    read -r _ _ rose_bounding rose_input < <("$probe" shape "$show_window" "$rose_x" "$rose_y")
    note "X shape: white corner bounding=$white_bounding input=$white_input, rose bounding=$rose_bounding input=$rose_input"
    [ "$white_bounding" = 0 ] || fail "the white corner is part of the window's bounding shape"
    [ "$rose_bounding$rose_input" = 11 ] || fail "the rose is not part of the window's shape"
else
    extents=$(xwininfo -shape -id "$show_window" | sed -n '/Bounding shape extents/,+0p')
    note "X shape (extents only, no probe): $extents"
    echo "$extents" | grep -q '1920x1080' && fail "the bounding shape covers the whole screen"
fi

wait_exit_code "$program" 150; code=$exit_code
finished=$(date +%s.%N)
kill -INT "$recorder" 2>/dev/null || true
wait "$recorder" 2>/dev/null || true
[ "$code" = 0 ] || fail "exit code $code, expected 0"
total=$(echo "$finished - $shown" | bc)
note "show: exit code 0, $(printf '%.1f' "$total") s from the window's appearance to the process end"
note "drawing time: about $(printf '%.1f' "$(echo "$total - 55.78" | bc)") s beyond the show's 55.78 s of waits"

# Sound: loud enough, and the music's opening found in the recording (both at 4 kHz mono).
sox "$sound" -r 4000 -c 1 -b 16 "$out/show_sound_4k.wav" trim 0 4
sox "$music" -r 4000 -c 1 -b 16 "$out/music_4k.wav" trim 0 1.5
python3 - "$out/show_sound_4k.wav" "$out/music_4k.wav" <<'PY' | tee -a "$report"
import array, sys, wave

def samples(path):
    w = wave.open(path, 'rb')
    return array.array('h', w.readframes(w.getnframes())).tolist(), w.getframerate()

recording, rate = samples(sys.argv[1])
music, _ = samples(sys.argv[2])
rms = (sum(s * s for s in recording) / max(len(recording), 1)) ** 0.5
print(f"sound: {len(recording) / rate:.1f} s analysed, RMS {rms:.0f} of 32768")
if rms < 100:
    sys.exit("FAIL: the recording is silent")
# A quarter second from the music's first sound on, looked for at every lag in the recording.
first = next(i for i, s in enumerate(music) if abs(s) > 200)
template = music[first:first + rate // 4]
energy = sum(t * t for t in template) ** 0.5
best, best_lag = 0.0, 0
for lag in range(0, len(recording) - len(template)):
    window = recording[lag:lag + len(template)]
    norm = sum(a * a for a in window) ** 0.5 * energy
    if norm:
        c = sum(a * b for a, b in zip(window, template)) / norm
        if c > best:
            best, best_lag = c, lag
print(f"sound: the music's opening matches the recording at lag {(best_lag - first) / rate * 1000:.0f} ms "
      f"with correlation {best:.2f}")
if best < 0.6:
    sys.exit("FAIL: the recording does not match the music's opening")
PY
