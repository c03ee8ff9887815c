#include "platform/headless/simulated_audio.h"

#include <algorithm>
#include <utility>

namespace love::platform::headless {

namespace {

std::uint32_t readLe(std::span<const std::uint8_t> bytes, std::size_t offset, std::size_t width) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < width; ++i) value |= static_cast<std::uint32_t>(bytes[offset + i]) << (8 * i);
    return value;
}

// Bytes per second of a PCM "fmt " body, or 0 when the device would refuse the format.
std::uint64_t pcmByteRate(std::span<const std::uint8_t> format) {
    if (format.size() < 16) return 0;
    const std::uint32_t tag = readLe(format, 0, 2);
    const std::uint32_t channels = readLe(format, 2, 2);
    const std::uint32_t samplesPerSecond = readLe(format, 4, 4);
    const std::uint32_t blockAlign = readLe(format, 12, 2);
    const std::uint32_t bitsPerSample = readLe(format, 14, 2);
    if (tag != 1 || channels == 0 || samplesPerSecond == 0 || blockAlign == 0) return 0;
    if (bitsPerSample != 8 && bitsPerSample != 16 && bitsPerSample != 24 && bitsPerSample != 32) return 0;
    return static_cast<std::uint64_t>(samplesPerSecond) * blockAlign;
}

}  // namespace

struct SimulatedAudio::OutputState {
    std::uint64_t bytesPerSecond = 0;
    AudioDoneCallback done;
    std::deque<AudioBuffer*> queue;
    std::uint64_t headProgress = 0;     // bytes of the first queued buffer already played
    std::uint64_t budgetRemainder = 0;  // byte-milliseconds not yet worth a whole byte
    std::vector<std::uint8_t> recording;
    std::size_t inFlight = 0;  // notices posted but not yet delivered
    bool open = true;
    bool paused = false;
};

class SimulatedAudio::Output final : public AudioOutput {
public:
    Output(SimulatedAudio& card, OutputState& state) : card_(card), state_(state) {}

    ~Output() override {
        std::unique_lock lock(card_.mutex_);
        state_.open = false;
        state_.queue.clear();  // a closed device forgets its queue and never calls back
        card_.changed_.wait(lock, [&] { return state_.inFlight == 0; });
        card_.changed_.notify_all();
    }

    bool prepare(AudioBuffer& buffer) override {
        std::lock_guard lock(card_.mutex_);
        if (!state_.open || buffer.data == nullptr) return false;
        buffer.prepared = true;
        return true;
    }

    bool unprepare(AudioBuffer& buffer) override {
        std::lock_guard lock(card_.mutex_);
        if (isQueued(buffer)) return false;  // still playing
        buffer.prepared = false;
        return true;
    }

    bool write(AudioBuffer& buffer) override {
        std::unique_lock lock(card_.mutex_);
        if (!state_.open || !buffer.prepared || isQueued(buffer)) {
            ++card_.failedWrites_;
            return false;
        }
        if (card_.options_.playsInstantly) {
            state_.recording.insert(state_.recording.end(), buffer.data, buffer.data + buffer.length);
            card_.deliver({{&state_, &buffer}}, lock);
            return true;
        }
        state_.queue.push_back(&buffer);
        card_.changed_.notify_all();
        return true;
    }

    void pause() override {
        std::lock_guard lock(card_.mutex_);
        state_.paused = true;
        ++card_.pauses_;
    }

    void reset() override {
        std::unique_lock lock(card_.mutex_);
        ++card_.resets_;
        std::vector<Notice> notices;
        for (AudioBuffer* buffer : state_.queue) notices.push_back({&state_, buffer});
        state_.queue.clear();
        state_.headProgress = 0;
        card_.deliver(std::move(notices), lock);
    }

private:
    bool isQueued(const AudioBuffer& buffer) const {
        return std::find(state_.queue.begin(), state_.queue.end(), &buffer) != state_.queue.end();
    }

    SimulatedAudio& card_;
    OutputState& state_;
};

SimulatedAudio::SimulatedAudio() : SimulatedAudio(Options{}) {}

SimulatedAudio::SimulatedAudio(Options options) : options_(options), audioThread_([this] { runAudioThread(); }) {}

SimulatedAudio::~SimulatedAudio() {
    {
        std::lock_guard lock(mutex_);
        quitting_ = true;
    }
    changed_.notify_all();
    audioThread_.join();
}

bool SimulatedAudio::present() const { return options_.present; }

