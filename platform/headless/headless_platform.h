// The in-memory backend: deterministic, with a virtual clock, for the unit tests and the trace
// tool. It keeps real state (windows, pixels, timers, a queue) and a log of what was asked of it.
//
// Time
// - The virtual clock starts at 0 ms; tickCount() is the settable start tick plus the clock,
//   wrapping at 2^32. sleep() advances the clock at once, and waiting for the next timer tick or
//   scripted action jumps straight to it.
//
// The queue, in the order a Win32 queue hands messages out
// - posted messages (destroy requests) and user actions in the order they came, then a quit
//   request, then repaints, then timer ticks. A timer has at most one tick pending; it is
//   delivered only when nothing else waits.
// - A window or surface that becomes visible, or a visible one that is resized, gets a repaint of
//   its whole area, as a window system would ask for.
// - waitAndDispatch() with nothing to deliver and nothing to wait for (or the next event beyond
//   the time limit) throws Stalled instead of hanging.
//
// Ending
// - terminate(code) throws Terminated{code}; runToExit() runs a whole program and returns its
//   exit code.
//
// Native handles are handed out 1, 2, 3, ... in creation order, windows and surfaces alike, and
// never reused.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/emulated/emulated_libraries.h"
#include "platform/platform.h"

namespace love::platform::headless {

// Thrown by terminate(): the program has ended with this exit code. Deliberately not a
// std::exception, so no handler for ordinary errors swallows it.
struct Terminated {
    int exitCode;
};

// Thrown by waitAndDispatch() when the program would wait for ever.
struct Stalled {
    std::uint64_t atMs;
};

// Runs program (typically love::show::runProgram on a HeadlessPlatform) and returns the exit
// code it terminated with. A program that returns without terminating is a logic error.
int runToExit(const std::function<void()>& program);

struct WindowOperation {
    enum class Kind { Create, CreateSurface, Show, Activate, SetRect, Enable, SetVisible, Destroy, ColourKey };
    Kind kind{};
    NativeHandle handle = 0;
    std::uint64_t atMs = 0;
    WindowSpec windowSpec{};               // Create
    NativeHandle parent = 0;               // CreateSurface
    Rect rect{};                           // Create, CreateSurface, SetRect
    ShowCommand show = ShowCommand::Hide;  // Show
    bool flag = false;                     // Enable: enabled; SetVisible, CreateSurface: visible
    std::uint32_t colorref = 0;            // ColourKey
};

struct MessageBoxRecord {
    std::string text;   // GBK
    std::string title;  // GBK
    std::uint32_t style = 0;
    std::uint64_t atMs = 0;
};

struct Presentation {
    NativeHandle handle = 0;
    Rect area;
    std::optional<std::uint32_t> fillRgb;  // presentFill
};

using AudioOpener = std::function<std::unique_ptr<AudioOutput>(std::span<const std::uint8_t>, AudioDoneCallback)>;

class HeadlessPlatform final : public Platform, private emulated::LayeredWindowHost {
public:
    HeadlessPlatform();
    ~HeadlessPlatform() override;

    // --- set-up for a test ---
    void setScreenSize(Size size) { screen_ = size; }
    void setStartTick(std::uint32_t tick) { startTick_ = tick; }
    // waitAndDispatch throws Stalled rather than jump the clock beyond this (default 10 minutes).
    void setTimeLimit(std::uint64_t ms) { timeLimitMs_ = ms; }
    // Answers for the next message boxes, as Win32 button ids (IDOK 1 ... IDNO 7), in order. A box
    // without a scripted answer returns its default button.
    void scriptMessageBoxAnswers(std::vector<int> answers);
    // Called for each box after it is logged; its result is the answer. Overrides the script.
    void onMessageBox(std::function<int(const MessageBoxRecord&)> handler) { boxHandler_ = std::move(handler); }
    // User actions at virtual times: a close request (close box) to a window; Esc pressed in the
    // active window.
    void scheduleClose(std::uint64_t atMs, NativeHandle window);
    void scheduleEscape(std::uint64_t atMs);
    void setAudio(bool present, AudioOpener open);
    // Called right after each top-level window is created: lets a test act at that very moment.
    void onWindowCreated(std::function<void(NativeHandle)> hook) { createdHook_ = std::move(hook); }

    // --- what happened ---
    std::uint64_t now() const { return nowMs_; }
    const std::vector<WindowOperation>& windowLog() const { return windowLog_; }
    const std::vector<MessageBoxRecord>& messageBoxes() const { return boxes_; }
    const std::vector<Presentation>& presentations() const { return presentations_; }
    std::vector<NativeHandle> topLevelWindows() const;  // live, in creation order
    NativeHandle activeWindow() const { return active_; }
    bool isEnabled(NativeHandle window) const;
    bool exists(NativeHandle handle) const { return records_.contains(handle); }
    NativeHandle ownerOf(NativeHandle window) const;
    bool isColourKeyed(NativeHandle window) const;
    std::uint32_t colourKey(NativeHandle window) const;  // COLORREF
    std::uint32_t extendedStyle(NativeHandle window) const { return libraries_.extendedStyle(window); }
    std::size_t librariesLoaded() const { return libraries_.loadedCount(); }
    bool timerRunning(NativeHandle window, std::uint32_t timerId) const;
    const std::string& workingDirectory() const { return workingDirectory_; }

