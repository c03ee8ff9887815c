#include "platform/win32/wave_out_audio.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace love::platform::win32 {

std::unique_ptr<AudioOutput> WaveOutAudio::open(std::span<const std::uint8_t> format, AudioDoneCallback done) {
    // A PCM "fmt " body may stop before cbSize (16 bytes); the device wants the full structure.
    constexpr std::size_t kPcmFormatSize = 16;
    if (format.size() < kPcmFormatSize || !done) return nullptr;
    std::vector<std::uint8_t> body(std::max(format.size(), sizeof(WAVEFORMATEX)), 0);
    std::memcpy(body.data(), format.data(), format.size());
    auto* waveFormat = reinterpret_cast<WAVEFORMATEX*>(body.data());
    if (format.size() < sizeof(WAVEFORMATEX) || waveFormat->wFormatTag == WAVE_FORMAT_PCM) waveFormat->cbSize = 0;

    std::unique_ptr<WaveOutAudio> audio(new WaveOutAudio(std::move(done)));
    const MMRESULT result =
        waveOutOpen(&audio->device_, WAVE_MAPPER, waveFormat, reinterpret_cast<DWORD_PTR>(&deviceCallback),
                    reinterpret_cast<DWORD_PTR>(audio.get()), CALLBACK_FUNCTION);
    if (result != MMSYSERR_NOERROR) {
        audio->device_ = nullptr;
        return nullptr;
    }
    return audio;
}

WaveOutAudio::~WaveOutAudio() {
    if (!device_) return;
    waveOutReset(device_);
    for (auto& [buffer, header] : headers_) {
        waveOutUnprepareHeader(device_, header.get(), sizeof(WAVEHDR));
        buffer->prepared = false;
    }
    waveOutClose(device_);
}

// Runs on the audio system's thread. No waveOut function may be called from here.
void CALLBACK WaveOutAudio::deviceCallback(HWAVEOUT, UINT message, DWORD_PTR self, DWORD_PTR header, DWORD_PTR) {
    if (message != WOM_DONE || !self || !header) return;
    auto* audio = reinterpret_cast<WaveOutAudio*>(self);
    auto* buffer = reinterpret_cast<AudioBuffer*>(reinterpret_cast<WAVEHDR*>(header)->dwUser);
    if (buffer) audio->done_(*buffer);
}

WAVEHDR* WaveOutAudio::headerOf(AudioBuffer& buffer) {
    const auto it = headers_.find(&buffer);
    return it == headers_.end() ? nullptr : it->second.get();
}

bool WaveOutAudio::prepare(AudioBuffer& buffer) {
    if (!buffer.data || buffer.length == 0) return false;
    auto& header = headers_[&buffer];
    if (!header) header = std::make_unique<WAVEHDR>();
    if (buffer.prepared) waveOutUnprepareHeader(device_, header.get(), sizeof(WAVEHDR));
    *header = WAVEHDR{};
    header->lpData = reinterpret_cast<LPSTR>(buffer.data);
    header->dwBufferLength = buffer.length;
    header->dwUser = reinterpret_cast<DWORD_PTR>(&buffer);
    buffer.prepared = waveOutPrepareHeader(device_, header.get(), sizeof(WAVEHDR)) == MMSYSERR_NOERROR;
    if (!buffer.prepared) headers_.erase(&buffer);
    return buffer.prepared;
}

bool WaveOutAudio::unprepare(AudioBuffer& buffer) {
    WAVEHDR* header = headerOf(buffer);
    if (!header) return false;
    if (waveOutUnprepareHeader(device_, header, sizeof(WAVEHDR)) != MMSYSERR_NOERROR) return false;  // still playing
    headers_.erase(&buffer);
    buffer.prepared = false;
    return true;
}

bool WaveOutAudio::write(AudioBuffer& buffer) {
    WAVEHDR* header = headerOf(buffer);
    if (!header) return false;
    // The length may have changed since prepare (a shorter last block).
    header->dwBufferLength = buffer.length;
    return waveOutWrite(device_, header, sizeof(WAVEHDR)) == MMSYSERR_NOERROR;
}

void WaveOutAudio::pause() { waveOutPause(device_); }

void WaveOutAudio::reset() { waveOutReset(device_); }

}  // namespace love::platform::win32
