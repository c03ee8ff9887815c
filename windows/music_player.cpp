#include "windows/music_player.h"

#include <algorithm>
#include <array>
#include <condition_variable>
#include <cstring>
#include <new>
#include <system_error>
#include <thread>
#include <utility>

namespace love::windows {

namespace {

std::uint32_t readLe32(std::span<const std::uint8_t> bytes, std::uint64_t offset) {
    return static_cast<std::uint32_t>(bytes[offset]) | static_cast<std::uint32_t>(bytes[offset + 1]) << 8 |
           static_cast<std::uint32_t>(bytes[offset + 2]) << 16 | static_cast<std::uint32_t>(bytes[offset + 3]) << 24;
}

bool hasTag(std::span<const std::uint8_t> bytes, std::uint64_t offset, const char (&tag)[5]) {
    return std::memcmp(bytes.data() + offset, tag, 4) == 0;
}

// A PCM format record is at least 16 bytes; the device reads that much, so a shorter one is refused
// here rather than handed on.
constexpr std::size_t minimumFormatBytes = 16;

// The wake-up signal (a counting signal with a ceiling) and the stop signal (set once, never
// reset) of one player, waited on together by its playback thread.
class PlaybackSignals {
public:
    enum class Woken { Stop, WakeUp, TimedOut };

    PlaybackSignals(std::size_t initial, std::size_t maximum) : count_(std::min(initial, maximum)), maximum_(maximum) {}

    void raise(std::size_t by) {
        {
            std::lock_guard lock(mutex_);
            count_ = std::min(maximum_, count_ + by);
        }
        changed_.notify_all();
    }

    void stop() {
        {
            std::lock_guard lock(mutex_);
            stopped_ = true;
        }
        changed_.notify_all();
    }

    // The stop signal wins over a pending wake-up, so a stop is never delayed by buffered work.
    Woken wait(std::chrono::milliseconds limit) {
        std::unique_lock lock(mutex_);
        if (!changed_.wait_for(lock, limit, [&] { return stopped_ || count_ > 0; })) return Woken::TimedOut;
        if (stopped_) return Woken::Stop;
        --count_;
        return Woken::WakeUp;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::size_t count_;
    std::size_t maximum_;
    bool stopped_ = false;
};

}  // namespace

AudioAccess audioAccessOf(platform::Platform& platform) {
    return AudioAccess{
        [&platform] { return platform.hasAudioOutput(); },
        [&platform](std::span<const std::uint8_t> format, platform::AudioDoneCallback done) {
            return platform.openAudio(format, std::move(done));
        },
    };
}

std::optional<WaveChunks> findWaveChunks(std::span<const std::uint8_t> wave) {
    if (wave.size() <= 35 || !hasTag(wave, 0, "RIFF") || !hasTag(wave, 8, "WAVE")) return std::nullopt;
    // The walk stays inside both the RIFF length and the bytes actually stored; 64-bit offsets so
    // that no length field can wrap them.
    const std::uint64_t stored = wave.size();
    const std::uint64_t bound = std::min<std::uint64_t>(stored, 8 + static_cast<std::uint64_t>(readLe32(wave, 4)));
    std::optional<std::span<const std::uint8_t>> format;
    std::optional<std::span<const std::uint8_t>> samples;
    std::uint64_t offset = 12;
    while (offset + 8 <= bound && !(format && samples)) {
        const std::uint64_t length = readLe32(wave, offset + 4);
        const std::uint64_t body = offset + 8;
        // A body that claims more than is stored is cut to what is there.
        const std::uint64_t bodyEnd = std::min(stored, body + length);
        const auto bodyView = wave.subspan(body, bodyEnd - body);
        if (!format && hasTag(wave, offset, "fmt ")) format = bodyView;
        if (!samples && hasTag(wave, offset, "data")) samples = bodyView;
        offset = body + length + (length & 1);  // chunk bodies are padded to an even length
    }
    if (!format || !samples || samples->empty() || format->size() < minimumFormatBytes) return std::nullopt;
    return WaveChunks{*format, *samples};
}

class MusicPlayerList::Player {
public:
    Player(MusicPlayerList& list, std::span<const std::uint8_t> samples, bool loop)
        : list_(list),
          samples_(samples.begin(), samples.end()),
          ring_(bufferCount * bufferBytes),
          loop_(loop),
          signals_(bufferCount, bufferCount) {
        for (std::size_t i = 0; i < bufferCount; ++i) {
            headers_[i].data = ring_.data() + i * bufferBytes;
            headers_[i].user = i;
        }
    }

    void openDevice(const AudioAccess& audio, std::span<const std::uint8_t> format) {
        if (!audio.hasOutput || !audio.open || !audio.hasOutput()) return;
        // The device calls back on its own thread; it is closed before this player goes away.
        device_ = audio.open(format, [this](platform::AudioBuffer&) { bufferDone(); });
    }

    void launch(std::chrono::milliseconds giveUp) {
        thread_ = std::thread([this, giveUp] { run(giveUp); });
    }
    void requestStop() { signals_.stop(); }

