// Loading, events, timers, destroying and ending, on a small set of windows of the test's own.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/headless/headless_platform.h"
#include "runtime/error_report.h"
#include "runtime/runtime.h"

namespace {

using love::platform::NativeHandle;
using love::platform::Rect;
using love::platform::ShowCommand;
using love::platform::headless::HeadlessPlatform;
using love::platform::headless::Stalled;
using love::platform::headless::Terminated;
using love::platform::headless::WindowOperation;
namespace rt = love::runtime;
namespace property = rt::property;
namespace event = rt::event;
using Kind = WindowOperation::Kind;

constexpr rt::WindowId kOwner{0};
constexpr rt::WindowId kOwned{1};
constexpr rt::WindowId kSecondOwned{2};
constexpr rt::WindowId kHidden{3};
constexpr rt::UnitIndex kOwnerTimer = 1;

// What the handlers saw, and what a test wants them to do.
std::vector<std::string> seen;
std::function<void(const std::string&)> reaction;
int exitRoutineCalls = 0;

void note(const std::string& what) {
    seen.push_back(what);
    if (reaction) reaction(what);
}

enum : rt::HandlerId { kCreated0 = 1, kPosition0, kSize0, kDestroyed0, kTick0, kCreated1, kDestroyed1, kDestroyed2 };
constexpr std::array<rt::HandlerEntry, 8> kHandlers = {{
    {kCreated0, [] { note("created0"); }},
    {kPosition0, [] { note("position0"); }},
    {kSize0, [] { note("size0"); }},
    {kDestroyed0, [] { note("destroyed0"); }},
    {kTick0, [] { note("tick0"); }},
    {kCreated1, [] { note("created1"); }},
    {kDestroyed1, [] { note("destroyed1"); }},
    {kDestroyed2, [] { note("destroyed2"); }},
}};

rt::UnitDescription window(rt::CommonProperties common, std::int32_t position, std::vector<rt::EventBinding> events) {
    rt::UnitDescription unit;
    unit.common = common;
    unit.window.border = 0;
    unit.window.position = position;
    unit.events = std::move(events);
    return unit;
}

std::vector<rt::WindowDescription> testWindows() {
    std::vector<rt::WindowDescription> all(4);
    all[0].units.push_back(window({.left = 10, .top = 20, .width = 300, .height = 200}, rt::kPositionNormal,
                                  {{event::kCreated, kCreated0},
                                   {event::kPositionChanged, kPosition0},
                                   {event::kSizeChanged, kSize0},
                                   {event::kWillBeDestroyed, kDestroyed0}}));
    rt::UnitDescription timer;
    timer.type = rt::UnitType::Timer;
    timer.name = "t";
    timer.common.visible = false;
    timer.events = {{event::kPeriodic, kTick0}};
    all[0].units.push_back(timer);
    all[1].units.push_back(window({.left = 0, .top = 0, .width = 50, .height = 40}, rt::kPositionNormal,
                                  {{event::kCreated, kCreated1}, {event::kWillBeDestroyed, kDestroyed1}}));
    all[2].units.push_back(window({.left = 0, .top = 0, .width = 60, .height = 30}, rt::kPositionNormal,
                                  {{event::kWillBeDestroyed, kDestroyed2}}));
    all[3].units.push_back(
        window({.left = 5, .top = 5, .width = 70, .height = 80, .visible = false}, rt::kPositionCentred, {}));
    return all;
}

const std::vector<rt::WindowDescription>& windows() {
    static const std::vector<rt::WindowDescription> all = testWindows();
    return all;
}

const std::array<rt::PlatformFunctionDeclaration, 5>& functions() {
    static const std::array<rt::PlatformFunctionDeclaration, 5> rows = {{
        {"GetWindowLongA", ""},
        {"NoSuchFunction", ""},
        {"#5", ""},
        {"SetWindowLongA", "user32.DLL"},
        {"X", "Nope.dll"},
    }};
    return rows;
}

struct Report {
    int exitCode = 0;
    std::u32string text;
    std::u32string title;
    std::uint32_t style = 0;
};

class RuntimeTest : public ::testing::Test {
protected:
    void SetUp() override {
        seen.clear();
        reaction = nullptr;
        exitRoutineCalls = 0;
        runtime.initialise();
        runtime.registerExitRoutine([] { ++exitRoutineCalls; });
    }
    void TearDown() override { reaction = nullptr; }

