// The Windows backend against a real window system (Wine's, in the test stage). The system's
// own functions are reached the way the program reaches them: through platform-function calls.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/platform.h"

using namespace love::platform;

// A function that takes its arguments off the stack itself, as 32-bit stdcall functions do:
// the one way a call can come back with the stack moved under the x64 convention.
asm(".text\n"
    ".globl love_test_pops_eight\n"
    "love_test_pops_eight:\n"
    "    mov $7, %eax\n"
    "    ret $8\n");
extern "C" void love_test_pops_eight();

namespace {

constexpr std::uint32_t kExStyleIndex = static_cast<std::uint32_t>(-20);  // GWL_EXSTYLE
constexpr std::uint32_t kStyleIndex = static_cast<std::uint32_t>(-16);    // GWL_STYLE
constexpr std::uint32_t kToolWindow = 0x00000080;
constexpr std::uint32_t kClientEdge = 0x00000200;
constexpr std::uint32_t kLayered = 0x00080000;
constexpr std::uint32_t kPopup = 0x80000000;
constexpr std::uint32_t kCaption = 0x00C00000;
constexpr std::uint32_t kThickFrame = 0x00040000;
constexpr std::uint32_t kDisabled = 0x08000000;
constexpr std::uint32_t kClipChildren = 0x02000000;

struct Event {
    std::string kind;
    NativeHandle handle = 0;
    std::uint32_t value = 0;
    Rect area;
};

class RecordingSink final : public EventSink {
public:
    void closeRequested(NativeHandle window, CloseCause cause) override {
        events.push_back({"close", window, static_cast<std::uint32_t>(cause), {}});
    }
    void destroyRequested(NativeHandle window) override { events.push_back({"destroy", window, 0, {}}); }
    void timerTicked(NativeHandle window, std::uint32_t timerId) override {
        events.push_back({"timer", window, timerId, {}});
    }
    void paintRequested(NativeHandle handle, Rect area) override { events.push_back({"paint", handle, 0, area}); }
    void moved(NativeHandle window) override { events.push_back({"moved", window, 0, {}}); }
    void resized(NativeHandle window) override { events.push_back({"resized", window, 0, {}}); }
    [[noreturn]] void platformEnded(int exitCode) override { std::exit(exitCode); }

    int count(const std::string& kind) const {
        int n = 0;
        for (const Event& e : events) n += e.kind == kind;
        return n;
    }
    const Event* first(const std::string& kind) const {
        for (const Event& e : events) {
            if (e.kind == kind) return &e;
        }
        return nullptr;
    }
    std::vector<Event> events;
};

class Win32BackendTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform = createPlatform();
        platform->setEventSink(&sink);
        user32 = platform->loadLibrary("User32.dll");
        ASSERT_NE(user32, 0u);
    }
    void TearDown() override {
        platform->freeLibrary(user32);
        platform.reset();
    }

    std::uint32_t call(const char* name, std::vector<std::uint32_t> args, LibraryHandle library = 0) {
        const FunctionHandle function = platform->findFunction(library ? library : user32, name);
        EXPECT_NE(function, 0u) << name;
        const CallResult result = platform->callFunction(function, args);
        EXPECT_TRUE(result.balanced) << name;
        return result.value;
    }

    NativeHandle makeWindow(Rect rect, WindowStyle style = {}, NativeHandle owner = 0) {
        WindowSpec windowSpec;
        windowSpec.title = "\xC7\xD7\xB0\xAE\xB5\xC4";  // 亲爱的
        windowSpec.rect = rect;
        windowSpec.style = style;
        windowSpec.owner = owner;
        return platform->createWindow(windowSpec);
    }

    // Handles what the queue holds now, and what arrives until the predicate holds.
    template <typename Predicate>
    bool pumpUntil(Predicate done, int timeoutMs = 3000) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (!done()) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            platform->dispatchPending();
            if (!done()) platform->sleep(5);
        }
        return true;
    }

    RecordingSink sink;
    std::unique_ptr<Platform> platform;
    LibraryHandle user32 = 0;
};

