#include "platform/x11/alsa_audio.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace love::platform::x11 {

namespace {

// ALSA prints its own complaints on stderr; a missing device is an ordinary case here.
void quietAlsa(const char*, int, const char*, int, const char*, ...) {}

struct PcmHandle {
    snd_pcm_t* pcm = nullptr;
    ~PcmHandle() {
        if (pcm != nullptr) snd_pcm_close(pcm);
    }
};

std::uint16_t read16(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes[at] | (bytes[at + 1] << 8));
}

std::uint32_t read32(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint32_t>(bytes[at]) | (static_cast<std::uint32_t>(bytes[at + 1]) << 8) |
           (static_cast<std::uint32_t>(bytes[at + 2]) << 16) | (static_cast<std::uint32_t>(bytes[at + 3]) << 24);
}

class AlsaOutput final : public AudioOutput {
public:
    AlsaOutput(snd_pcm_t* pcm, PcmFormat format, AudioDoneCallback done)
        : pcm_(pcm), frameBytes_(format.channels * format.bitsPerSample / 8), done_(std::move(done)) {
        // About 10 ms per write, so that a reset or the end is noticed within that.
        chunkFrames_ = std::max<snd_pcm_uframes_t>(format.rate / 100, 64);
        writer_ = std::thread([this] { run(); });
    }

    ~AlsaOutput() override {
        {
            std::lock_guard lock(mutex_);
            stop_ = true;
        }
        wake_.notify_all();
        writer_.join();
        snd_pcm_drop(pcm_);
        snd_pcm_close(pcm_);
        // Nothing may wait for ever for a buffer of a closed device.
        for (AudioBuffer* buffer : queue_) done_(*buffer);
    }

    bool prepare(AudioBuffer& buffer) override {
        buffer.prepared = true;
        return true;
    }

    bool unprepare(AudioBuffer& buffer) override {
        std::lock_guard lock(mutex_);
        if (std::find(queue_.begin(), queue_.end(), &buffer) != queue_.end()) return false;  // still playing
        buffer.prepared = false;
        return true;
    }

    bool write(AudioBuffer& buffer) override {
        if (!buffer.prepared || buffer.data == nullptr) return false;
        {
            std::lock_guard lock(mutex_);
            queue_.push_back(&buffer);
        }
        wake_.notify_all();
        return true;
    }

    void pause() override {
        std::lock_guard lock(mutex_);
        paused_ = true;
    }

    void reset() override {
        std::unique_lock lock(mutex_);
        resetRequested_ = true;
        wake_.notify_all();
        resetDone_.wait(lock, [this] { return !resetRequested_; });
    }

private:
    void run() {
        std::unique_lock lock(mutex_);
        for (;;) {
            wake_.wait(lock, [this] { return stop_ || resetRequested_ || (!paused_ && !queue_.empty()); });
            if (resetRequested_) {
                std::deque<AudioBuffer*> returned;
                returned.swap(queue_);
                offset_ = 0;
                paused_ = false;
                lock.unlock();
                snd_pcm_drop(pcm_);
                snd_pcm_prepare(pcm_);
                for (AudioBuffer* buffer : returned) done_(*buffer);
                lock.lock();
                resetRequested_ = false;
                resetDone_.notify_all();
                continue;
            }
            if (stop_) return;
            AudioBuffer* buffer = queue_.front();
            const std::uint32_t frames = buffer->length / frameBytes_;
            const std::uint32_t first = offset_;
            const snd_pcm_uframes_t count = std::min<snd_pcm_uframes_t>(chunkFrames_, frames - first);
            lock.unlock();
            bool finished = count == 0;
            if (!finished) {
                const snd_pcm_sframes_t written =
                    snd_pcm_writei(pcm_, buffer->data + static_cast<std::size_t>(first) * frameBytes_, count);
                if (written < 0) {
                    if (snd_pcm_recover(pcm_, static_cast<int>(written), 1) < 0)
                        finished = true;  // the device is gone: give it back
                } else {
                    lock.lock();
                    offset_ += static_cast<std::uint32_t>(written);
                    finished = offset_ >= frames;
                    lock.unlock();
                }
            }
            lock.lock();
            if (finished && !resetRequested_ && !queue_.empty() && queue_.front() == buffer) {
                queue_.pop_front();
                offset_ = 0;
                lock.unlock();
                done_(*buffer);
                lock.lock();
            }
        }
    }

    snd_pcm_t* pcm_;
    std::uint32_t frameBytes_;
    snd_pcm_uframes_t chunkFrames_ = 441;
    AudioDoneCallback done_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable resetDone_;
    std::deque<AudioBuffer*> queue_;  // the front one is being written
    std::uint32_t offset_ = 0;        // frames of the front buffer already written
    bool stop_ = false;
    bool paused_ = false;
    bool resetRequested_ = false;
    std::thread writer_;
};

}  // namespace

std::optional<PcmFormat> parseWaveFormat(std::span<const std::uint8_t> body) {
    if (body.size() < 16) return std::nullopt;
    const std::uint16_t tag = read16(body, 0);
    PcmFormat format{read16(body, 2), read32(body, 4), read16(body, 14)};
    const bool pcm = tag == 1 || tag == 0xFFFE;  // plain PCM, or the extensible form of it
    if (!pcm || format.channels < 1 || format.channels > 8 || format.rate < 1000 || format.rate > 384000 ||
        (format.bitsPerSample != 8 && format.bitsPerSample != 16)) {
        return std::nullopt;
    }
    return format;
}

bool alsaOutputAvailable() {
    snd_lib_error_set_handler(quietAlsa);
    PcmHandle handle;
    return snd_pcm_open(&handle.pcm, "default", SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) == 0;
}

std::unique_ptr<AudioOutput> openAlsaOutput(std::span<const std::uint8_t> formatBody, AudioDoneCallback done) {
    const auto format = parseWaveFormat(formatBody);
    if (!format || !done) return nullptr;
    snd_lib_error_set_handler(quietAlsa);
    PcmHandle handle;
    if (snd_pcm_open(&handle.pcm, "default", SND_PCM_STREAM_PLAYBACK, 0) != 0) return nullptr;
    const snd_pcm_format_t sampleFormat = format->bitsPerSample == 8 ? SND_PCM_FORMAT_U8 : SND_PCM_FORMAT_S16_LE;
    if (snd_pcm_set_params(handle.pcm, sampleFormat, SND_PCM_ACCESS_RW_INTERLEAVED, format->channels, format->rate,
                           1 /* resample if the device must */, 100000 /* µs of latency */) != 0) {
        return nullptr;
    }
    snd_pcm_t* pcm = handle.pcm;
    handle.pcm = nullptr;
    return std::make_unique<AlsaOutput>(pcm, *format, std::move(done));
}

}  // namespace love::platform::x11
