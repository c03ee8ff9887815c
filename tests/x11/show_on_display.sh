#!/usr/bin/env bash
# The whole show on a 1920 x 1080 virtual display, bare or under a window manager:
#   show_on_display.sh bare|openbox LOVE_SHOW PROBE OUTPUT_DIR
# About 12 s in, the traced heart and the first text block are on screen, the show window is
# see-through (and click-through) where it is white and solid on a sprite; the program then
# ends by itself with exit code 0. The screenshot stays in OUTPUT_DIR.
mode=$1 show=$2 probe=$3 out=$4
source "$(dirname "$0")/x11_test_lib.sh"
need import
mkdir -p "$out"

start_xvfb
[ "$mode" = openbox ] && start_openbox

started=$(date +%s%N)
"$show" >"$work/stdout" 2>"$work/stderr" &
program=$!
pids+=($program)

"$probe" wait --class LoveShow --unowned --timeout 10000 >/dev/null || fail "the start window never appeared"
start_window=$("$probe" find --class LoveShow --unowned | head -n1)
show_window=""
for window in $("$probe" find --class LoveShow); do
    read -r x y width height state < <("$probe" geometry "$window")
    [ "$width" = 1920 ] && [ "$height" = 1080 ] && show_window=$window
done
[ -n "$show_window" ] || fail "no 1920 x 1080 show window"

# 12 s: the heart was traced by 9.7 s (plus drawing), the first text block began after it.
while [ "$(seconds_since "$started" | cut -d. -f1)" -lt 12 ]; do sleep 0.1; done
shot="$out/show-$mode-12s.png"
import -window root "$shot"
echo "screenshot: $shot"

violet=$("$probe" count 700 240 700 200 9000ff)
drawn=$("$probe" count 0 0 1920 1080 000000 --not)
corner=$("$probe" count 0 0 120 120 000000 --not)
echo "violet pixels near the first block: $violet; pixels drawn over the (black) desktop: $drawn; in the top-left corner: $corner"
[ "$violet" -gt 200 ] || fail "the first text block is not there in violet"
[ "$((drawn - violet))" -gt 20000 ] || fail "the heart's roses are not on screen"
[ "$corner" -eq 0 ] || fail "something shows where the board is white"

read -r sprite_x sprite_y colour < <("$probe" locate 0 0 1920 1080 000000 9000ff) || fail "no rose pixel"
read -r _ _ bounding_white _ < <("$probe" shape "$show_window" 10 10)
read -r _ _ bounding_sprite _ < <("$probe" shape "$show_window" "$sprite_x" "$sprite_y")
[ "$bounding_white" = 0 ] || fail "the show window's shape includes a white pixel"
[ "$bounding_sprite" = 1 ] || fail "the show window's shape leaves out a rose pixel at $sprite_x,$sprite_y ($colour)"
# Input: the server's own hit test, which follows the bounding and input shapes.
show_top=$("$probe" top "$show_window")
[ "$("$probe" hit 10 10)" != "$show_top" ] || fail "a white pixel of the show window takes input"
[ "$("$probe" hit "$sprite_x" "$sprite_y")" = "$show_top" ] || fail "a rose pixel of the show window does not take input"

if [ "$mode" = openbox ]; then
    read -r x y width height state < <("$probe" geometry "$show_window")
    [ "$x $y $width $height" = "0 0 1920 1080" ] || fail "the show window is at $x $y $width $height under the window manager"
    [ "$("$probe" frame "$show_window")" = "0 0" ] || fail "the window manager decorated the show window"
    read -r start_rects _ < <("$probe" shape-rects "$("$probe" top "$start_window")")
    [ "$start_rects" = 0 ] || fail "the start window shows $start_rects rectangles"
fi

# The show lasts 55.78 s of waits plus its drawing.
wait_for_exit "$program" 270
status=$exit_status
[ "$status" != timeout ] || fail "the show did not end by itself"
echo "show ended after $(seconds_since "$started") s with exit code $status (55.78 s of that are waits)"
[ "$status" = 0 ] || fail "exit code $status; stderr: $(cat "$work/stderr")"
echo "PASS"