TEST_F(Win32BackendTest, ZeroSizeToolWindowExistsAndKeepsItsSize) {
    WindowStyle tool;
    tool.toolWindow = true;
    const NativeHandle owner = makeWindow({0, 0, 0, 0}, tool);
    ASSERT_NE(owner, 0u);
    EXPECT_EQ(platform->rect(owner), (Rect{0, 0, 0, 0}));
    EXPECT_EQ(platform->pixels(owner).width, 0);
    EXPECT_NE(call("GetWindowLongA", {owner, kExStyleIndex}) & kToolWindow, 0u);
    // And it can own a window, as the hidden owner of windows kept out of the taskbar.
    const NativeHandle owned = makeWindow({10, 20, 300, 200}, {}, owner);
    ASSERT_NE(owned, 0u);
    EXPECT_EQ(call("GetWindow", {owned, 4 /* GW_OWNER */}), owner);
}

TEST_F(Win32BackendTest, IconPixelsBecomeTheLargeAndSmallIcon) {
    const std::vector<std::uint32_t> argb(48 * 48, 0xFFE0105A);
    WindowSpec windowSpec;
    windowSpec.rect = {0, 0, 100, 100};
    windowSpec.icon = IconPixels{48, 48, argb};
    const NativeHandle window = platform->createWindow(windowSpec);
    ASSERT_NE(window, 0u);
    EXPECT_NE(call("SendMessageA", {window, 0x007F /* WM_GETICON */, 1 /* ICON_BIG */, 0}), 0u);
    EXPECT_NE(call("SendMessageA", {window, 0x007F, 0 /* ICON_SMALL */, 0}), 0u);
    // Too few pixels for the size: no icon from them, and no crash.
    windowSpec.icon = IconPixels{48, 48, std::span(argb).first(10)};
    EXPECT_NE(platform->createWindow(windowSpec), 0u);
}

TEST_F(Win32BackendTest, StylesReachTheWindow) {
    struct Case {
        WindowStyle style;
        std::uint32_t styleBits;
        std::uint32_t exStyleBits;
    };
    WindowStyle framed;
    framed.caption = framed.dialogFrame = framed.sizingFrame = framed.clientEdge = true;
    WindowStyle disabled;
    disabled.disabled = true;
    const Case cases[] = {
        {{}, kPopup | kClipChildren, 0},
        {framed, kCaption | kThickFrame | kClipChildren, kClientEdge},
        {disabled, kPopup | kDisabled, 0},
    };
    for (const Case& c : cases) {
        const NativeHandle window = makeWindow({50, 60, 400, 300}, c.style, makeWindow({0, 0, 0, 0}));
        ASSERT_NE(window, 0u);
        EXPECT_EQ(call("GetWindowLongA", {window, kStyleIndex}) & c.styleBits, c.styleBits);
        EXPECT_EQ(call("GetWindowLongA", {window, kExStyleIndex}) & c.exStyleBits, c.exStyleBits);
        // Whatever the frame, the outer size is exactly the one asked for.
        EXPECT_EQ(platform->rect(window), (Rect{50, 60, 400, 300}));
        EXPECT_FALSE(platform->isVisible(window));
    }
}

TEST_F(Win32BackendTest, LayeredColourKeyThroughPlatformFunctions) {
    const NativeHandle window = makeWindow({0, 0, 640, 480});
    ASSERT_NE(window, 0u);
    const std::uint32_t exStyle = call("GetWindowLongA", {window, kExStyleIndex});
    call("SetWindowLongA", {window, kExStyleIndex, exStyle | kLayered});
    EXPECT_NE(call("GetWindowLongA", {window, kExStyleIndex}) & kLayered, 0u);
    EXPECT_NE(call("SetLayeredWindowAttributes", {window, 0x00FFFFFF, 200, 1}), 0u);
}

