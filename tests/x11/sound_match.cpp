// sound_match RECORDING.wav (or --format: the music's rate and channels): does the recording (16-bit PCM, the music's
// rate and channels) hold the show music's first samples, at some lag? Prints the best normalised correlation and lag;
// exit code 0 when it is above 0.9.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <span>
#include <vector>

#include "windows/media.h"

namespace {

struct Pcm {
    std::uint32_t channels = 0, rate = 0;
    std::vector<double> mono;  // channels averaged
};

std::uint32_t read32(const std::uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

std::optional<Pcm> parse(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0 || std::memcmp(bytes.data() + 8, "WAVE", 4) != 0)
        return {};
    Pcm pcm;
    std::span<const std::uint8_t> data;
    for (std::size_t at = 12; at + 8 <= bytes.size();) {
        const std::uint32_t length = read32(bytes.data() + at + 4);
        const std::size_t body = at + 8, available = std::min<std::size_t>(length, bytes.size() - body);
        if (std::memcmp(bytes.data() + at, "fmt ", 4) == 0 && available >= 16) {
            pcm.channels = bytes[body + 2] | (bytes[body + 3] << 8);
            pcm.rate = read32(bytes.data() + body + 4);
        } else if (std::memcmp(bytes.data() + at, "data", 4) == 0) {
            // A recording stopped by a signal leaves the length unset: take what is there.
            data = bytes.subspan(body, length == 0 || length > bytes.size() - body ? bytes.size() - body : length);
        }
        at = body + length + (length & 1);
        if (length == 0 && !data.empty()) break;
    }
    if (pcm.channels == 0 || data.empty()) return {};
    const std::size_t frames = data.size() / (2 * pcm.channels);
    pcm.mono.resize(frames);
    for (std::size_t f = 0; f < frames; ++f) {
        double sum = 0;
        for (std::uint32_t c = 0; c < pcm.channels; ++c) {
            sum += static_cast<std::int16_t>(data[(f * pcm.channels + c) * 2] |
                                             (data[(f * pcm.channels + c) * 2 + 1] << 8));
        }
        pcm.mono[f] = sum / pcm.channels;
    }
    return pcm;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    if (std::strcmp(argv[1], "--format") == 0) {  // the music's rate and channels, for the recorder
        const auto music = parse(love::windows::showMusicWav());
        if (!music) return 2;
        std::printf("%u %u\n", music->rate, music->channels);
        return 0;
    }
    std::ifstream file(argv[1], std::ios::binary);
    const std::vector<std::uint8_t> recordedBytes((std::istreambuf_iterator<char>(file)),
                                                  std::istreambuf_iterator<char>());
    const auto recorded = parse(recordedBytes);
    const auto music = parse(love::windows::showMusicWav());
    if (!recorded || !music) {
        std::fprintf(stderr, "sound_match: unreadable recording or music\n");
        return 2;
    }
    // Where the recording starts to sound.
    std::size_t first = 0;
    while (first < recorded->mono.size() && std::abs(recorded->mono[first]) < 64) ++first;
    const std::size_t window = music->rate / 4;  // 250 ms of the recording
    if (first + window > recorded->mono.size()) {
        std::printf("silent: %zu sounding frames\n", recorded->mono.size() - std::min(first, recorded->mono.size()));
        return 1;
    }
    const std::span<const double> probe(recorded->mono.data() + first, window);
    double probeEnergy = 0;
    for (double v : probe) probeEnergy += v * v;
    // Against the first two seconds of the music, at every lag.
    double best = 0;
    std::size_t bestLag = 0;
    const std::size_t lags = std::min<std::size_t>(music->rate * 2, music->mono.size() - window);
    for (std::size_t lag = 0; lag < lags; ++lag) {
        double dot = 0, energy = 0;
        for (std::size_t i = 0; i < window; ++i) {
            dot += probe[i] * music->mono[lag + i];
            energy += music->mono[lag + i] * music->mono[lag + i];
        }
        const double correlation = energy > 0 ? dot / std::sqrt(energy * probeEnergy) : 0;
        if (correlation > best) {
            best = correlation;
            bestLag = lag;
        }
    }
    std::printf("correlation %.3f at %.1f ms into the music (the recording sounds from frame %zu)\n", best,
                1000.0 * static_cast<double>(bestLag) / music->rate, first);
    return best > 0.9 ? 0 : 1;
}
