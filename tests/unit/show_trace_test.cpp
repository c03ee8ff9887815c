// The whole program played on the headless backend, observed through the drawing trace.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <numeric>
#include <string>
#include <vector>

#include "platform/headless/headless_platform.h"
#include "runtime/runtime.h"
#include "show/program.h"
#include "windows/descriptions.h"

namespace love::show {
namespace {

struct Point {
    std::int32_t x;
    std::int32_t y;
    friend bool operator==(const Point&, const Point&) = default;
};

class ShowRecorder final : public runtime::DrawingTrace {
public:
    explicit ShowRecorder(platform::headless::HeadlessPlatform& platform) : platform_(platform) {}

    void pictureDrawn(std::uint32_t handle, std::int32_t x, std::int32_t y) override {
        noteRow();
        if (handle == 0) ++drawsWithoutPicture;
        draws.push_back({x, y});
    }
    void writePositionSet(std::int32_t x, std::int32_t y) override {
        noteRow();
        positions.push_back({x, y});
        // The first position after the wipe: the board must be blank by now.
        if (clears.size() == static_cast<std::size_t>(platform_.screenSize().width) && !boardCheckedAfterWipe) {
            boardCheckedAfterWipe = true;
            const platform::PixelView view =
                platform_.pixels(runtime::nativeHandle(windows::kShowWindow, windows::kShowBoard));
            const std::size_t count = static_cast<std::size_t>(view.width) * view.height;
            boardBlankAfterWipe = count > 0 && std::all_of(view.pixels, view.pixels + count,
                                                           [](std::uint32_t p) { return p == 0x00FFFFFFu; });
            boardSizeAfterWipe = {view.width, view.height};
        }
    }
    void lineWritten(std::int32_t x, std::int32_t y, std::string_view) override {
        noteRow();
        lines.push_back({x, y});
    }
    void cleared(std::int32_t l, std::int32_t t, std::int32_t w, std::int32_t h) override {
        noteRow();
        clears.push_back({l, t, w, h});
    }
    void delayed(std::int32_t ms) override {
        noteRow();
        waits.push_back(ms);
    }
    void programEnded(int code) override {
        noteRow();
        exitCodes.push_back(code);
        ended_ = true;
    }

    std::vector<Point> draws;
    std::vector<Point> positions;
    std::vector<Point> lines;
    std::vector<std::vector<std::int32_t>> clears;
    std::vector<std::int32_t> waits;
    std::vector<int> exitCodes;
    int drawsWithoutPicture = 0;
    int rowsAfterExit = 0;
    bool boardCheckedAfterWipe = false;
    bool boardBlankAfterWipe = false;
    Point boardSizeAfterWipe{0, 0};

private:
    void noteRow() {
        if (ended_) ++rowsAfterExit;
    }

    platform::headless::HeadlessPlatform& platform_;
    bool ended_ = false;
};

struct Played {
    int exitCode;
    std::uint64_t endMs;
};

Played play(platform::headless::HeadlessPlatform& platform, ShowRecorder& recorder) {
    const int code = platform::headless::runToExit([&] { runProgram(platform, &recorder); });
    return {code, platform.now()};
}

TEST(ShowTrace, FullHdShowFromTickZero) {
    platform::headless::HeadlessPlatform platform;
    platform.setScreenSize({1920, 1080});
    ShowRecorder recorder(platform);
    const Played played = play(platform, recorder);

    EXPECT_EQ(played.exitCode, 0);
    EXPECT_EQ(recorder.exitCodes, std::vector<int>{0});
    EXPECT_EQ(recorder.rowsAfterExit, 0);

    ASSERT_EQ(recorder.draws.size(), 1414u);
    EXPECT_EQ(recorder.draws.front(), (Point{924, 174}));
    EXPECT_EQ(recorder.drawsWithoutPicture, 0);
    // The redrawn heart repeats the traced one point for point.
    EXPECT_TRUE(std::equal(recorder.draws.begin(), recorder.draws.begin() + 108, recorder.draws.end() - 108));

    EXPECT_EQ(recorder.positions, (std::vector<Point>{{724, 261}, {524, 174}, {624, 261}}));
    ASSERT_EQ(recorder.lines.size(), 15u);
    EXPECT_EQ(recorder.lines[0], (Point{724, 261}));
    EXPECT_EQ(recorder.lines[4], (Point{724, 261 + 4 * 58}));  // the second block goes on below the first
    EXPECT_EQ(recorder.lines[5], (Point{524, 174}));
    EXPECT_EQ(recorder.lines[9], (Point{624, 261}));
    EXPECT_EQ(recorder.lines[14], (Point{624, 261 + 5 * 58}));

    EXPECT_EQ(std::accumulate(recorder.waits.begin(), recorder.waits.end(), 0), 55780);
    // The show timer's first period, then the waits: the virtual clock saw nothing else.
    EXPECT_EQ(played.endMs, 200u + 55780u);

    ASSERT_EQ(recorder.clears.size(), 1920u);
    EXPECT_EQ(recorder.clears.front(), (std::vector<std::int32_t>{0, 0, 1, 0}));
    EXPECT_EQ(recorder.clears[999], (std::vector<std::int32_t>{0, 0, 1000, 562}));
    EXPECT_EQ(recorder.clears.back(), (std::vector<std::int32_t>{0, 0, 1920, 1080}));
    EXPECT_TRUE(recorder.boardCheckedAfterWipe);
    EXPECT_TRUE(recorder.boardBlankAfterWipe);
    EXPECT_EQ(recorder.boardSizeAfterWipe, (Point{1920, 1080}));
}

TEST(ShowTrace, SmallScreenAndATickAboutToWrap) {
    platform::headless::HeadlessPlatform platform;
    platform.setScreenSize({1024, 768});
    platform.setStartTick(0xFFFFFF00u);
    ShowRecorder recorder(platform);
    const Played played = play(platform, recorder);

    EXPECT_EQ(played.exitCode, 0);
    EXPECT_EQ(recorder.positions, (std::vector<Point>{{262, 180}, {62, 120}, {162, 180}}));
    EXPECT_EQ(recorder.draws.size(), 1414u);
    EXPECT_EQ(recorder.draws.front(), (Point{22 * 21, 6 * 20}));
    EXPECT_EQ(recorder.clears.size(), 1024u);
    EXPECT_EQ(recorder.clears.back(), (std::vector<std::int32_t>{0, 0, 1024, 768}));
    EXPECT_TRUE(recorder.boardBlankAfterWipe);
    // Scattered roses are centred on points of the screen, its far edges included.
    for (std::size_t i = 108 + 199; i < 108 + 199 + 999; ++i) {
        ASSERT_GE(recorder.draws[i].x, -49);
        ASSERT_LE(recorder.draws[i].x, 1024 - 49);
        ASSERT_GE(recorder.draws[i].y, -43);
        ASSERT_LE(recorder.draws[i].y, 768 - 43);
    }
}

}  // namespace
}  // namespace love::show
