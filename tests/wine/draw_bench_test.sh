#!/usr/bin/env bash
# Runs the drawing benchmark under Wine and keeps its table in out/draw_bench.txt.
source "$(dirname "$0")/desktop_test_lib.sh"
bench=$1 out=$2
mkdir -p "$out"
wine_run "$bench" | tee "$out/draw_bench.txt"
grep -q 'ratio board / bare' "$out/draw_bench.txt" || fail "the benchmark printed no table"
