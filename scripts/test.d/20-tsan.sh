#!/usr/bin/env bash
# The music player's tests under ThreadSanitizer: the playback threads, the audio system's
# callback thread and the stop paths must be free of data races and deadlocks.
set -euo pipefail
cd "$(dirname "$0")/../.."
dir=${LOVE_TSAN_BUILD_DIR:-build/linux-tsan}
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 ${TSAN_OPTIONS:-}"
cmake --preset linux-tsan -B "$dir" >/dev/null
cmake --build "$dir" -j "$(nproc)" --target music_player_test media_services_test
ctest --test-dir "$dir" --output-on-failure -j "$(nproc)" \
  -R '^(WaveChunks|MusicPlayerTest|GivingUp|GivingUpTest|InstantDevice|SimulatedAudio|MediaServicesTest|MediaServicesUnbound)\.'
