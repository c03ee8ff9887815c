// AudioOutput over the waveOut family: one WAVEHDR per AudioBuffer, completion by callback.
#pragma once

#include <windows.h>
// mmsystem.h needs the types windows.h defines.
#include <mmsystem.h>

#include <memory>
#include <mutex>
#include <span>
#include <unordered_map>

#include "platform/platform.h"

namespace love::platform::win32 {

class WaveOutAudio final : public AudioOutput {
public:
    // The default device (the wave mapper) with a WAVEFORMATEX-shaped "fmt " body; null on failure.
    static std::unique_ptr<AudioOutput> open(std::span<const std::uint8_t> format, AudioDoneCallback done);
    ~WaveOutAudio() override;
    WaveOutAudio(const WaveOutAudio&) = delete;
    WaveOutAudio& operator=(const WaveOutAudio&) = delete;

    bool prepare(AudioBuffer& buffer) override;
    bool unprepare(AudioBuffer& buffer) override;
    bool write(AudioBuffer& buffer) override;
    void pause() override;
    void reset() override;

private:
    explicit WaveOutAudio(AudioDoneCallback done) : done_(std::move(done)) {}
    static void CALLBACK deviceCallback(HWAVEOUT device, UINT message, DWORD_PTR self, DWORD_PTR header, DWORD_PTR);
    WAVEHDR* headerOf(AudioBuffer& buffer);

    HWAVEOUT device_ = nullptr;
    AudioDoneCallback done_;
    // Touched only on the caller's thread; the callback finds its buffer through dwUser.
    std::unordered_map<AudioBuffer*, std::unique_ptr<WAVEHDR>> headers_;
};

}  // namespace love::platform::win32
