// The whole program on the headless backend under the faults a desktop program meets: a sound
// card that is missing or will not open, and a screen that changes size once the show is set up.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

#include "platform/headless/headless_platform.h"
#include "platform/headless/simulated_audio.h"
#include "show/program.h"

namespace love::show {
namespace {

using platform::headless::HeadlessPlatform;
using platform::headless::SimulatedAudio;

struct Draw {
    std::int32_t x;
    std::int32_t y;
};

// Keeps the draws and clears, and lets a test act at the show's first draw.
class Recorder final : public runtime::DrawingTrace {
public:
    std::function<void()> atFirstDraw;
    std::vector<Draw> draws;
    std::vector<std::vector<std::int32_t>> clears;

    void pictureDrawn(std::uint32_t, std::int32_t x, std::int32_t y) override {
        if (draws.empty() && atFirstDraw) atFirstDraw();
        draws.push_back({x, y});
    }
    void writePositionSet(std::int32_t, std::int32_t) override {}
    void lineWritten(std::int32_t, std::int32_t, std::string_view) override {}
    void cleared(std::int32_t l, std::int32_t t, std::int32_t w, std::int32_t h) override { clears.push_back({l, t, w, h}); }
    void delayed(std::int32_t) override {}
    void programEnded(int) override {}
};

constexpr std::uint64_t kShowEndsAt = 200 + 55780;

TEST(ShowFaults, SoundCardsThatAreMissingOrWillNotOpenLeaveTheShowSilentAndOnTime) {
    struct Case {
        const char* name;
        bool present;
        bool opens;
    };
    for (const Case c : {Case{"no device", false, true}, Case{"device will not open", true, false},
                         Case{"working device", true, true}}) {
        SCOPED_TRACE(c.name);
        SimulatedAudio audio({.present = c.present, .opens = c.opens});
        HeadlessPlatform platform;
        platform.setScreenSize({1366, 768});
        platform.setAudio(c.present, [&](auto format, auto done) { return audio.open(format, std::move(done)); });
        Recorder recorder;
        const int code = platform::headless::runToExit([&] { runProgram(platform, &recorder); });

        EXPECT_EQ(code, 0);
        EXPECT_EQ(platform.now(), kShowEndsAt);
        EXPECT_EQ(recorder.draws.size(), 1414u);
        EXPECT_EQ(audio.outputsOpened(), c.present && c.opens ? 1u : 0u);
        EXPECT_EQ(audio.outputsOpen(), 0u) << "the device is closed before the process ends";
    }
}

TEST(ShowFaults, AScreenSizeChangeAfterStartUpIsSeenByEveryLaterRead) {
    HeadlessPlatform platform;
    platform.setScreenSize({1920, 1080});
    Recorder recorder;
    recorder.atFirstDraw = [&] { platform.setScreenSize({1024, 768}); };
    const int code = platform::headless::runToExit([&] { runProgram(platform, &recorder); });

    EXPECT_EQ(code, 0);
    ASSERT_EQ(recorder.draws.size(), 1414u);
    // The hearts keep the scale worked out when the show window was built on 1920 x 1080 ...
    EXPECT_EQ(recorder.draws.front().x, 924);
    EXPECT_EQ(recorder.draws.front().y, 174);
    // ... while the scattered roses and the wipe read the new size.
    for (std::size_t i = 108 + 199; i < 108 + 199 + 999; ++i) {
        ASSERT_LE(recorder.draws[i].x, 1024 - 49);
        ASSERT_LE(recorder.draws[i].y, 768 - 43);
    }
    ASSERT_EQ(recorder.clears.size(), 1024u);
    EXPECT_EQ(recorder.clears.back(), (std::vector<std::int32_t>{0, 0, 1024, 768}));
}

}  // namespace
}  // namespace love::show