TEST_F(Win32BackendTest, CallsPassSignedArgumentsAndManyOfThem) {
    const LibraryHandle kernel32 = platform->loadLibrary("Kernel32.dll");
    ASSERT_NE(kernel32, 0u);
    // MulDiv(int, int, int): negative ints must arrive as negative ints.
    EXPECT_EQ(static_cast<std::int32_t>(call("MulDiv", {static_cast<std::uint32_t>(-20), 3, 2}, kernel32)), -30);
    // Arguments not given arrive as zero: MulDiv by zero gives -1, not a quotient of stale values.
    EXPECT_EQ(static_cast<std::int32_t>(call("MulDiv", {6, 7}, kernel32)), -1);
    EXPECT_EQ(call("GetTickCount", {}, kernel32) / 1000, platform->tickCount() / 1000);
    platform->freeLibrary(kernel32);

    // SetWindowPos takes seven arguments: three of them on the stack.
    const NativeHandle window = makeWindow({0, 0, 100, 100});
    EXPECT_NE(call("SetWindowPos", {window, 0, 30, 40, 123, 77, 0x0014 /* NOZORDER | NOACTIVATE */}), 0u);
    EXPECT_EQ(platform->rect(window), (Rect{30, 40, 123, 77}));
    // Negative coordinates, sign-extended like every argument.
    call("SetWindowPos", {window, 0, static_cast<std::uint32_t>(-5), static_cast<std::uint32_t>(-7), 50, 60, 0x0014});
    EXPECT_EQ(platform->rect(window), (Rect{-5, -7, 50, 60}));
}

TEST_F(Win32BackendTest, CallThatMovesTheStackIsReportedUnbalanced) {
    const auto function = reinterpret_cast<FunctionHandle>(&love_test_pops_eight);
    const std::uint32_t args[] = {1, 2, 3, 4, 5, 6};
    const CallResult result = platform->callFunction(function, args);
    EXPECT_FALSE(result.balanced);
    EXPECT_EQ(result.value, 7u);
    // And the caller's own stack is intact afterwards.
    EXPECT_TRUE(platform->callFunction(platform->findFunction(user32, "GetDesktopWindow"), {}).balanced);
}

TEST_F(Win32BackendTest, LookupsThatFindNothingGiveZero) {
    EXPECT_EQ(platform->loadLibrary("NoSuchLibrary.dll"), 0u);
    EXPECT_EQ(platform->findFunction(user32, "NoSuchFunction"), 0u);
    EXPECT_EQ(platform->findFunction(user32, ""), 0u);
    EXPECT_EQ(platform->findOrdinal(user32, 0), 0u);
    EXPECT_EQ(platform->findOrdinal(user32, 0x10000), 0u);
    EXPECT_EQ(platform->findFunction(0, "GetWindowLongA"), 0u);
}

TEST_F(Win32BackendTest, PresentedPixelsAreOnTheWindow) {
    const NativeHandle window = makeWindow({100, 100, 200, 150});
    const NativeHandle surface = platform->createSurface(window, {10, 20, 120, 80}, true);
    ASSERT_NE(surface, 0u);
    EXPECT_EQ(platform->rect(surface), (Rect{10, 20, 120, 80}));
    platform->show(window, ShowCommand::Normal);
    EXPECT_TRUE(platform->isVisible(window));
    PixelView view = platform->pixels(surface);
    ASSERT_EQ(view.width, 120);
    ASSERT_EQ(view.height, 80);
    for (std::int32_t y = 0; y < view.height; ++y) {
        for (std::int32_t x = 0; x < view.width; ++x) view.at(x, y) = x < 60 ? 0x00FF0000 : 0x000000FF;
    }
    platform->present(surface, {0, 0, 120, 80});
    // Partly outside the surface: only the inside is presented, nothing breaks.
    platform->present(surface, {100, 70, 500, 500});
    platform->presentFill(surface, {-10, -10, 20, 20}, 0x0000FF00);

    const std::uint32_t dc = call("GetDC", {surface});
    ASSERT_NE(dc, 0u);
    const LibraryHandle gdi32 = platform->loadLibrary("Gdi32.dll");
    // GetPixel answers in 0x00BBGGRR.
    EXPECT_EQ(call("GetPixel", {dc, 30, 40}, gdi32), 0x000000FFu);
    EXPECT_EQ(call("GetPixel", {dc, 90, 40}, gdi32), 0x00FF0000u);
    EXPECT_EQ(call("GetPixel", {dc, 5, 5}, gdi32), 0x0000FF00u);
    call("ReleaseDC", {surface, dc});
    platform->freeLibrary(gdi32);
}

TEST_F(Win32BackendTest, QueueDeliversRequestsAndKeepsQuitForTheLoop) {
    const NativeHandle window = makeWindow({0, 0, 50, 50});
    platform->postDestroyRequest(window);
    platform->postQuit();
    platform->dispatchPending();
    ASSERT_EQ(sink.count("destroy"), 1);
    EXPECT_EQ(sink.first("destroy")->handle, window);
    platform->dispatchPending();  // the quit request is still waiting, untouched
    EXPECT_FALSE(platform->waitAndDispatch());
}

