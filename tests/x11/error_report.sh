#!/usr/bin/env bash
# The runtime error report on X11: its box shows the report's text under "错误", and after OK
# the process ends with exit code -1 (255).
#   error_report.sh ERROR_REPORT_PROGRAM PROBE OUTPUT_DIR
program_file=$1 probe=$2 out=$3
source "$(dirname "$0")/x11_test_lib.sh"
mkdir -p "$out"
start_xvfb
LOVE_SHOW_TRACE_BOXES=1 "$program_file" >"$work/out" 2>"$work/err" &
program=$!
pids+=($program)
"$probe" wait --class LoveShow --name "错误" --timeout 10000 >"$work/box" || fail "no box titled 错误; $(cat "$work/err")"
box=$(head -n1 "$work/box")
if command -v import >/dev/null; then import -window root "$out/error-report.png" && echo "screenshot: $out/error-report.png"; fi
# The stop icon: a red disc on the box.
[ "$("$probe" count 0 0 1920 1080 e81123)" -gt 300 ] || fail "no stop icon"
"$probe" key "$box" Return
wait_for_exit "$program" 20
[ "$exit_status" = 255 ] || fail "exit code $exit_status after OK"
expected='message box: title "错误" style 0x10 text "运行时出错!\r\n\r\n错误代码：4\r\n\r\n错误信息：数组成员引用下标必须大于等于1\r\n"'
grep -qxF "$expected" "$work/err" || fail "the report was: $(cat "$work/err")"
grep -qxF "message box: answered 1" "$work/err" || fail "OK was not the answer"
echo "PASS"
