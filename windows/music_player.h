// Background music: streams the samples of a PCM wave file to the audio output in a ring of 20
// buffers on a playback thread of its own, looping or once, until it is told to stop or the
// device stops making progress.
//
// Every running player is on one process-wide list, so the program end can stop them all and
// wait until their threads are gone.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <vector>

#include "platform/platform.h"

namespace love::windows {

// Where a player gets its audio output from: the platform in the program, a fake in tests.
struct AudioAccess {
    std::function<bool()> hasOutput;
    std::function<std::unique_ptr<platform::AudioOutput>(std::span<const std::uint8_t>, platform::AudioDoneCallback)>
        open;
};
AudioAccess audioAccessOf(platform::Platform& platform);

// The two chunks a player needs, as views into the wave file.
struct WaveChunks {
    std::span<const std::uint8_t> format;   // the "fmt " body
    std::span<const std::uint8_t> samples;  // the "data" body
};
// Finds "fmt " and "data" in a RIFF/WAVE file; nothing when the file is unusable: 35 bytes or
// fewer, a wrong header, a missing chunk or empty samples. Never reads outside the bytes.
std::optional<WaveChunks> findWaveChunks(std::span<const std::uint8_t> wave);

class MusicPlayerList {
public:
    static constexpr std::size_t bufferCount = 20;
    static constexpr std::size_t bufferBytes = 15360;
    static constexpr std::chrono::milliseconds defaultGiveUp{8888};

    // giveUp: how long a player waits for a buffer to come back before it stops by itself.
    explicit MusicPlayerList(std::chrono::milliseconds giveUp = defaultGiveUp);
    ~MusicPlayerList();  // stops every player and waits for it
    MusicPlayerList(const MusicPlayerList&) = delete;
    MusicPlayerList& operator=(const MusicPlayerList&) = delete;

    // Starts a player for a wave file; false (and nothing plays) when the file is unusable or its
    // samples cannot be copied. A device that is missing or does not open is not an error: the
    // player then runs without sound and ends by the give-up time.
    bool start(std::span<const std::uint8_t> wave, bool loop, const AudioAccess& audio);
    // Signals every running player to stop; with wait, returns once each of their threads ended.
    void stopAll(bool wait);
    std::size_t running() const;

private:
    class Player;
    friend class Player;

    void retire(Player& player);  // called by a player's own thread as it ends
    void joinRetired();

    std::chrono::milliseconds giveUp_;
    mutable std::mutex mutex_;
    std::list<std::shared_ptr<Player>> running_;
    std::list<std::shared_ptr<Player>> retired_;  // ended or ending; their threads still to be joined
    // (lists, so that a player can move itself across without allocating)
};

// The players of the program.
MusicPlayerList& musicPlayers();

}  // namespace love::windows
