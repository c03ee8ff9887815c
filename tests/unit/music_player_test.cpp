// The music player against the simulated sound card: the wave chunk walk, streaming in a ring of
// buffers, looping, stopping, and giving up on a device that makes no progress.
#include "windows/music_player.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "platform/headless/simulated_audio.h"

namespace {

using love::platform::AudioBuffer;
using love::platform::headless::SimulatedAudio;
using love::windows::AudioAccess;
using love::windows::findWaveChunks;
using love::windows::MusicPlayerList;
using namespace std::chrono_literals;

using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kBuffer = MusicPlayerList::bufferBytes;
constexpr auto kHandOver = 5s;  // generous bound for a thread hand-over; normally microseconds

void putLe32(Bytes& bytes, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void putChunk(Bytes& bytes, const std::string& id, const Bytes& body, std::uint32_t lengthField) {
    bytes.insert(bytes.end(), id.begin(), id.end());
    putLe32(bytes, lengthField);
    bytes.insert(bytes.end(), body.begin(), body.end());
}
void putChunk(Bytes& bytes, const std::string& id, const Bytes& body) {
    putChunk(bytes, id, body, static_cast<std::uint32_t>(body.size()));
    if (body.size() % 2 == 1) bytes.push_back(0);
}

// 8-bit mono at 15,360 samples per second: one ring buffer is exactly one second of sound.
Bytes pcmFormat() {
    Bytes format;
    auto put16 = [&](std::uint16_t v) {
        format.push_back(static_cast<std::uint8_t>(v));
        format.push_back(static_cast<std::uint8_t>(v >> 8));
    };
    put16(1);  // PCM
    put16(1);  // channels
    putLe32(format, 15360);
    putLe32(format, 15360);
    put16(1);  // block alignment
    put16(8);  // bits per sample
    return format;
}

Bytes samplePattern(std::size_t length) {
    Bytes samples(length);
    for (std::size_t i = 0; i < length; ++i) samples[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
    return samples;
}

// A RIFF/WAVE file around chunks already written; riffLength 0 means "the correct one".
Bytes riff(const Bytes& chunks, std::uint32_t riffLength = 0) {
    Bytes file{'R', 'I', 'F', 'F'};
    putLe32(file, riffLength != 0 ? riffLength : static_cast<std::uint32_t>(4 + chunks.size()));
    file.insert(file.end(), {'W', 'A', 'V', 'E'});
    file.insert(file.end(), chunks.begin(), chunks.end());
    return file;
}

Bytes wave(const Bytes& samples) {
    Bytes chunks;
    putChunk(chunks, "fmt ", pcmFormat());
    putChunk(chunks, "data", samples);
    return riff(chunks);
}

Bytes concat(const Bytes& a, const Bytes& b) {
    Bytes all = a;
    all.insert(all.end(), b.begin(), b.end());
    return all;
}

// --- the chunk walk --------------------------------------------------------------------------

TEST(WaveChunks, AcceptsTheUsableLayouts) {
    const Bytes samples = samplePattern(40);
    const Bytes format = pcmFormat();
    struct Case {
        const char* name;
        Bytes file;
        std::size_t samples;
    };
    Bytes fmtFirst, dataFirst, oddList, withTail;
    putChunk(fmtFirst, "fmt ", format);
    putChunk(fmtFirst, "data", samples);
    putChunk(dataFirst, "data", samples);
    putChunk(dataFirst, "fmt ", format);
    putChunk(oddList, "LIST", Bytes(5, 'x'));  // odd body, padded to 6
    putChunk(oddList, "fmt ", format);
    putChunk(oddList, "data", samples);
    withTail = fmtFirst;
    putChunk(withTail, "junk", Bytes(3, 0xFF), 0xFFFFFFF0u);  // after both are found: never looked at
    Bytes truncatedData;  // "data" claims more than the file holds: what is there is used
    putChunk(truncatedData, "fmt ", format);
    putChunk(truncatedData, "data", samples, 1000000);
    const Case cases[] = {
        {"fmt then data", riff(fmtFirst), 40},
        {"data then fmt", riff(dataFirst), 40},
        // the carried music's RIFF length is 8 bytes more than the file holds
        {"RIFF length too large", riff(fmtFirst, static_cast<std::uint32_t>(4 + fmtFirst.size() + 8)), 40},
        {"RIFF length 0xFFFFFFFF", riff(fmtFirst, 0xFFFFFFFFu), 40},
        {"odd chunk before", riff(oddList), 40},
        {"lying chunk after both", riff(withTail), 40},
        {"data length past the end", riff(truncatedData, 0xFFFFFFFFu), 40},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto chunks = findWaveChunks(c.file);
        ASSERT_TRUE(chunks.has_value());
        EXPECT_EQ(chunks->format.size(), 16u);
        ASSERT_EQ(chunks->samples.size(), c.samples);
        EXPECT_TRUE(std::equal(chunks->samples.begin(), chunks->samples.end(), samples.begin()));
        // the views stay inside the file
        EXPECT_GE(chunks->samples.data(), c.file.data());
        EXPECT_LE(chunks->samples.data() + chunks->samples.size(), c.file.data() + c.file.size());
    }
}

TEST(WaveChunks, RejectsUnusableFiles) {
    const Bytes format = pcmFormat();
    const Bytes samples = samplePattern(40);
    Bytes onlyFmt, onlyData, emptyData, shortFormat, hugeFirst, dataAfterRiffEnd;
    putChunk(onlyFmt, "fmt ", format);
    putChunk(onlyFmt, "LIST", Bytes(30, 1));
    putChunk(onlyData, "data", samples);
    putChunk(emptyData, "fmt ", format);
    putChunk(emptyData, "data", {});
    putChunk(shortFormat, "fmt ", Bytes(format.begin(), format.begin() + 10));
    putChunk(shortFormat, "data", samples);
    // a length that would wrap a 32-bit offset and land on "data" again must not be followed
    putChunk(hugeFirst, "LIST", Bytes(4, 0), 0xFFFFFFF8u);
    putChunk(hugeFirst, "fmt ", format);
    putChunk(hugeFirst, "data", samples);
    putChunk(dataAfterRiffEnd, "fmt ", format);
    putChunk(dataAfterRiffEnd, "data", samples);
    Bytes badRiff = wave(samples);
    badRiff[0] = 'X';
    Bytes badWave = wave(samples);
    badWave[11] = 'X';
    Bytes exactly35 = wave(samples);
    exactly35.resize(35);
    struct Case {
        const char* name;
        Bytes file;
    };
    const Case cases[] = {
        {"empty", {}},
        {"35 bytes", exactly35},
        {"no RIFF", badRiff},
        {"no WAVE", badWave},
        {"no data chunk", riff(onlyFmt)},
        {"no fmt chunk", riff(onlyData)},
        {"empty data", riff(emptyData)},
        {"fmt too short to be a format", riff(shortFormat)},
        {"chunk length past the end", riff(hugeFirst)},
        {"data beyond the RIFF length", riff(dataAfterRiffEnd, 4 + 8 + 16)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(findWaveChunks(c.file).has_value());
        SimulatedAudio audio;
        MusicPlayerList players;
        EXPECT_FALSE(players.start(
            c.file, true,
            AudioAccess{[] { return true; }, [&](auto f, auto d) { return audio.open(f, std::move(d)); }}));
        EXPECT_EQ(players.running(), 0u);
        EXPECT_EQ(audio.outputsOpened(), 0u);
    }
}

// --- playback --------------------------------------------------------------------------------

class MusicPlayerTest : public ::testing::Test {
protected:
    explicit MusicPlayerTest(std::chrono::milliseconds giveUp = 1h) : players(giveUp) {}

    AudioAccess access() {
        return AudioAccess{[this] { return audio.present(); },
                           [this](std::span<const std::uint8_t> format, love::platform::AudioDoneCallback done) {
                               return audio.open(format, std::move(done));
                           }};
    }

    bool waitUntilStopped() {
        const auto deadline = std::chrono::steady_clock::now() + kHandOver;
        while (players.running() != 0 || audio.outputsOpen() != 0) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            std::this_thread::sleep_for(1ms);
        }
        return true;
    }

    // Declared first so that it outlives the players' outputs.
    SimulatedAudio audio;
    MusicPlayerList players;
};

TEST_F(MusicPlayerTest, LoopsFromTheFirstSampleOnlyAfterEveryBufferCameBack) {
    // Three full buffers and a short fourth (1,000 bytes: 65 ms).
    const Bytes samples = samplePattern(3 * kBuffer + 1000);
    ASSERT_TRUE(players.start(wave(samples), true, access()));
    ASSERT_TRUE(audio.waitForQueued(4, kHandOver));
    EXPECT_EQ(audio.queued(), 4u);  // the whole recording is queued; nothing more

    audio.advance(3000ms);  // the three full buffers have played; the short one is still queued
    EXPECT_EQ(audio.played(), Bytes(samples.begin(), samples.begin() + 3 * kBuffer));
    EXPECT_FALSE(audio.waitForQueued(2, 30ms)) << "the second pass began before the first had played out";

    audio.advance(1000ms);
    ASSERT_TRUE(audio.waitForQueued(4, kHandOver));
    EXPECT_EQ(audio.played(), samples);

    audio.advance(8000ms);
    ASSERT_TRUE(audio.waitForQueued(4, kHandOver));
    audio.advance(8000ms);
    EXPECT_EQ(audio.played(), concat(concat(samples, samples), samples));
    EXPECT_EQ(players.running(), 1u);
    EXPECT_EQ(audio.outputsOpened(), 1u);  // one device for every pass
}

TEST_F(MusicPlayerTest, StreamsThroughTheRingAndPlaysOnceWithoutLoop) {
    // More than the ring holds, so buffers are refilled as they come back.
    const Bytes samples = samplePattern(45 * kBuffer + 123);
    ASSERT_TRUE(players.start(wave(samples), false, access()));
    ASSERT_TRUE(audio.waitForQueued(MusicPlayerList::bufferCount, kHandOver));
    EXPECT_EQ(audio.queued(), MusicPlayerList::bufferCount);  // never more than the ring
    // 46 buffers, one second each; after each second the player refills the ring.
    for (std::size_t played = 1; played <= 46; ++played) {
        audio.advance(1000ms);
        ASSERT_TRUE(audio.waitForQueued(std::min(MusicPlayerList::bufferCount, 46 - played), kHandOver));
    }
    EXPECT_TRUE(waitUntilStopped());
    EXPECT_EQ(audio.played(), samples);
    EXPECT_EQ(audio.resets(), 0u);  // ran out, was not cut off
    EXPECT_EQ(audio.failedWrites(), 0u);
}

TEST_F(MusicPlayerTest, StoppingCutsTheSoundOffAtOnce) {
    const Bytes samples = samplePattern(40 * kBuffer);
    ASSERT_TRUE(players.start(wave(samples), true, access()));
    ASSERT_TRUE(audio.waitForQueued(MusicPlayerList::bufferCount, kHandOver));
    audio.advance(2500ms);  // two buffers played, a third half-way
    ASSERT_TRUE(audio.waitForQueued(MusicPlayerList::bufferCount, kHandOver));

    players.stopAll(false);
    EXPECT_TRUE(waitUntilStopped());
    EXPECT_EQ(audio.resets(), 1u);
    EXPECT_EQ(audio.pauses(), 1u);
    EXPECT_EQ(audio.queued(), 0u);
    EXPECT_EQ(audio.played(), Bytes(samples.begin(), samples.begin() + 2 * kBuffer));  // the queue was discarded
}

TEST_F(MusicPlayerTest, StopAllWithWaitingReturnsOnlyOnceEveryPlayerIsGone) {
    ASSERT_TRUE(players.start(wave(samplePattern(30 * kBuffer)), true, access()));
    ASSERT_TRUE(players.start(wave(samplePattern(5 * kBuffer)), false, access()));
    ASSERT_TRUE(audio.waitForQueued(25, kHandOver));
    EXPECT_EQ(players.running(), 2u);

    players.stopAll(true);
    // No waiting here: the devices are closed and the threads have ended by the time it returns.
    EXPECT_EQ(players.running(), 0u);
    EXPECT_EQ(audio.outputsOpen(), 0u);
    EXPECT_EQ(audio.outputsOpened(), 2u);
    players.stopAll(true);  // nothing left to stop
}

TEST_F(MusicPlayerTest, StartsAndStopsRepeatedlyWhileTheDeviceCallsBack) {
    const Bytes file = wave(samplePattern(3 * kBuffer + 17));
    std::atomic<bool> done{false};
    std::thread clock([&] {
        while (!done) audio.advance(700ms);
    });
    for (int round = 0; round < 30; ++round) {
        ASSERT_TRUE(players.start(file, round % 2 == 0, access()));
        if (round % 3 == 0) players.stopAll(false);
        if (round % 5 == 0) players.stopAll(true);
    }
    players.stopAll(true);
    done = true;
    clock.join();
    EXPECT_EQ(players.running(), 0u);
    EXPECT_EQ(audio.outputsOpen(), 0u);
}

class GivingUpTest : public MusicPlayerTest {
protected:
    GivingUpTest() : MusicPlayerTest(40ms) {}
};

TEST_F(GivingUpTest, EndsByItselfWhenTheDeviceMakesNoProgress) {
    // The device takes every buffer but the clock never moves: nothing comes back.
    const auto started = std::chrono::steady_clock::now();
    ASSERT_TRUE(players.start(wave(samplePattern(30 * kBuffer)), true, access()));
    EXPECT_TRUE(waitUntilStopped());
    EXPECT_GE(std::chrono::steady_clock::now() - started, 40ms);
    EXPECT_EQ(audio.resets(), 1u);
    EXPECT_TRUE(audio.played().empty());
}

TEST(GivingUp, WithoutADeviceThePlayerEndsByItselfSilently) {
    for (const SimulatedAudio::Options options :
         {SimulatedAudio::Options{.present = false}, SimulatedAudio::Options{.opens = false}}) {
        SCOPED_TRACE(options.present ? "device does not open" : "no device");
        SimulatedAudio audio(options);
        MusicPlayerList players(40ms);
        const auto started = std::chrono::steady_clock::now();
        // Missing sound is not a failure of the start.
        ASSERT_TRUE(players.start(
            wave(samplePattern(50)), true,
            AudioAccess{[&] { return audio.present(); }, [&](auto f, auto d) { return audio.open(f, std::move(d)); }}));
        const auto deadline = started + kHandOver;
        while (players.running() != 0 && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(1ms);
        EXPECT_EQ(players.running(), 0u);
        EXPECT_GE(std::chrono::steady_clock::now() - started, 40ms);
        EXPECT_EQ(audio.outputsOpened(), 0u);
    }
}

TEST(InstantDevice, ABufferHandedBackDuringItsWriteIsCountedFree) {
    // A device may report a buffer done before write returns; the free count must not lose it,
    // or the player would wait for a buffer that already came back and give up instead of ending.
    SimulatedAudio audio(SimulatedAudio::Options{.playsInstantly = true});
    MusicPlayerList players(2s);
    const Bytes samples = samplePattern(25 * kBuffer + 99);
    ASSERT_TRUE(players.start(
        wave(samples), false,
        AudioAccess{[&] { return audio.present(); }, [&](auto f, auto d) { return audio.open(f, std::move(d)); }}));
    const auto deadline = std::chrono::steady_clock::now() + kHandOver;
    while (players.running() != 0 && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(1ms);
    EXPECT_EQ(players.running(), 0u);
    EXPECT_EQ(audio.resets(), 0u) << "gave up instead of playing to the end";
    EXPECT_EQ(audio.played(), samples);
}

// --- the simulated sound card itself ---------------------------------------------------------

TEST(SimulatedAudio, KeepsTheBookkeepingOfARealDevice) {
    SimulatedAudio audio;
    std::vector<std::thread::id> callbackThreads;
    std::vector<AudioBuffer*> doneBuffers;
    auto output = audio.open(pcmFormat(), [&](AudioBuffer& buffer) {
        callbackThreads.push_back(std::this_thread::get_id());
        doneBuffers.push_back(&buffer);
    });
    ASSERT_NE(output, nullptr);
    EXPECT_EQ(audio.open(Bytes(10, 0), [](AudioBuffer&) {}), nullptr);  // not a format

    Bytes first(15360, 1), second(7680, 2);
    AudioBuffer a{first.data(), 15360, false, 0}, b{second.data(), 7680, false, 0};
    EXPECT_FALSE(output->write(a));  // unprepared
    ASSERT_TRUE(output->prepare(a));
    ASSERT_TRUE(output->prepare(b));
    ASSERT_TRUE(output->write(a));
    EXPECT_FALSE(output->write(a));  // already queued
    ASSERT_TRUE(output->write(b));
    EXPECT_FALSE(output->unprepare(a));  // still playing
    EXPECT_EQ(audio.failedWrites(), 2u);

    audio.advance(999ms);
    EXPECT_TRUE(doneBuffers.empty());
    audio.advance(1ms);
    ASSERT_EQ(doneBuffers, std::vector<AudioBuffer*>{&a});
    EXPECT_NE(callbackThreads[0], std::this_thread::get_id());
    EXPECT_TRUE(output->unprepare(a));
    EXPECT_FALSE(a.prepared);

    output->reset();  // b comes back at once, unplayed
    EXPECT_EQ(doneBuffers, (std::vector<AudioBuffer*>{&a, &b}));
    EXPECT_EQ(audio.played(), first);
    output.reset();
    EXPECT_EQ(audio.outputsOpen(), 0u);
}

}  // namespace