    // Several threads may want to wait for the same player; only one may join it.
    void join() {
        std::lock_guard lock(joinMutex_);
        if (thread_.joinable()) thread_.join();
    }

private:
    void bufferDone() {
        {
            std::lock_guard lock(freeMutex_);
            if (freeCount_ < bufferCount) ++freeCount_;
        }
        signals_.raise(1);
    }

    std::size_t freeCount() {
        std::lock_guard lock(freeMutex_);
        return freeCount_;
    }

    void unprepare(platform::AudioBuffer& header) {
        if (header.prepared && device_) device_->unprepare(header);
    }

    void unprepareAll() {
        for (auto& header : headers_) unprepare(header);
    }

    void run(std::chrono::milliseconds giveUp) {
        for (;;) {
            if (signals_.wait(giveUp) != PlaybackSignals::Woken::WakeUp) {
                // Told to stop, or the device made no progress for too long: cut the sound off now.
                if (device_) {
                    device_->pause();
                    device_->reset();
                }
                unprepareAll();
                break;
            }
            if (freeCount() < 1) continue;
            platform::AudioBuffer& header = headers_[next_];
            unprepare(header);
            const std::size_t n = std::min(bufferBytes, samples_.size() - position_);
            if (n > 0) {
                std::memcpy(header.data, samples_.data() + position_, n);
                header.length = static_cast<std::uint32_t>(n);
                position_ += n;
                // Counted as taken before it is written: the device may hand it back at once.
                {
                    std::lock_guard lock(freeMutex_);
                    --freeCount_;
                }
                // Without a device these fail; the buffer then never comes back and the give-up
                // time ends the player.
                if (device_ && device_->prepare(header)) device_->write(header);
                next_ = (next_ + 1) % bufferCount;
                continue;
            }
            if (freeCount() < bufferCount) continue;  // the last buffers are still playing
            if (!loop_) {
                unprepareAll();
                break;
            }
            position_ = 0;
            next_ = 0;
            {
                std::lock_guard lock(freeMutex_);
                freeCount_ = bufferCount;
            }
            signals_.raise(bufferCount);
        }
        cleanUp();
    }

    void cleanUp() {
        list_.retire(*this);
        device_.reset();  // no callback arrives after this
        samples_ = {};
        ring_ = {};
    }

    MusicPlayerList& list_;
    std::vector<std::uint8_t> samples_;
    std::vector<std::uint8_t> ring_;
    std::array<platform::AudioBuffer, bufferCount> headers_{};
    const bool loop_;
    std::size_t position_ = 0;  // sample bytes already queued
    std::size_t next_ = 0;      // the buffer to fill next
    std::mutex freeMutex_;
    std::size_t freeCount_ = bufferCount;
    PlaybackSignals signals_;
    std::unique_ptr<platform::AudioOutput> device_;
    std::mutex joinMutex_;
    std::thread thread_;  // assigned under the list's lock, before anyone can see the player
};

MusicPlayerList::MusicPlayerList(std::chrono::milliseconds giveUp) : giveUp_(giveUp) {}

MusicPlayerList::~MusicPlayerList() { stopAll(true); }

bool MusicPlayerList::start(std::span<const std::uint8_t> wave, bool loop, const AudioAccess& audio) {
    const std::optional<WaveChunks> chunks = findWaveChunks(wave);
    if (!chunks) return false;
    joinRetired();
    std::shared_ptr<Player> player;
    try {
        player = std::make_shared<Player>(*this, chunks->samples, loop);
        player->openDevice(audio, chunks->format);
    } catch (const std::bad_alloc&) {
        return false;
    }
    std::lock_guard lock(mutex_);
    try {
        running_.push_back(player);
        player->launch(giveUp_);
    } catch (const std::exception&) {  // no memory for the list, or no thread to be had
        std::erase(running_, player);
        return false;
    }
    return true;
}

void MusicPlayerList::stopAll(bool wait) {
    std::vector<std::shared_ptr<Player>> noted;
    {
        std::lock_guard lock(mutex_);
        if (wait) noted.assign(running_.begin(), running_.end());
        for (const auto& player : running_) player->requestStop();
    }
    if (!wait) return;
    for (const auto& player : noted) player->join();
    joinRetired();  // also those that had left the list on their own and may still be closing
}

std::size_t MusicPlayerList::running() const {
    std::lock_guard lock(mutex_);
    return running_.size();
}

void MusicPlayerList::retire(Player& player) {
    std::lock_guard lock(mutex_);
    const auto it = std::find_if(running_.begin(), running_.end(), [&](const auto& p) { return p.get() == &player; });
    if (it == running_.end()) return;
    retired_.splice(retired_.end(), running_, it);
}

void MusicPlayerList::joinRetired() {
    std::list<std::shared_ptr<Player>> ended;
    {
        std::lock_guard lock(mutex_);
        ended.swap(retired_);
    }
    for (const auto& player : ended) player->join();
}

MusicPlayerList& musicPlayers() {
    static MusicPlayerList players;
    return players;
}

}  // namespace love::windows
