// A simulated sound card for the headless backend: it plays queued buffers at the format's byte
// rate against a clock that the test drives, and records what it played.
//
// Done notifications come from an audio thread of the simulation, never from the caller's thread,
// just as a real audio system calls back on a thread of its own. `advance` and `reset` return only
// once every notification they caused has been delivered, so a test sees a settled state, and a
// closed output never calls back again.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

#include "platform/platform.h"

namespace love::platform::headless {

class SimulatedAudio {
public:
    struct Options {
        bool present = true;  // any output device at all
        bool opens = true;    // false: every open fails, as a busy or broken device does
        // true: a written buffer plays at once, and is reported done before write returns
        bool playsInstantly = false;
    };

    SimulatedAudio();
    explicit SimulatedAudio(Options options);
    ~SimulatedAudio();
    SimulatedAudio(const SimulatedAudio&) = delete;
    SimulatedAudio& operator=(const SimulatedAudio&) = delete;

    bool present() const;
    // Opens an output for a WAVEFORMATEX-shaped body (PCM only); null when it cannot. The output
    // may outlive nothing: it must be destroyed before this object.
    std::unique_ptr<AudioOutput> open(std::span<const std::uint8_t> format, AudioDoneCallback done);

    // Lets the clock run: every open, unpaused output plays this much of its queue, in order; each
    // buffer that finishes is recorded and reported done.
    void advance(std::chrono::milliseconds elapsed);

    // What the output opened n-th (from 0) played, in order; kept after it is closed.
    std::vector<std::uint8_t> played(std::size_t output = 0) const;
    std::size_t outputsOpened() const;
    std::size_t outputsOpen() const;
    std::size_t queued() const;  // buffers queued on all open outputs
    std::size_t resets() const;  // reset calls, all outputs
    std::size_t pauses() const;
    std::size_t failedWrites() const;

    // Hand-over helpers for tests: wait (in real time, bounded) until the condition holds.
    bool waitForQueued(std::size_t count, std::chrono::milliseconds limit) const;
    bool waitForOpenOutputs(std::size_t count, std::chrono::milliseconds limit) const;

private:
    class Output;
    struct OutputState;
    struct Notice {
        OutputState* output;
        AudioBuffer* buffer;
    };

    void deliver(std::vector<Notice> notices, std::unique_lock<std::mutex>& lock);
    void runAudioThread();

    Options options_;
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::vector<std::unique_ptr<OutputState>> outputs_;  // every output ever opened, in order
    std::deque<Notice> pendingNotices_;
    std::uint64_t noticesPosted_ = 0;
    std::uint64_t noticesDelivered_ = 0;
    std::size_t resets_ = 0;
    std::size_t pauses_ = 0;
    std::size_t failedWrites_ = 0;
    bool quitting_ = false;
    std::thread audioThread_;
};

}  // namespace love::platform::headless