    // Runs the action, which must end the program, and reads the last box it showed.
    Report ending(const std::function<void()>& action) {
        Report report;
        report.exitCode = love::platform::headless::runToExit(action);
        if (!platform.messageBoxes().empty()) {
            const auto& box = platform.messageBoxes().back();
            report.text = platform.decodeGbk(box.text);
            report.title = platform.decodeGbk(box.title);
            report.style = box.style;
        }
        return report;
    }
    std::size_t count(Kind kind, NativeHandle handle) const {
        std::size_t n = 0;
        for (const WindowOperation& op : platform.windowLog()) n += op.kind == kind && op.handle == handle ? 1 : 0;
        return n;
    }

    HeadlessPlatform platform;
    rt::Runtime runtime{platform, rt::ProgramDeclarations{
                                      .windows = windows(), .handlers = kHandlers, .platformFunctions = functions()}};
};

TEST_F(RuntimeTest, LoadingRaisesCreatedPositionAndSizeBeforeTheFirstShow) {
    reaction = [&](const std::string& what) {
        if (what == "created0") {
            EXPECT_FALSE(platform.isVisible(runtime.nativeHandle(kOwner)));
        }
    };
    ASSERT_TRUE(runtime.loadWindow(kOwner));
    EXPECT_EQ(seen, (std::vector<std::string>{"created0", "position0", "size0"}));
    const NativeHandle handle = runtime.nativeHandle(kOwner);
    EXPECT_TRUE(platform.isVisible(handle));
    EXPECT_EQ(platform.activeWindow(), handle);
    EXPECT_EQ(platform.rect(handle), (Rect{10, 20, 300, 200}));
    EXPECT_EQ(runtime.suppressionCount(), 0);
}

TEST_F(RuntimeTest, LoadingALoadedWindowOnlyBringsItForward) {
    ASSERT_TRUE(runtime.loadWindow(kOwner));
    const NativeHandle handle = runtime.nativeHandle(kOwner);
    seen.clear();
    ASSERT_TRUE(runtime.loadWindow(kOwner));
    EXPECT_TRUE(seen.empty());
    EXPECT_EQ(count(Kind::Create, handle), 1u);
    EXPECT_EQ(count(Kind::Activate, handle), 2u);

    platform.show(handle, ShowCommand::Minimised);
    ASSERT_TRUE(runtime.loadWindow(kOwner));
    EXPECT_FALSE(platform.isMinimised(handle));  // restored, not only activated
    EXPECT_TRUE(seen.empty());
}

TEST_F(RuntimeTest, AParentThatIsNotLoadedMakesLoadingFailWithoutCreatingAnything) {
    EXPECT_FALSE(runtime.loadWindow(kOwned, kOwner));
    EXPECT_TRUE(platform.windowLog().empty());
    EXPECT_TRUE(platform.messageBoxes().empty());
    EXPECT_FALSE(runtime.isLoaded(kOwned));
}

TEST_F(RuntimeTest, AnEventDueWhileAWindowIsBuiltIsDroppedNotDelivered) {
    ASSERT_TRUE(runtime.loadWindow(kOwner));
    runtime.propertyWrite(kOwner, kOwnerTimer, property::kPeriod, 50);
    // The owner's tick falls due while the owned window is being built.
    platform.onWindowCreated([&](NativeHandle) { platform.sleep(60); });
    seen.clear();
    ASSERT_TRUE(runtime.loadWindow(kOwned, kOwner));
    platform.onWindowCreated(nullptr);
    EXPECT_EQ(seen, (std::vector<std::string>{"created1"}));
    // Nothing is left over for later: the next tick comes at the next period.
    ASSERT_TRUE(platform.waitAndDispatch());  // first the owned window's repaint
    while (seen.size() < 2) ASSERT_TRUE(platform.waitAndDispatch());
    EXPECT_EQ(seen.back(), "tick0");
    EXPECT_EQ(platform.now(), 100u);
}

struct PeriodCase {
    const char* name;
    std::int32_t second;  // written 30 ms after a period of 100
    std::int32_t storedPeriod;
    std::optional<std::uint64_t> firstTick;  // none: stopped
};

class TimerPeriod : public RuntimeTest, public ::testing::WithParamInterface<PeriodCase> {};

TEST_P(TimerPeriod, WritingThePeriod) {
    const PeriodCase c = GetParam();
    ASSERT_TRUE(runtime.loadWindow(kOwner));
    platform.dispatchPending();  // its first repaint
    runtime.propertyWrite(kOwner, kOwnerTimer, property::kPeriod, 100);
    platform.sleep(30);
    runtime.propertyWrite(kOwner, kOwnerTimer, property::kPeriod, c.second);
    EXPECT_EQ(runtime.timerPeriod(kOwner, kOwnerTimer), c.storedPeriod);
    EXPECT_EQ(runtime.timerRunning(kOwner, kOwnerTimer), c.firstTick.has_value());
    seen.clear();
    if (c.firstTick) {
        ASSERT_TRUE(platform.waitAndDispatch());
        EXPECT_EQ(seen, (std::vector<std::string>{"tick0"}));
        EXPECT_EQ(platform.now(), *c.firstTick);
    } else {
        EXPECT_THROW(platform.waitAndDispatch(), Stalled);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, TimerPeriod,
                         ::testing::Values(PeriodCase{"SameValueDoesNotRestart", 100, 100, 100},
                                           PeriodCase{"NewValueRestartsFromTheWrite", 60, 60, 90},
                                           PeriodCase{"ZeroStops", 0, 0, std::nullopt},
                                           PeriodCase{"NegativeStopsLikeZero", -1, 0, std::nullopt}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(RuntimeTest, DestroyingAnOwnerDestroysItsWindowsFirstAndEndsTheLoop) {
    ASSERT_TRUE(runtime.loadWindow(kOwner));
    ASSERT_TRUE(runtime.loadWindow(kOwned, kOwner));
    ASSERT_TRUE(runtime.loadWindow(kSecondOwned, kOwner));
    const NativeHandle owner = runtime.nativeHandle(kOwner);
    reaction = [&](const std::string& what) {
        if (what == "destroyed0") {
            // Its controls still exist, the owned windows are gone, and a destroy of itself is a no-op.
            EXPECT_NE(runtime.nativeHandle(kOwner, kOwnerTimer), 0u);
            EXPECT_FALSE(runtime.isLoaded(kOwned));
            runtime.destroy(kOwner);
            EXPECT_TRUE(runtime.isDestroyPending(kOwner));
        }
    };
    platform.scheduleClose(10, owner);
    seen.clear();
    runtime.runMessageLoop();  // returns once the last window is gone
    EXPECT_EQ(seen, (std::vector<std::string>{"destroyed1", "destroyed2", "destroyed0"}));
    EXPECT_TRUE(platform.topLevelWindows().empty());
    EXPECT_FALSE(runtime.isLoaded(kOwner));
    EXPECT_TRUE(platform.messageBoxes().empty());
}

TEST_F(RuntimeTest, ADestroyRequestIsDeliveredByTheLoopAndALaterLoadBuildsAfresh) {
    ASSERT_TRUE(runtime.loadWindow(kOwner));
    ASSERT_TRUE(runtime.loadWindow(kOwned, kOwner));
    runtime.propertyWrite(kOwned, rt::kWindowUnit, property::kLeft, 7);
    seen.clear();
    runtime.destroy(kOwned);
    EXPECT_TRUE(runtime.isLoaded(kOwned));
    EXPECT_TRUE(runtime.isDestroyPending(kOwned));
    // Loading a window marked for destruction destroys it first.
    ASSERT_TRUE(runtime.loadWindow(kOwned, kOwner));
    EXPECT_EQ(seen, (std::vector<std::string>{"destroyed1", "created1"}));
    EXPECT_FALSE(runtime.isDestroyPending(kOwned));
    EXPECT_EQ(platform.rect(runtime.nativeHandle(kOwned)).x, 0);  // the description's value again
}

TEST_F(RuntimeTest, EndProgramRunsNoHandlerCallsTheExitRoutineOnceAndStopsTheCaller) {
    int entryCalls = 0;
    reaction = [&](const std::string& what) {
        if (what == "tick0") {
            rt::endProgram(0);
            note("after end");
        }
    };
    static std::function<void()> body;
    body = [&] {
        ++entryCalls;
        rt::loadWindow(kOwner);
        rt::loadWindow(kOwned, kOwner);
        rt::propertyWrite(kOwner, kOwnerTimer, property::kPeriod, 200);
        rt::runMessageLoop();
    };
    seen.clear();
    const int exitCode = love::platform::headless::runToExit([&] {
        runtime.runProcess([] {
            body();
            return 0;
        });
    });
    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(entryCalls, 1);
    EXPECT_EQ(exitRoutineCalls, 1);
    EXPECT_EQ(seen, (std::vector<std::string>{"created0", "position0", "size0", "created1", "tick0"}));
    EXPECT_EQ(platform.now(), 200u);
    EXPECT_EQ(count(Kind::Destroy, 1), 0u);  // the windows are left to the process's end
}

TEST_F(RuntimeTest, TheLoopEndingWithTheLastWindowEndsWithExitCodeZero) {
    const int exitCode = love::platform::headless::runToExit([&] {
        runtime.runProcess([] {
            rt::loadWindow(kOwner);
            rt::runtime().platform().sleep(0);
            static_cast<HeadlessPlatform&>(rt::runtime().platform()).scheduleEscape(5);
            rt::runMessageLoop();
            return 0;
        });
    });
    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(exitRoutineCalls, 1);
    EXPECT_EQ(seen.back(), "destroyed0");
}

struct ReportCase {
    int code;
    std::u32string message;
};

class ErrorReport : public RuntimeTest, public ::testing::WithParamInterface<ReportCase> {};

TEST_P(ErrorReport, IsComposedByteForByteAndEndsWithMinusOne) {
    const ReportCase c = GetParam();
    const Report report = ending([&] {
        if (c.code == 0) {
            rt::raiseErrorReport(
                0, "\xD4\xD8\xC8\xEB\xC6\xF4\xB6\xAF\xB4\xB0\xBF\xDA\xCA\xA7\xB0\xDC");  // 载入启动窗口失败
        } else {
            rt::raiseErrorReport(c.code);
        }
    });
    EXPECT_EQ(report.exitCode, -1);
    EXPECT_EQ(report.text, c.message);
    EXPECT_EQ(report.title, U"错误");
    EXPECT_EQ(report.style, 0x10u);  // OK with the stop icon, not task-modal
    EXPECT_EQ(exitRoutineCalls, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Codes, ErrorReport,
    ::testing::Values(
        ReportCase{1, U"运行时出错!\r\n\r\n错误代码：1\r\n\r\n错误信息：数组成员引用下标超出定义范围\r\n"},
        ReportCase{4, U"运行时出错!\r\n\r\n错误代码：4\r\n\r\n错误信息：数组成员引用下标必须大于等于1\r\n"},
        ReportCase{6, U"运行时出错!\r\n\r\n错误代码：6\r\n\r\n错误信息：调用DLL命令后发现堆栈错误\r\n"},
        ReportCase{0, U"运行时出错!\r\n\r\n错误信息：载入启动窗口失败\r\n"}));

TEST_F(RuntimeTest, ReportsForWindowsThatAreNotThere) {
    const std::u32string prefix = U"运行时出错!\r\n\r\n错误信息：";
    EXPECT_EQ(ending([&] { runtime.destroy(kOwned); }).text, prefix + U"指定窗口或窗口组件不存在或尚未载入\r\n");
    EXPECT_EQ(ending([&] { runtime.nativeHandle(kOwned); }).text, prefix + U"指定窗口或窗口组件不存在或尚未载入\r\n");
    EXPECT_EQ(ending([&] { runtime.propertyWrite(rt::WindowId{9}, 0, property::kLeft, 1); }).text,
              prefix + U"未载入欲访问窗口组件所在的窗口\r\n");
    EXPECT_EQ(ending([&] { runtime.propertyWrite(kHidden, 0, property::kPosition, 1); }).text,
              prefix + U"指定窗口尚未载入\r\n");
    EXPECT_EQ(ending([&] { runtime.loadStartWindow(rt::WindowId{9}); }).text, prefix + U"载入启动窗口失败\r\n");
}

TEST(RuntimeStart, ABindingToAHandlerTheProgramLacksMakesTheDescriptionsUnreadable) {
    HeadlessPlatform platform;
    rt::Runtime runtime{platform,
                        rt::ProgramDeclarations{.windows = windows(), .handlers = std::span(kHandlers).first(3)}};
    EXPECT_EQ(love::platform::headless::runToExit([&] { runtime.initialise(); }), -1);
    ASSERT_EQ(platform.messageBoxes().size(), 1u);
    EXPECT_EQ(platform.decodeGbk(platform.messageBoxes()[0].text),
              U"运行时出错!\r\n\r\n错误信息：载入窗口模板数据段出错!\r\n");
}

TEST_F(RuntimeTest, ReseedReadsTheVirtualClock) {
    platform.setStartTick(1000);
    rt::reseed();
    EXPECT_EQ(runtime.randomGenerator().state(), 1000u);
    EXPECT_EQ(rt::random(1, 66), 5);
    rt::reseed();  // the same millisecond
    EXPECT_EQ(rt::random(1, 66), 33);
}

struct RangeCase {
    std::int32_t number;
    std::int32_t value;
    std::int32_t stored;
};

class PropertyRange : public RuntimeTest, public ::testing::WithParamInterface<RangeCase> {};

TEST_P(PropertyRange, IsBroughtIntoRangeStoredAndAppliedToTheLiveWindow) {
    const RangeCase c = GetParam();
    ASSERT_TRUE(runtime.loadWindow(kOwner));
    runtime.propertyWrite(kOwner, rt::kWindowUnit, c.number, c.value);
    EXPECT_EQ(runtime.storedProperty(kOwner, rt::kWindowUnit, c.number), c.stored);
    const Rect r = platform.rect(runtime.nativeHandle(kOwner));
    const std::array<std::int32_t, 4> live = {r.x, r.y, r.width, r.height};
    EXPECT_EQ(live[static_cast<std::size_t>(c.number)], c.stored);
}

INSTANTIATE_TEST_SUITE_P(Cases, PropertyRange,
                         ::testing::Values(RangeCase{property::kLeft, -40000, -32627},
                                           RangeCase{property::kLeft, 40000, 32627},
                                           RangeCase{property::kTop, -32627, -32627}, RangeCase{property::kTop, 77, 77},
                                           RangeCase{property::kWidth, -5, 0},
                                           RangeCase{property::kWidth, 32628, 32627},
                                           RangeCase{property::kHeight, 0, 0}, RangeCase{property::kHeight, 123, 123}));

TEST_F(RuntimeTest, CommonPropertiesOfAnUnloadedWindowAreUsedByItsNextLoad) {
    runtime.propertyWrite(kOwner, rt::kWindowUnit, property::kWidth, 111);
    ASSERT_TRUE(runtime.loadWindow(kOwner));
    EXPECT_EQ(platform.rect(runtime.nativeHandle(kOwner)), (Rect{10, 20, 111, 200}));
}

TEST_F(RuntimeTest, PositionWritesAreClampedAndAHiddenWindowOnlyKeepsThem) {
    ASSERT_TRUE(runtime.loadWindow(kHidden));
    const std::size_t before = platform.windowLog().size();
    for (const auto& [written, stored] : {std::pair{7, 3}, std::pair{-1, 0}, std::pair{3, 3}}) {
        runtime.propertyWrite(kHidden, rt::kWindowUnit, property::kPosition, written);
        EXPECT_EQ(runtime.livePosition(kHidden), stored);
    }
    EXPECT_EQ(platform.windowLog().size(), before);  // nothing moved or shown
}

TEST_F(RuntimeTest, PlatformFunctionsResolveOnceInUser32AndKeepOnlyIt) {
    ASSERT_TRUE(runtime.loadWindow(kOwner));
    const NativeHandle handle = runtime.nativeHandle(kOwner);
    EXPECT_EQ(rt::callPlatformFunction(0, handle, -20), 0);
    EXPECT_EQ(platform.librariesLoaded(), 1u);
    EXPECT_EQ(rt::callPlatformFunction(3, handle, -20, 0x00080000), 0);  // a named library, any case
    EXPECT_EQ(rt::callPlatformFunction(0, handle, -20), 0x00080000);
    EXPECT_EQ(platform.librariesLoaded(), 2u);
}

TEST_F(RuntimeTest, PlatformFunctionFailures) {
    const std::u32string prefix = U"运行时出错!\r\n\r\n";
    EXPECT_EQ(ending([&] { rt::callPlatformFunction(0, 1u, -20, 0); }).text,
              prefix + U"错误代码：6\r\n\r\n错误信息：调用DLL命令后发现堆栈错误\r\n");
    EXPECT_EQ(ending([&] { rt::callPlatformFunction(1, 1u); }).text,
              prefix + U"错误信息：无法找到指定DLL库文件中的输出命令“NoSuchFunction”\r\n");
    EXPECT_EQ(platform.librariesLoaded(), 0u);  // the ones tried are released again
    EXPECT_EQ(ending([&] { rt::callPlatformFunction(2, 1u); }).text,
              prefix + U"错误信息：无法找到指定DLL库文件中的输出命令“#5”\r\n");
    EXPECT_EQ(ending([&] { rt::callPlatformFunction(4, 1u); }).text,
              prefix + U"错误信息：无法找到指定DLL库文件“Nope.dll”中的输出命令“X”\r\n");
    EXPECT_EQ(platform.librariesLoaded(), 0u);
}

TEST_F(RuntimeTest, MessageBoxMapsTheButtonAndAddsTheTaskModalFlag) {
    const std::vector<std::pair<int, std::int32_t>> mapping = {{1, 0}, {2, 1}, {3, 2}, {4, 3},  {5, 4},
                                                               {6, 5}, {7, 6}, {0, 0}, {10, 0}, {-1, 0}};
    std::vector<int> answers;
    for (const auto& [id, result] : mapping) answers.push_back(id);
    platform.scriptMessageBoxAnswers(answers);
    for (const auto& [id, result] : mapping) EXPECT_EQ(rt::messageBox("a", 4, "t"), result) << "button id " << id;

    rt::messageBox("plain");
    rt::messageBox("system", 0x1000);
    const auto& boxes = platform.messageBoxes();
    EXPECT_EQ(boxes[0].style, 0x2004u);
    EXPECT_EQ(boxes[0].title, "t");
    EXPECT_EQ(boxes[mapping.size()].style, 0x2000u);
    EXPECT_EQ(platform.decodeGbk(boxes[mapping.size()].title), U"信息：");
    EXPECT_EQ(boxes[mapping.size() + 1].style, 0x1000u);
}

TEST_F(RuntimeTest, TheScreenSizeIsReadAfreshAtEveryCall) {
    platform.setScreenSize({800, 600});
    EXPECT_EQ(rt::screenWidth(), 800);
    platform.setScreenSize({1366, 768});
    EXPECT_EQ(rt::screenWidth(), 1366);
    EXPECT_EQ(rt::screenHeight(), 768);
}

TEST_F(RuntimeTest, DelayAdvancesTheClockAndHandlesNoMessage) {
    ASSERT_TRUE(runtime.loadWindow(kOwner));
    runtime.propertyWrite(kOwner, kOwnerTimer, property::kPeriod, 10);
    seen.clear();
    rt::delay(-5);
    rt::delay(0);
    EXPECT_EQ(platform.now(), 0u);
    rt::delay(2000);
    EXPECT_EQ(platform.now(), 2000u);
    EXPECT_TRUE(seen.empty());
}

}  // namespace
