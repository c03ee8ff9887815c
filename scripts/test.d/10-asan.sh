#!/usr/bin/env bash
# The whole unit suite, and a whole headless show, under AddressSanitizer + UndefinedBehaviorSanitizer
# (LeakSanitizer included: a leak fails the run).
set -euo pipefail
cd "$(dirname "$0")/../.."
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
cmake --preset linux-asan >/dev/null
cmake --build --preset linux-asan -j "$(nproc)"
ctest --preset linux-asan -j "$(nproc)" -E '^x11\.'
if [ -x build/linux-asan/love-show-trace ]; then
  build/linux-asan/love-show-trace --screen 1366x768 > /dev/null
  echo "headless show under ASan/LSan: clean"
fi