    // --- Platform ---
    void setEventSink(EventSink* sink) override { sink_ = sink; }
    NativeHandle createWindow(const WindowSpec& windowSpec) override;
    NativeHandle createSurface(NativeHandle parent, Rect rect, bool visible) override;
    void destroy(NativeHandle windowOrSurface) override;
    void show(NativeHandle window, ShowCommand command) override;
    void activate(NativeHandle window) override;
    void setRect(NativeHandle windowOrSurface, Rect rect) override;
    Rect rect(NativeHandle windowOrSurface) const override;
    bool isVisible(NativeHandle windowOrSurface) const override;
    bool isMinimised(NativeHandle window) const override;
    bool isMaximised(NativeHandle window) const override;
    void enable(NativeHandle window, bool enabled) override;
    void setVisible(NativeHandle surface, bool visible) override;
    PixelView pixels(NativeHandle windowOrSurface) override;
    void present(NativeHandle windowOrSurface, Rect area) override;
    void presentFill(NativeHandle windowOrSurface, Rect area, std::uint32_t rgb) override;
    std::uint32_t buttonFaceColour() const override { return 0x00F0F0F0u; }
    bool waitAndDispatch() override;
    void dispatchPending() override;
    void postDestroyRequest(NativeHandle window) override;
    void postQuit() override { quitPosted_ = true; }
    void startTimer(NativeHandle window, std::uint32_t timerId, std::uint32_t periodMs) override;
    void stopTimer(NativeHandle window, std::uint32_t timerId) override;
    Size screenSize() const override { return screen_; }
    int messageBox(std::string_view gbkText, std::string_view gbkTitle, std::uint32_t style) override;
    std::uint32_t tickCount() const override { return startTick_ + static_cast<std::uint32_t>(nowMs_); }
    void sleep(std::uint32_t milliseconds) override { nowMs_ += milliseconds; }
    std::string programFolder() const override { return "/headless/bin"; }
    void setWorkingDirectory(const std::string& folder) override { workingDirectory_ = folder; }
    [[noreturn]] void terminate(int exitCode) override;
    LibraryHandle loadLibrary(std::string_view name) override { return libraries_.loadLibrary(name); }
    void freeLibrary(LibraryHandle library) override { libraries_.freeLibrary(library); }
    FunctionHandle findFunction(LibraryHandle library, std::string_view name) override {
        return libraries_.findFunction(library, name);
    }
    FunctionHandle findOrdinal(LibraryHandle library, std::uint32_t ordinal) override {
        return libraries_.findOrdinal(library, ordinal);
    }
    CallResult callFunction(FunctionHandle function, std::span<const std::uint32_t> args) override {
        return libraries_.callFunction(function, args);
    }
    std::unique_ptr<Font> createFont(const FontRequest& request) override;
    std::u32string decodeGbk(std::string_view gbk) const override;
    bool hasAudioOutput() override { return audioPresent_; }
    std::unique_ptr<AudioOutput> openAudio(std::span<const std::uint8_t> format, AudioDoneCallback done) override;

private:
    struct Record {
        bool isSurface = false;
        NativeHandle parent = 0;  // surface: its window
        NativeHandle owner = 0;   // window: its owner
        Rect rect;
        bool visible = false;
        bool minimised = false;
        bool maximised = false;
        bool enabled = true;
        std::optional<std::uint32_t> colourKey;
        std::vector<std::uint32_t> pixels;
    };
    struct Timer {
        std::uint32_t periodMs = 0;
        std::uint64_t dueMs = 0;
    };
    struct Message {
        enum class Kind { Destroy, Close, Escape } kind;
        NativeHandle window = 0;
    };
    struct ScheduledAction {
        std::uint64_t atMs;
        Message message;
    };

    // LayeredWindowHost
    bool isWindow(NativeHandle window) const override;
    void setColourKey(NativeHandle window, std::uint32_t colorref) override;

    Record* find(NativeHandle handle);
    const Record* find(NativeHandle handle) const;
    bool onScreen(NativeHandle handle) const;  // visible, and so is its window
    void requestPaint(NativeHandle handle);
    void resizePixels(Record& record);
    void log(WindowOperation operation);
    void takeDueActions();
    // One message of the highest priority that is due now; false when none is.
    bool dispatchOne(bool stopAtQuit);
    void deliver(const Message& message);
    std::optional<std::uint64_t> nextEventTime() const;
    int defaultAnswer(std::uint32_t style) const;

    EventSink* sink_ = nullptr;
    emulated::EmulatedLibraries libraries_{*this};
    Size screen_{1920, 1080};
    std::uint32_t startTick_ = 0;
    std::uint64_t nowMs_ = 0;
    std::uint64_t timeLimitMs_ = 10 * 60 * 1000;
    NativeHandle nextHandle_ = 1;
    NativeHandle active_ = 0;
    std::map<NativeHandle, Record> records_;
    std::map<std::pair<NativeHandle, std::uint32_t>, Timer> timers_;
    std::deque<Message> queue_;
    std::vector<NativeHandle> paintsPending_;
    std::vector<ScheduledAction> scheduled_;  // kept sorted by time, stable
    bool quitPosted_ = false;
    std::deque<int> answers_;
    std::function<int(const MessageBoxRecord&)> boxHandler_;
    std::function<void(NativeHandle)> createdHook_;
    bool audioPresent_ = false;
    AudioOpener openAudio_;
    std::vector<WindowOperation> windowLog_;
    std::vector<MessageBoxRecord> boxes_;
    std::vector<Presentation> presentations_;
    std::string workingDirectory_;
};

}  // namespace love::platform::headless
