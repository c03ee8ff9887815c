// The headless backend's queue, timers, clock and boxes.
#include "platform/headless/headless_platform.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using love::platform::CloseCause;
using love::platform::NativeHandle;
using love::platform::Rect;
using love::platform::ShowCommand;
using love::platform::headless::HeadlessPlatform;
using love::platform::headless::Stalled;

class RecordingSink final : public love::platform::EventSink {
public:
    std::vector<std::string> seen;
    void closeRequested(NativeHandle w, CloseCause cause) override {
        seen.push_back((cause == CloseCause::EscapeKey ? "esc " : "close ") + std::to_string(w));
    }
    void destroyRequested(NativeHandle w) override { seen.push_back("destroy " + std::to_string(w)); }
    void timerTicked(NativeHandle w, std::uint32_t id) override {
        seen.push_back("tick " + std::to_string(w) + "/" + std::to_string(id));
    }
    void paintRequested(NativeHandle w, Rect a) override {
        seen.push_back("paint " + std::to_string(w) + " " + std::to_string(a.width) + "x" + std::to_string(a.height));
    }
    void moved(NativeHandle) override {}
    void resized(NativeHandle) override {}
    void platformEnded(int) override { std::abort(); }
};

class Headless : public ::testing::Test {
protected:
    void SetUp() override { platform.setEventSink(&sink); }
    NativeHandle window(Rect rect = {0, 0, 30, 20}) {
        love::platform::WindowSpec windowSpec;
        windowSpec.rect = rect;
        return platform.createWindow(windowSpec);
    }
    HeadlessPlatform platform;
    RecordingSink sink;
};

TEST_F(Headless, ATimerHasAtMostOneTickPendingHoweverLongTheThreadWasBusy) {
    const NativeHandle w = window();
    platform.startTimer(w, 1, 100);
    platform.sleep(1050);
    platform.dispatchPending();
    EXPECT_EQ(sink.seen, (std::vector<std::string>{"tick 1/1"}));
    ASSERT_TRUE(platform.waitAndDispatch());
    EXPECT_EQ(platform.now(), 1100u);  // the next period boundary
    platform.stopTimer(w, 1);
    EXPECT_THROW(platform.waitAndDispatch(), Stalled);
}

TEST_F(Headless, PostedMessagesComeBeforeQuitRepaintsAndTicks) {
    const NativeHandle w = window();
    platform.startTimer(w, 2, 10);
    platform.sleep(10);
    platform.show(w, ShowCommand::Normal);
    platform.postQuit();
    platform.postDestroyRequest(w);
    platform.dispatchPending();  // stops at the quit
    EXPECT_EQ(sink.seen, (std::vector<std::string>{"destroy 1"}));
    EXPECT_FALSE(platform.waitAndDispatch());
    platform.dispatchPending();
    EXPECT_EQ(sink.seen, (std::vector<std::string>{"destroy 1", "paint 1 30x20", "tick 1/2"}));
}

TEST_F(Headless, ScriptedActionsArriveAtTheirTimeAndEscGoesToTheActiveWindow) {
    const NativeHandle first = window(), second = window();
    platform.show(first, ShowCommand::Normal);
    platform.show(second, ShowCommand::Normal);
    platform.activate(first);
    platform.dispatchPending();
    sink.seen.clear();
    platform.scheduleEscape(40);
    platform.scheduleClose(20, second);
    ASSERT_TRUE(platform.waitAndDispatch());
    EXPECT_EQ(platform.now(), 20u);
    ASSERT_TRUE(platform.waitAndDispatch());
    EXPECT_EQ(platform.now(), 40u);
    EXPECT_EQ(sink.seen, (std::vector<std::string>{"close 2", "esc 1"}));
}

TEST_F(Headless, ShownOrResizedSurfacesAskForARepaintOfTheirWholeArea) {
    const NativeHandle w = window();
    const NativeHandle surface = platform.createSurface(w, {0, 0, 8, 6}, true);
    const NativeHandle hidden = platform.createSurface(w, {0, 0, 4, 4}, false);
    platform.dispatchPending();
    EXPECT_TRUE(sink.seen.empty());  // nothing is on screen yet
    platform.show(w, ShowCommand::Normal);
    platform.setRect(surface, {0, 0, 16, 6});
    platform.dispatchPending();
    EXPECT_EQ(sink.seen, (std::vector<std::string>{"paint 1 30x20", "paint 2 16x6"}));
    EXPECT_EQ(platform.pixels(surface).width, 16);
    platform.destroy(w);
    EXPECT_FALSE(platform.exists(surface));
    EXPECT_FALSE(platform.exists(hidden));
}

TEST_F(Headless, TheTickCountWrapsAtTwoToThe32) {
    platform.setStartTick(0xFFFFFF00u);
    EXPECT_EQ(platform.tickCount(), 0xFFFFFF00u);
    platform.sleep(0x180);
    EXPECT_EQ(platform.tickCount(), 0x80u);
}

TEST_F(Headless, UnscriptedBoxesAnswerWithTheirDefaultButton) {
    const std::vector<std::pair<std::uint32_t, int>> cases = {{0x0, 1},   {0x1, 1}, {0x2, 3},    {0x4, 6},
                                                              {0x104, 7}, {0x5, 4}, {0x2004, 6}, {0x10, 1}};
    for (const auto& [style, answer] : cases) EXPECT_EQ(platform.messageBox("t", "c", style), answer) << style;
    platform.scriptMessageBoxAnswers({7});
    EXPECT_EQ(platform.messageBox("t", "c", 4), 7);
    EXPECT_EQ(platform.messageBoxes().back().style, 4u);
}

TEST(HeadlessEnd, TerminateEndsARunWithItsExitCode) {
    HeadlessPlatform platform;
    EXPECT_EQ(love::platform::headless::runToExit([&] { platform.terminate(-1); }), -1);
    EXPECT_THROW(love::platform::headless::runToExit([] {}), std::logic_error);
}

}  // namespace
