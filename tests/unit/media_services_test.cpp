// The windows layer's media services on the headless platform with a simulated sound card: which
// music starts, how it stops, and the carried music itself.
#include "windows/media_services.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <thread>
#include <vector>

#include "platform/headless/headless_platform.h"
#include "platform/headless/simulated_audio.h"
#include "windows/media.h"
#include "windows/music_player.h"

namespace {

using love::platform::headless::HeadlessPlatform;
using love::platform::headless::SimulatedAudio;
using love::windows::MusicPlayerList;
using love::windows::musicPlayers;
using namespace std::chrono_literals;

using Bytes = std::vector<std::uint8_t>;

void putLe(Bytes& bytes, std::uint32_t value, int width) {
    for (int i = 0; i < width; ++i) bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// 8-bit mono at 15,360 samples per second (one ring buffer per second), samples 1, 2, 3, ...
Bytes smallWave(std::size_t samples) {
    Bytes file{'R', 'I', 'F', 'F'};
    putLe(file, static_cast<std::uint32_t>(4 + 24 + 8 + samples), 4);
    file.insert(file.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    putLe(file, 16, 4);
    putLe(file, 1, 2);
    putLe(file, 1, 2);
    putLe(file, 15360, 4);
    putLe(file, 15360, 4);
    putLe(file, 1, 2);
    putLe(file, 8, 2);
    file.insert(file.end(), {'d', 'a', 't', 'a'});
    putLe(file, static_cast<std::uint32_t>(samples), 4);
    for (std::size_t i = 0; i < samples; ++i) file.push_back(static_cast<std::uint8_t>(i + 1));
    return file;
}

class MediaServicesTest : public ::testing::Test {
protected:
    MediaServicesTest() {
        platform.setAudio(true, [this](auto format, auto done) { return audio.open(format, std::move(done)); });
        love::windows::bindMediaPlatform(platform);
    }
    ~MediaServicesTest() override {
        media.stopAllMusic(true);  // before the sound card goes
        love::windows::unbindMediaPlatform();
    }

    bool waitUntilSilent() {
        const auto deadline = std::chrono::steady_clock::now() + 5s;
        while (musicPlayers().running() != 0 || audio.outputsOpen() != 0) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            std::this_thread::sleep_for(1ms);
        }
        return true;
    }

    SimulatedAudio audio;
    HeadlessPlatform platform;
    love::runtime::MediaServices& media = love::windows::mediaServices();
};

TEST_F(MediaServicesTest, StartsOnlyWaveMusicWithPlayCountZeroOrOne) {
    const Bytes music = smallWave(100);
    Bytes notWave = music;
    notWave[8] = 'X';
    media.startMusic(1, music, 2);
    media.startMusic(1, music, -1);
    media.startMusic(1, {}, 0);
    media.startMusic(1, notWave, 0);
    media.startMusic(1, Bytes(music.begin(), music.begin() + 11), 0);
    EXPECT_EQ(musicPlayers().running(), 0u);
    EXPECT_EQ(audio.outputsOpened(), 0u);

    media.startMusic(1, music, 1);  // once
    ASSERT_TRUE(audio.waitForQueued(1, 5s));
    audio.advance(1000ms);
    EXPECT_TRUE(waitUntilSilent());
    EXPECT_EQ(audio.played(), Bytes(music.end() - 100, music.end()));
}

TEST_F(MediaServicesTest, DestroyingAWindowStopsTheMusicWithoutWaiting) {
    media.startMusic(7, smallWave(30 * MusicPlayerList::bufferBytes), 0);
    ASSERT_TRUE(audio.waitForQueued(MusicPlayerList::bufferCount, 5s));
    media.stopMusic(7);
    EXPECT_TRUE(waitUntilSilent());
    EXPECT_EQ(audio.resets(), 1u);
    EXPECT_TRUE(audio.played().empty());
}

TEST_F(MediaServicesTest, TheProgramEndWaitsUntilTheDeviceIsClosed) {
    media.startMusic(7, smallWave(30 * MusicPlayerList::bufferBytes), 0);
    ASSERT_TRUE(audio.waitForQueued(MusicPlayerList::bufferCount, 5s));
    media.stopAllMusic(true);
    EXPECT_EQ(audio.outputsOpen(), 0u);
    EXPECT_EQ(musicPlayers().running(), 0u);
}

TEST_F(MediaServicesTest, TheCarriedMusicStreamsItsSamplesFromTheFirst) {
    const auto music = love::windows::showMusicWav();
    const auto chunks = love::windows::findWaveChunks(music);
    ASSERT_TRUE(chunks.has_value());
    media.startMusic(3, music, 0);
    ASSERT_TRUE(audio.waitForQueued(MusicPlayerList::bufferCount, 5s));
    audio.advance(1000ms);  // about 11 buffers at 176,400 bytes per second
    const Bytes played = audio.played();
    ASSERT_GE(played.size(), 10 * MusicPlayerList::bufferBytes);
    EXPECT_TRUE(std::equal(played.begin(), played.end(), chunks->samples.begin()));
    media.stopMusic(3);
    EXPECT_TRUE(waitUntilSilent());
}

TEST(MediaServicesUnbound, WithoutAPlatformNoMusicStarts) {
    love::windows::mediaServices().startMusic(1, smallWave(100), 0);
    EXPECT_EQ(musicPlayers().running(), 0u);
}

}  // namespace
