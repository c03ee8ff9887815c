#!/usr/bin/env bash
# The closing questions: Esc on the start window before the show's first tick destroys it, and
# the message boxes ask and answer as the viewer replies. Each path is one run of the program;
# every box is found by its title and answered with a key, as a viewer would.
#
# Beating the 200 ms timer deterministically: the probe posts Esc to the start window the
# moment it becomes the foreground window (the end of start-up). Posted input is always taken
# from the queue before a timer tick, so the close request is handled before the show can begin.
source "$(dirname "$0")/desktop_test_lib.sh"
exe=$1 desktop_probe=$2 out=$3
mkdir -p "$out"

T1='傻瓜式问题：'
T2='傻瓜式问题'
Q1='老婆感动了吧！  ---最爱倪的老公 留 '
Q2='老婆真好啊！老公好幸福啊！那你打算爱我一辈子吗！'
NO1='老婆不爱我，伤心了。。。！'
NO2='伤心了。。。！痛苦了！'
YES2='嗯！那咱俩就一辈子，不离不弃吧！'

# run_path <name> <key for each box...>; then the expected "title|text" lines on stdin.
run_path() {
    local name=$1
    shift
    local keys=("$@")
    local boxes=$out/closing_$name.txt
    local expected
    expected=$(cat)
    rm -f "$boxes"
    wine_run "$desktop_probe" boxes "${#keys[@]}" 30000 >"$boxes" &
    local watcher=$!
    wine_run "$desktop_probe" escape-start-window 30000 >"$out/closing_${name}_escape.txt" &
    local escaper=$!
    wine_run "$exe" &
    local program=$!
    wait "$escaper" || fail "$name: $(cat "$out/closing_${name}_escape.txt")"

    local i
    for i in "${!keys[@]}"; do
        wait_for_lines "$boxes" 20 $((i + 1)) || fail "$name: box $((i + 1)) never appeared (show started?)"
        local title
        title=$(sed -n "$((i + 1))p" "$boxes" | cut -d'|' -f1)
        local box
        box=$(wait_for_window_named "^${title}\$" 10) || fail "$name: no X window titled $title"
        sleep 0.3
        [ "$i" = 0 ] && import -window root "$out/closing_${name}_first_box.png" 2>/dev/null || true
        xdotool key --window "$box" "${keys[$i]}"
    done
    local code
    wait_exit_code "$program" 30; code=$exit_code
    wait "$watcher" || true
    [ "$(cat "$boxes")" = "$expected" ] || fail "$name: boxes were:
$(cat "$boxes")
expected:
$expected"
    [ "$code" = 0 ] || fail "$name: exit code $code, expected 0"
    echo "closing questions, $name: ${#keys[@]} boxes as expected, exit code 0"
}

run_path yes_yes Return Return Return <<EOF2
$T1|$Q1
$T2|$Q2
$T2|$YES2
EOF2

run_path yes_no Return n Return <<EOF2
$T1|$Q1
$T2|$Q2
$T1|$NO2
EOF2

run_path no n Return <<EOF2
$T1|$Q1
$T1|$NO1
EOF2