TEST_F(Win32BackendTest, CloseBoxAndEscapeBecomeCloseRequestsWithoutDestroying) {
    const NativeHandle window = makeWindow({0, 0, 200, 200});
    const NativeHandle surface = platform->createSurface(window, {0, 0, 100, 100}, true);
    call("PostMessageA", {window, 0x0010 /* WM_CLOSE */, 0, 0});
    call("PostMessageA", {surface, 0x0100 /* WM_KEYDOWN */, 0x1B /* VK_ESCAPE */, 0});
    ASSERT_TRUE(pumpUntil([&] { return sink.count("close") == 2; }));
    EXPECT_EQ(sink.events[0].kind, "close");
    EXPECT_EQ(sink.first("close")->value, static_cast<std::uint32_t>(CloseCause::CloseBox));
    const Event& escape =
        *std::find_if(sink.events.rbegin(), sink.events.rend(), [](const Event& e) { return e.kind == "close"; });
    EXPECT_EQ(escape.handle, window);  // the top-level window, not the surface with the focus
    EXPECT_EQ(escape.value, static_cast<std::uint32_t>(CloseCause::EscapeKey));
    EXPECT_NE(call("IsWindow", {window}), 0u);
}

TEST_F(Win32BackendTest, TimerTicksAfterItsPeriodAndStops) {
    const NativeHandle window = makeWindow({0, 0, 50, 50});
    platform->startTimer(window, 7, 20);
    ASSERT_TRUE(pumpUntil([&] { return sink.count("timer") >= 1; }));
    EXPECT_EQ(sink.first("timer")->handle, window);
    EXPECT_EQ(sink.first("timer")->value, 7u);
    platform->stopTimer(window, 7);
    sink.events.clear();
    platform->sleep(60);
    platform->dispatchPending();
    EXPECT_EQ(sink.count("timer"), 0);
}

TEST_F(Win32BackendTest, ShowingAsksForPaintAndOurMovesAreNotReported) {
    const NativeHandle window = makeWindow({0, 0, 300, 200});
    platform->show(window, ShowCommand::Normal);
    ASSERT_TRUE(pumpUntil([&] { return sink.count("paint") >= 1; }));
    EXPECT_EQ(sink.first("paint")->handle, window);
    EXPECT_EQ(sink.first("paint")->area, (Rect{0, 0, 300, 200}));
    platform->setRect(window, {10, 10, 400, 250});
    platform->dispatchPending();
    EXPECT_EQ(sink.count("moved") + sink.count("resized"), 0);
    EXPECT_EQ(platform->pixels(window).width, 400);
    EXPECT_EQ(platform->pixels(window).height, 250);
    platform->show(window, ShowCommand::Hide);
    EXPECT_FALSE(platform->isVisible(window));
}

TEST_F(Win32BackendTest, DestroyTakesOwnedWindowsAlong) {
    const NativeHandle owner = makeWindow({0, 0, 0, 0});
    const NativeHandle owned = makeWindow({0, 0, 100, 100}, {}, owner);
    const NativeHandle surface = platform->createSurface(owned, {0, 0, 10, 10}, true);
    platform->destroy(owner);
    EXPECT_EQ(call("IsWindow", {owned}), 0u);
    EXPECT_EQ(platform->pixels(surface).pixels, nullptr);  // forgotten, not dangling
    EXPECT_EQ(platform->createSurface(owned, {0, 0, 10, 10}, true), 0u);
}

TEST_F(Win32BackendTest, ScreenAndSystemColour) {
    const Size screen = platform->screenSize();
    EXPECT_EQ(screen.width, static_cast<std::int32_t>(call("GetSystemMetrics", {0})));
    EXPECT_EQ(screen.height, static_cast<std::int32_t>(call("GetSystemMetrics", {1})));
    const std::uint32_t bgr = call("GetSysColor", {15 /* COLOR_BTNFACE */});
    const std::uint32_t rgb = ((bgr & 0xFF) << 16) | (bgr & 0xFF00) | ((bgr >> 16) & 0xFF);
    EXPECT_EQ(platform->buttonFaceColour(), rgb);
    EXPECT_FALSE(platform->programFolder().empty());
}

