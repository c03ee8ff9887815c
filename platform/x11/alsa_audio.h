// Sound output over ALSA's default PCM (which reaches PipeWire or PulseAudio through their ALSA
// plugins), in the shape of the waveOut family: buffers are queued in order, a writer thread
// feeds them to the device and reports each one done once it has been written.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>

#include "platform/platform.h"

namespace love::platform::x11 {

struct PcmFormat {
    std::uint32_t channels = 0;
    std::uint32_t rate = 0;
    std::uint32_t bitsPerSample = 0;
};

// The PCM format of a WAVEFORMATEX-shaped "fmt " body; nothing for what ALSA should not be asked
// to play (not PCM, not 8 or 16 bits, no channels, an absurd rate, a short body).
std::optional<PcmFormat> parseWaveFormat(std::span<const std::uint8_t> body);

// True when the default device opens.
bool alsaOutputAvailable();

// Null when the format is unusable or the device does not open.
std::unique_ptr<AudioOutput> openAlsaOutput(std::span<const std::uint8_t> format, AudioDoneCallback done);

}  // namespace love::platform::x11
