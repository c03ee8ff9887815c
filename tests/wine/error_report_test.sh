#!/usr/bin/env bash
# The runtime error report of a program that reads array entry 0: one stop box titled "错误"
# with the report's exact text; after OK the process ends with exit code -1 (255 to the shell).
source "$(dirname "$0")/desktop_test_lib.sh"
probe_exe=$1 desktop_probe=$2 out=$3
mkdir -p "$out"
boxes=$out/error_report_boxes.txt
rm -f "$boxes"

wine_run "$desktop_probe" boxes 1 20000 >"$boxes" &
watcher=$!
wine_run "$probe_exe" &
program=$!

wait_for_lines "$boxes" 20 1 || fail "no message box appeared"
box=$(wait_for_window_named '^错误$' 10) || fail "no X window titled 错误"
sleep 0.3
import -window root "$out/error_report.png" 2>/dev/null || true
xdotool key --window "$box" Return
wait_exit_code "$program" 20; code=$exit_code
wait "$watcher" || true

expected=$(printf '错误|运行时出错!\r\n\r\n错误代码：4\r\n\r\n错误信息：数组成员引用下标必须大于等于1\r\n')
[ "$(cat "$boxes")" = "$expected" ] || fail "box text: $(od -c "$boxes" | head -20)"
[ "$code" = 255 ] || fail "exit code $code, expected 255 (-1)"
echo "error report: text as expected, exit code 255"