TEST_F(Win32BackendTest, GbkDecodesThroughCodePage936) {
    struct Case {
        std::string gbk;
        std::u32string expected;
    };
    const Case cases[] = {
        {"\xC7\xD7\xB0\xAE\xB5\xC4", U"\u4EB2\u7231\u7684"},  // 亲爱的
        {"I love you!", U"I love you!"},
        {"\xC7", U"\uFFFD"},  // a lead byte cut off at the end
        {"\xC7\x20"
         "a",
         U"\uFFFD a"},  // a lead byte before a byte that cannot follow it
        {"\xFF"
         "b",
         U"\uFFFDb"},
        {"", U""},
    };
    for (const Case& c : cases) EXPECT_EQ(platform->decodeGbk(c.gbk), c.expected) << c.gbk;
}

TEST_F(Win32BackendTest, KaiFontRendersOneBitLinesOfTheCellHeight) {
    FontRequest request;
    request.face = "\xBF\xAC\xCC\xE5_GB2312";  // 楷体_GB2312
    request.height = -56;
    request.charset = 134;
    request.quality = 1;
    request.pitchAndFamily = 1 | 48;
    const auto font = platform->createFont(request);
    ASSERT_NE(font, nullptr);
    // A Chinese face's own cell, not a Latin face's taller one with borrowed glyphs: the Kai
    // faces have no internal leading, so the cell is the character height.
    EXPECT_EQ(font->cellHeight(), 56);

    const TextMask line = font->render("\xC7\xD7\xB0\xAE");  // 亲爱
    EXPECT_EQ(line.height, font->cellHeight());
    EXPECT_EQ(line.width, 2 * 56);  // CJK characters advance by their height
    ASSERT_EQ(line.coverage.size(), static_cast<std::size_t>(line.width) * static_cast<std::size_t>(line.height));
    int set = 0;
    for (const std::uint8_t c : line.coverage) {
        ASSERT_LE(c, 1);
        set += c;
    }
    EXPECT_GT(set, 200);  // a CJK face, not empty boxes or nothing

    const TextMask empty = font->render("");
    EXPECT_EQ(empty.width, 0);
    EXPECT_EQ(empty.height, font->cellHeight());
    EXPECT_TRUE(empty.coverage.empty());
}

TEST_F(Win32BackendTest, AudioPlaysBuffersAndResetReturnsTheRest) {
    if (!platform->hasAudioOutput()) GTEST_SKIP() << "no audio device";
    // 16-byte PCM "fmt " body: 1 channel, 22050 Hz, 16 bits.
    const std::uint8_t format[16] = {1, 0, 1, 0, 0x22, 0x56, 0, 0, 0x44, 0xAC, 0, 0, 2, 0, 16, 0};
    std::mutex lock;
    std::condition_variable changed;
    std::vector<AudioBuffer*> done;
    auto output = platform->openAudio(format, [&](AudioBuffer& buffer) {
        std::lock_guard guard(lock);
        done.push_back(&buffer);
        changed.notify_all();
    });
    ASSERT_NE(output, nullptr);
    std::vector<std::uint8_t> samples(4410, 0);  // 0.1 s
    AudioBuffer buffers[3];
    for (AudioBuffer& b : buffers) {
        b.data = samples.data();
        b.length = static_cast<std::uint32_t>(samples.size());
        ASSERT_TRUE(output->prepare(b));
        EXPECT_TRUE(b.prepared);
    }
    ASSERT_TRUE(output->write(buffers[0]));
    {
        std::unique_lock guard(lock);
        ASSERT_TRUE(changed.wait_for(guard, std::chrono::seconds(5), [&] { return !done.empty(); }));
        EXPECT_EQ(done[0], &buffers[0]);
    }
    output->pause();
    ASSERT_TRUE(output->write(buffers[1]));
    ASSERT_TRUE(output->write(buffers[2]));
    output->reset();  // paused: nothing has played, both come back now
    {
        std::unique_lock guard(lock);
        EXPECT_TRUE(changed.wait_for(guard, std::chrono::seconds(2), [&] { return done.size() == 3; }));
    }
    for (AudioBuffer& b : buffers) {
        EXPECT_TRUE(output->unprepare(b));
        EXPECT_FALSE(b.prepared);
    }
    EXPECT_EQ(platform->openAudio(std::span(format, 10), [](AudioBuffer&) {}), nullptr);
}

}  // namespace
