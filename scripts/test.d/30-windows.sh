#!/usr/bin/env bash
# The Windows build: love-show.exe cross-built with mingw-w64, then under Wine on a virtual
# display with a sound server: the unit tests built for Windows, the backend tests, the whole
# show, the closing questions, the error report, the imports check and the drawing benchmark.
# LOVE_WINDOWS_BUILD picks another build folder (default: the windows preset's).
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
build=${LOVE_WINDOWS_BUILD:-build/windows}

cmake --preset windows -B "$build" >/dev/null
cmake --build "$build" -j "$(nproc)"
exe=$(find "$build" -name love-show.exe -not -path '*/CMakeFiles/*' | head -1)
ls -l "$exe"

# The X probe the show test asks about the window's shape: a build-machine program.
mkdir -p "$build/host"
if [ ! "$build/host/love-x11-probe" -nt platform/x11/x11_probe.cpp ]; then
    g++ -std=c++20 -O2 -o "$build/host/love-x11-probe" platform/x11/x11_probe.cpp -lX11 -lXext
fi
export LOVE_X11_PROBE=$root/$build/host/love-x11-probe

source tests/wine/wine_session.sh
# A fresh prefix for every run, made once and shared by all the tests of the run.
rm -rf "$build/wine-session"
trap wine_session_end EXIT
wine_session_begin "$build/wine-session"

# One program at a time: the desktop tests share the display and the sound sink.
ctest --test-dir "$build" -j 1 --output-on-failure --timeout 300
cat "$build/tests/wine/out/draw_bench.txt" "$build/tests/wine/out/whole_show.txt" 2>/dev/null || true