std::unique_ptr<AudioOutput> SimulatedAudio::open(std::span<const std::uint8_t> format, AudioDoneCallback done) {
    if (!options_.present || !options_.opens || !done) return nullptr;
    const std::uint64_t rate = pcmByteRate(format);
    if (rate == 0) return nullptr;
    std::lock_guard lock(mutex_);
    auto state = std::make_unique<OutputState>();
    state->bytesPerSecond = rate;
    state->done = std::move(done);
    OutputState& stateRef = *state;
    outputs_.push_back(std::move(state));
    changed_.notify_all();
    return std::make_unique<Output>(*this, stateRef);
}

void SimulatedAudio::advance(std::chrono::milliseconds elapsed) {
    if (elapsed.count() <= 0) return;
    std::unique_lock lock(mutex_);
    std::vector<Notice> notices;
    for (auto& output : outputs_) {
        if (!output->open || output->paused) continue;
        const std::uint64_t total =
            static_cast<std::uint64_t>(elapsed.count()) * output->bytesPerSecond + output->budgetRemainder;
        std::uint64_t budget = total / 1000;
        output->budgetRemainder = total % 1000;
        while (budget > 0 && !output->queue.empty()) {
            AudioBuffer* head = output->queue.front();
            const std::uint64_t left = head->length - output->headProgress;
            if (budget < left) {
                output->headProgress += budget;
                budget = 0;
                break;
            }
            budget -= left;
            output->recording.insert(output->recording.end(), head->data, head->data + head->length);
            output->queue.pop_front();
            output->headProgress = 0;
            notices.push_back({output.get(), head});
        }
        if (output->queue.empty()) output->budgetRemainder = 0;  // an idle device does not save up time
    }
    deliver(std::move(notices), lock);
}

void SimulatedAudio::deliver(std::vector<Notice> notices, std::unique_lock<std::mutex>& lock) {
    if (notices.empty()) return;
    for (const Notice& notice : notices) {
        ++notice.output->inFlight;
        pendingNotices_.push_back(notice);
    }
    noticesPosted_ += notices.size();
    const std::uint64_t target = noticesPosted_;
    changed_.notify_all();
    changed_.wait(lock, [&] { return noticesDelivered_ >= target; });
}

void SimulatedAudio::runAudioThread() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [&] { return quitting_ || !pendingNotices_.empty(); });
        if (pendingNotices_.empty()) return;  // quitting with nothing left to deliver
        const Notice notice = pendingNotices_.front();
        pendingNotices_.pop_front();
        lock.unlock();
        notice.output->done(*notice.buffer);
        lock.lock();
        --notice.output->inFlight;
        ++noticesDelivered_;
        changed_.notify_all();
    }
}

std::vector<std::uint8_t> SimulatedAudio::played(std::size_t output) const {
    std::lock_guard lock(mutex_);
    if (output >= outputs_.size()) return {};
    return outputs_[output]->recording;
}

std::size_t SimulatedAudio::outputsOpened() const {
    std::lock_guard lock(mutex_);
    return outputs_.size();
}

std::size_t SimulatedAudio::outputsOpen() const {
    std::lock_guard lock(mutex_);
    return static_cast<std::size_t>(
        std::count_if(outputs_.begin(), outputs_.end(), [](const auto& output) { return output->open; }));
}

std::size_t SimulatedAudio::queued() const {
    std::lock_guard lock(mutex_);
    std::size_t count = 0;
    for (const auto& output : outputs_) count += output->queue.size();
    return count;
}

std::size_t SimulatedAudio::resets() const {
    std::lock_guard lock(mutex_);
    return resets_;
}

std::size_t SimulatedAudio::pauses() const {
    std::lock_guard lock(mutex_);
    return pauses_;
}

std::size_t SimulatedAudio::failedWrites() const {
    std::lock_guard lock(mutex_);
    return failedWrites_;
}

bool SimulatedAudio::waitForQueued(std::size_t count, std::chrono::milliseconds limit) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, limit, [&] {
        std::size_t queued = 0;
        for (const auto& output : outputs_) queued += output->queue.size();
        return queued >= count;
    });
}

bool SimulatedAudio::waitForOpenOutputs(std::size_t count, std::chrono::milliseconds limit) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, limit, [&] {
        return static_cast<std::size_t>(std::count_if(outputs_.begin(), outputs_.end(),
                                                      [](const auto& output) { return output->open; })) == count;
    });
}

}  // namespace love::platform::headless
