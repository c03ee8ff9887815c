// The music player on arbitrary bytes: the RIFF/WAVE chunk walk, then a player start against an
// audio output that is missing or does not open, stopped at once.
#include <chrono>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <span>

#include "fuzz/fuzz_check.h"
#include "windows/music_player.h"

namespace {

using love::windows::AudioAccess;
using love::windows::MusicPlayerList;
using love::windows::WaveChunks;
using namespace std::chrono_literals;

bool hasTag(const std::uint8_t* at, const char* tag) { return std::memcmp(at, tag, 4) == 0; }

// A chunk body found by the walk lies inside the file, right after its 8-byte chunk header.
void checkBody(std::span<const std::uint8_t> wave, std::span<const std::uint8_t> body, const char* tag) {
    FUZZ_CHECK(body.data() >= wave.data() + 20);
    FUZZ_CHECK(body.data() + body.size() <= wave.data() + wave.size());
    FUZZ_CHECK(hasTag(body.data() - 8, tag));
}

}  // namespace

// The first byte picks the kind of output; the rest is the wave file.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const bool deviceListed = (data[0] & 1) != 0;
    const bool loop = (data[0] & 2) != 0;
    // An exact-size heap copy, so that any read past the stored bytes is caught.
    const std::unique_ptr<std::uint8_t[]> copy(new std::uint8_t[size - 1]);
    if (size > 1) std::memcpy(copy.get(), data + 1, size - 1);
    const std::span<const std::uint8_t> wave(copy.get(), size - 1);

    const std::optional<WaveChunks> chunks = love::windows::findWaveChunks(wave);
    if (chunks) {
        FUZZ_CHECK(wave.size() > 35 && hasTag(wave.data(), "RIFF") && hasTag(wave.data() + 8, "WAVE"));
        FUZZ_CHECK(!chunks->samples.empty());
        checkBody(wave, chunks->format, "fmt ");
        checkBody(wave, chunks->samples, "data");
    }

    // A short give-up, so that a player without a device ends quickly even if not told to stop.
    static MusicPlayerList players(5ms);
    AudioAccess audio;
    audio.hasOutput = [deviceListed] { return deviceListed; };
    audio.open = [](std::span<const std::uint8_t>, love::platform::AudioDoneCallback) {
        return std::unique_ptr<love::platform::AudioOutput>();  // the device does not open
    };
    const bool started = players.start(wave, loop, audio);
    FUZZ_CHECK(started == chunks.has_value());
    players.stopAll(true);
    FUZZ_CHECK(players.running() == 0);
    return 0;
}
