// The program from its start to the first tick of the show timer, on the headless backend.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <ostream>

#include "platform/headless/headless_platform.h"
#include "runtime/runtime.h"
#include "show/globals.h"
#include "show/program.h"
#include "windows/descriptions.h"

namespace {

using love::platform::NativeHandle;
using love::platform::Rect;
using love::platform::ShowCommand;
using love::platform::headless::HeadlessPlatform;
using love::platform::headless::WindowOperation;
using Kind = WindowOperation::Kind;

// Notes when music starts, as a position in the platform's window log.
class RecordingMedia final : public love::runtime::MediaServices {
public:
    explicit RecordingMedia(const HeadlessPlatform& platform) : platform_(platform) {}
    struct Start {
        NativeHandle window;
        std::size_t logPosition;
        std::size_t bytes;
        std::int32_t playCount;
    };
    std::vector<Start> starts;
    std::vector<NativeHandle> stopped;
    int stopAllWaited = 0;

    void startMusic(NativeHandle window, std::span<const std::uint8_t> music, std::int32_t playCount) override {
        starts.push_back({window, platform_.windowLog().size(), music.size(), playCount});
    }
    void stopMusic(NativeHandle window) override { stopped.push_back(window); }
    void stopAllMusic(bool wait) override { stopAllWaited += wait ? 1 : 0; }
    void paintBackground(NativeHandle, love::platform::PixelView, Rect, std::span<const std::uint8_t>, std::int32_t,
                         std::uint32_t) override {}
    void forgetWindow(NativeHandle) override {}

private:
    const HeadlessPlatform& platform_;
};

// Notes the virtual time at which the show's first act (or the end) came, and the exit code.
class FirstActTrace final : public love::runtime::DrawingTrace {
public:
    explicit FirstActTrace(const HeadlessPlatform& platform) : platform_(platform) {}
    std::optional<std::uint64_t> firstActAt;
    int endedWith = 1234;
    void pictureDrawn(std::uint32_t, std::int32_t, std::int32_t) override { act(); }
    void writePositionSet(std::int32_t, std::int32_t) override { act(); }
    void lineWritten(std::int32_t, std::int32_t, std::string_view) override { act(); }
    void cleared(std::int32_t, std::int32_t, std::int32_t, std::int32_t) override { act(); }
    void delayed(std::int32_t) override { act(); }
    void programEnded(int exitCode) override {
        act();
        endedWith = exitCode;
    }
    void act() {
        if (!firstActAt) firstActAt = platform_.now();
    }

private:
    const HeadlessPlatform& platform_;
};

struct Run {
    int exitCode;
    std::vector<WindowOperation> log;
};

std::size_t indexOf(const std::vector<WindowOperation>& log, Kind kind, NativeHandle handle, std::size_t from = 0) {
    for (std::size_t i = from; i < log.size(); ++i) {
        if (log[i].kind == kind && log[i].handle == handle) return i;
    }
    return log.size();
}

std::vector<WindowOperation> creations(const std::vector<WindowOperation>& log) {
    std::vector<WindowOperation> created;
    std::copy_if(log.begin(), log.end(), std::back_inserter(created),
                 [](const WindowOperation& op) { return op.kind == Kind::Create || op.kind == Kind::CreateSurface; });
    return created;
}

struct ScreenCase {
    const char* name;
    std::int32_t width, height;
    Rect startWindow;  // as built and as shown
    Rect showWindowBuilt;
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const ScreenCase& c, std::ostream* out) { *out << c.name << ' ' << c.width << 'x' << c.height; }

class StartUp : public ::testing::TestWithParam<ScreenCase> {};

TEST_P(StartUp, OpensTheThreeWindowsInOrderAndStartsTheShowTimer) {
    const ScreenCase screen = GetParam();
    HeadlessPlatform platform;
    platform.setScreenSize({screen.width, screen.height});
    RecordingMedia media(platform);
    // The entry routine's steps up to its message loop.
    love::runtime::Runtime process(platform, love::show::programDeclarations(), &media);
    love::runtime::initialiseRuntime();
    love::runtime::loadStartWindow(love::windows::kStartWindow);
    const auto& log = platform.windowLog();

    // Start window, show window (owned by it), its board, then the photo window (owned by it).
    const std::vector<WindowOperation> created = creations(log);
    ASSERT_GE(created.size(), 4u);
    const NativeHandle start = created[0].handle, show = created[1].handle, board = created[2].handle,
                       photo = created[3].handle;
    EXPECT_EQ(created[0].kind, Kind::Create);
    EXPECT_EQ(created[0].windowSpec.owner, 0u);
    EXPECT_EQ(created[0].rect, screen.startWindow);
    EXPECT_EQ(created[0].windowSpec.style, love::platform::WindowStyle{});  // no frame, no title
    EXPECT_EQ(created[1].windowSpec.owner, start);
    EXPECT_EQ(created[1].rect, screen.showWindowBuilt);
    EXPECT_EQ(created[2].kind, Kind::CreateSurface);
    EXPECT_EQ(created[2].parent, show);
    EXPECT_EQ(created[2].rect, (Rect{0, 0, 96, 56}));
    EXPECT_EQ(created[3].windowSpec.owner, start);

    // The music starts once the show window exists and before its board (and so its events).
    ASSERT_EQ(media.starts.size(), 1u);
    EXPECT_EQ(media.starts[0].window, show);
    EXPECT_EQ(media.starts[0].playCount, 0);
    EXPECT_GT(media.starts[0].logPosition, indexOf(log, Kind::Create, show));
    EXPECT_LE(media.starts[0].logPosition, indexOf(log, Kind::CreateSurface, board));

    // The created handler's board writes: left, top, width, height, in that order.
    std::vector<Rect> boardRects;
    for (const WindowOperation& op : log) {
        if (op.kind == Kind::SetRect && op.handle == board) boardRects.push_back(op.rect);
    }
    const std::vector<Rect> expectedBoard = {
        {0, 0, 96, 56}, {0, 0, 96, 56}, {0, 0, screen.width, 56}, {0, 0, screen.width, screen.height}};
    EXPECT_EQ(boardRects, expectedBoard);

    // Colour-keyed on white through the layered style before the show window is first shown.
    const std::size_t keyed = indexOf(log, Kind::ColourKey, show);
    const std::size_t shown = indexOf(log, Kind::Show, show);
    ASSERT_LT(keyed, log.size());
    EXPECT_EQ(log[keyed].colorref, 0x00FFFFFFu);
    EXPECT_LT(keyed, shown);
    EXPECT_LT(keyed, indexOf(log, Kind::Create, photo));

    // Shown at (0, 0) with the screen's size and made active; the photo window never.
    ASSERT_LT(shown, log.size());
    EXPECT_EQ(log[shown].show, ShowCommand::Normal);
    const std::size_t fitted = indexOf(log, Kind::SetRect, show);
    ASSERT_LT(fitted, shown);
    EXPECT_EQ(log[fitted].rect, (Rect{0, 0, screen.width, screen.height}));
    EXPECT_LT(shown, indexOf(log, Kind::Activate, show));
    EXPECT_EQ(indexOf(log, Kind::Show, photo), log.size());
    EXPECT_GT(indexOf(log, Kind::Create, photo), indexOf(log, Kind::CreateSurface, board));

    // Then the start window, where it was built, after the show window; it ends up active.
    const std::size_t startShown = indexOf(log, Kind::Show, start);
    EXPECT_GT(startShown, indexOf(log, Kind::Activate, show));
    EXPECT_EQ(indexOf(log, Kind::SetRect, start), log.size());
    EXPECT_EQ(platform.rect(start), screen.startWindow);
    EXPECT_EQ(platform.activeWindow(), start);
    EXPECT_FALSE(platform.isVisible(photo));
}

INSTANTIATE_TEST_SUITE_P(Screens, StartUp,
                         ::testing::Values(ScreenCase{"FullHd", 1920, 1080, {960, 540, 0, 0}, {905, 506, 110, 67}},
                                           ScreenCase{"Wxga", 1366, 768, {683, 384, 0, 0}, {628, 350, 110, 67}}),
                         [](const auto& info) { return std::string(info.param.name); });

// The whole run: the show starts with the first tick, 200 ms after start-up, and the end releases
// everything and waits for the music.
TEST(StartUpRun, TheFirstTickComesAt200AndTheEndReleasesEverything) {
    HeadlessPlatform platform;
    platform.setScreenSize({800, 600});
    RecordingMedia media(platform);
    FirstActTrace trace(platform);
    int exitCode = 1;
    {
        love::runtime::Runtime process(platform, love::show::programDeclarations(), &media, &trace);
        exitCode = love::platform::headless::runToExit([&] { process.runProcess(&love::show::entryRoutine); });
    }
    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(trace.endedWith, 0);
    ASSERT_TRUE(trace.firstActAt.has_value());
    EXPECT_EQ(*trace.firstActAt, 200u);
    EXPECT_EQ(media.stopAllWaited, 1);
    EXPECT_TRUE(media.stopped.empty());  // ending destroys no window one by one
    EXPECT_EQ(platform.librariesLoaded(), 0u);
    EXPECT_EQ(love::show::outerXs.count(), 0u);  // the exit routine ran
}

TEST(StartUpTimer, ShowTimerStartsAt200AndTheBoardCoversTheScreen) {
    HeadlessPlatform platform;
    platform.setScreenSize({1024, 768});
    love::runtime::Runtime process(platform, love::show::programDeclarations());
    process.initialise();
    process.loadStartWindow(love::windows::kStartWindow);
    using love::windows::kShowWindow;
    EXPECT_TRUE(process.isLoaded(love::windows::kStartWindow));
    EXPECT_TRUE(process.isLoaded(kShowWindow));
    EXPECT_TRUE(process.isLoaded(love::windows::kPhotoWindow));
    EXPECT_EQ(process.timerPeriod(kShowWindow, love::windows::kShowTimer), 200);
    EXPECT_TRUE(process.timerRunning(kShowWindow, love::windows::kShowTimer));
    EXPECT_FALSE(process.timerRunning(love::windows::kStartWindow, love::windows::kStartTimer));
    EXPECT_EQ(process.livePosition(kShowWindow), 3);
    EXPECT_EQ(platform.rect(process.nativeHandle(kShowWindow, love::windows::kShowBoard)), (Rect{0, 0, 1024, 768}));
    EXPECT_EQ(platform.extendedStyle(process.nativeHandle(kShowWindow)) & 0x00080000u, 0x00080000u);
    EXPECT_EQ(love::show::outerXs.count(), 108u);
    EXPECT_EQ(love::show::scaleX, 21);

    // The first repaints after the windows appear: the board paints itself white all over.
    const NativeHandle board = process.nativeHandle(kShowWindow, love::windows::kShowBoard);
    platform.pixels(board).at(17, 700) = 0x00123456;
    platform.dispatchPending();
    const love::platform::PixelView pixels = platform.pixels(board);
    EXPECT_EQ(pixels.at(17, 700), 0x00FFFFFFu);
    EXPECT_EQ(pixels.at(1023, 767), 0x00FFFFFFu);
    const auto& shown = platform.presentations();
    EXPECT_TRUE(std::any_of(shown.begin(), shown.end(), [&](const love::platform::headless::Presentation& p) {
        return p.handle == board && p.area == Rect{0, 0, 1024, 768};
    }));
}

TEST(StartUpClose, EscBeforeTheFirstTickAsksTheQuestionsAfterTheOwnedWindowsAreGone) {
    HeadlessPlatform platform;
    platform.scheduleEscape(100);
    std::vector<bool> ownedGoneAtBox;
    std::vector<std::size_t> outerPointsAtBox;
    platform.onMessageBox([&](const love::platform::headless::MessageBoxRecord&) {
        const std::vector<NativeHandle> windows = platform.topLevelWindows();
        ownedGoneAtBox.push_back(windows.size() == 1);
        outerPointsAtBox.push_back(love::show::outerXs.count());
        return 6;  // IDYES
    });
    FirstActTrace trace(platform);
    int exitCode = 0;
    {
        love::runtime::Runtime process(platform, love::show::programDeclarations(), nullptr, &trace);
        exitCode = love::platform::headless::runToExit([&] { process.runProcess(&love::show::entryRoutine); });
    }
    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(*trace.firstActAt, 100u);  // ended by the close; the show never started
    ASSERT_EQ(platform.messageBoxes().size(), 3u);
    EXPECT_EQ(ownedGoneAtBox, (std::vector<bool>{true, true, true}));
    EXPECT_EQ(outerPointsAtBox, (std::vector<std::size_t>{108, 108, 108}));
    EXPECT_TRUE(platform.topLevelWindows().empty());
    EXPECT_EQ(love::show::outerXs.count(), 0u);
}

}  // namespace
