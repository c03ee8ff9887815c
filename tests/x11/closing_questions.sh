#!/usr/bin/env bash
# The closing questions on a real display, driven by key presses sent to the windows: the program is stopped as soon
# as its start window maps, given a close request (Esc), and continued, so that the request is
# handled before the show timer's first tick. Each box is found by its title and answered.
#   closing_questions.sh LOVE_SHOW PROBE
show=$1 probe=$2
source "$(dirname "$0")/x11_test_lib.sh"

start_xvfb
export LOVE_SHOW_TRACE_BOXES=1

T1="傻瓜式问题："
T2="傻瓜式问题"
Q1="老婆感动了吧！  ---最爱倪的老公 留 "
Q2="老婆真好啊！老公好幸福啊！那你打算爱我一辈子吗！"

# answer TITLE KEYS: waits for a box of that title, presses the keys in it and waits until it is gone.
answer() {
    wait_until 10 "$probe" find --class LoveShow --name "$1" || fail "no box titled $1"
    local box
    box=$("$probe" find --class LoveShow --name "$1" | head -n1)
    # Sent to the box itself: the focus moves from box to box while keys are still on their way.
    # shellcheck disable=SC2086  # several keys, pressed one after another
    "$probe" key "$box" $2
    wait_until 10 bash -c "! '$probe' geometry $box | grep -q ' viewable'" || fail "the box $1 stayed after $2; $(cat "$work"/*.err)"
}

# run_dialogue NAME ANSWERS... (pairs of title and key), then the expected trace lines.
run_dialogue() {
    local name=$1
    shift
    "$show" >"$work/$name.out" 2>"$work/$name.err" &
    local program=$!
    pids+=($program)
    "$probe" wait --class LoveShow --unowned --timeout 10000 >/dev/null || fail "$name: the start window never appeared"
    kill -STOP "$program"
    local start_window
    start_window=$("$probe" find --class LoveShow --unowned | head -n1)
    "$probe" key "$start_window" Escape
    sleep 0.3  # let the server pass the key on before the program runs again
    kill -CONT "$program"
    while [ "$1" != -- ]; do
        answer "$1" "$2"
        shift 2
    done
    shift
    wait_for_exit "$program" 20
    [ "$exit_status" = 0 ] || fail "$name: exit code $exit_status; $(cat "$work/$name.err")"
    local expected actual
    expected=$(printf '%s\n' "$@")
    actual=$(grep '^message box' "$work/$name.err" || true)
    [ "$actual" = "$expected" ] || fail "$name: the boxes were
$actual
instead of
$expected"
    echo "$name: PASS"
}

run_dialogue no "$T1" n "$T1" Return -- \
    "message box: title \"$T1\" style 0x2004 text \"$Q1\"" "message box: answered 7" \
    "message box: title \"$T1\" style 0x2000 text \"老婆不爱我，伤心了。。。！\"" "message box: answered 1"

run_dialogue yes-yes "$T1" Return "$T2" y "$T2" space -- \
    "message box: title \"$T1\" style 0x2004 text \"$Q1\"" "message box: answered 6" \
    "message box: title \"$T2\" style 0x2004 text \"$Q2\"" "message box: answered 6" \
    "message box: title \"$T2\" style 0x2000 text \"嗯！那咱俩就一辈子，不离不弃吧！\"" "message box: answered 1"

run_dialogue yes-no "$T1" y "$T2" "Tab Return" "$T1" Return -- \
    "message box: title \"$T1\" style 0x2004 text \"$Q1\"" "message box: answered 6" \
    "message box: title \"$T2\" style 0x2004 text \"$Q2\"" "message box: answered 7" \
    "message box: title \"$T1\" style 0x2000 text \"伤心了。。。！痛苦了！\"" "message box: answered 1"
echo "PASS"
