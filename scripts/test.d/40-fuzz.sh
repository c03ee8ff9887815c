#!/usr/bin/env bash
# The libFuzzer targets (clang, ASan + UBSan): builds the fuzz preset, then runs each target for
# about a minute, two at a time, on a scratch copy of its seed corpus. Any finding fails the run.
set -euo pipefail
cd "$(dirname "$0")/../.."
seconds=${LOVE_FUZZ_SECONDS:-60}
# halt_on_error: a suppressed report passes, any other one ends the target as a finding.
export UBSAN_OPTIONS="suppressions=$PWD/fuzz/ubsan_suppressions.txt:halt_on_error=1:print_stacktrace=1"

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$(nproc)"

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

run_target() {
  local name=$1
  mkdir -p "$scratch/$name/corpus" "$scratch/$name/findings"
  cp fuzz/corpus/"$name"/* "$scratch/$name/corpus/"
  if build/fuzz/fuzz-"$name" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=30 -print_final_stats=1 \
       -artifact_prefix="$scratch/$name/findings/" "$scratch/$name/corpus" >"$scratch/$name/log" 2>&1; then
    printf 'fuzz-%s: %s\n' "$name" "$(grep -E '^#[0-9]+[[:space:]]+DONE' "$scratch/$name/log" | tail -1)"
  else
    printf 'fuzz-%s: FINDING\n' "$name"
    tail -n 60 "$scratch/$name/log"
    for finding in "$scratch/$name/findings"/*; do
      [ -e "$finding" ] && printf 'input (base64): %s\n' "$(base64 -w0 "$finding")"
    done
    return 1
  fi
}

targets=()
for source in fuzz/*_fuzz.cpp; do
  name=$(basename "$source" _fuzz.cpp)
  targets+=("$name")
done

failed=0
for ((i = 0; i < ${#targets[@]}; i += 2)); do
  pids=()
  for name in "${targets[@]:i:2}"; do
    run_target "$name" &
    pids+=($!)
  done
  for pid in "${pids[@]}"; do wait "$pid" || failed=1; done
done
exit "$failed"
