// The Linux desktop backend: Xlib with SHAPE (colour keys), MIT-SHM (presenting), RandR
// (the primary monitor) and ALSA (sound). One object holds all of its state.
//
// How a window gets on screen
// - A top-level window is an X window of exactly its outer rectangle; frames, where there are
//   any, come from the window manager. Its client pixels live in a ClientImage of its size.
// - A child surface is a real X child window with its own ClientImage, so the server does the
//   clipping and stacking (the first surface created lies on top, as in the descriptions).
// - present(area) sends the area of the image (XShmPutImage, or XPutImage without MIT-SHM) and
//   syncs, so the pixels are on screen when it returns; presentFill sends an XFillRectangle.
// - Nothing drawn is lost while the loop does not turn: windows and their surfaces ask for
//   backing store, and an Expose that does come becomes paintRequested, whose repaint is the
//   runtime's own business.
//
// The colour key (emulated SetLayeredWindowAttributes with LWA_COLORKEY on a WS_EX_LAYERED
// window) is a SHAPE region, bounding and input alike: every pixel of the composed window (its
// own pixels with its visible surfaces over them) that is not the key colour is inside it.
// - Keying starts, the window is resized, or it is mapped: the region is built once from the
//   whole composed content.
// - present(area): the area's pixels are compared with a client-side copy of the region, and
//   only the spans that turn see-through are subtracted and only those that turn opaque are
//   united (a sprite drawn with its white left out is one union); the rest of the window's
//   region is never rebuilt.
// - presentFill(area) on the topmost layer there: the key colour subtracts the area, any other
//   colour unites it; under another surface it falls back to the spans of the area.
// - Only the bounding region is set: X clips input to it (the input region only narrows it
//   further), so pointer input passes wherever the window is see-through, and every change
//   costs the server one region operation instead of two.
// - A surface shown, hidden, moved or destroyed: the areas it leaves and covers are redone.
// The start window is 1 x 1 (X has no empty windows) with an empty region, so nothing of it
// shows and no input reaches it, while it still carries the taskbar entry and the focus.
#pragma once

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/emulated/emulated_libraries.h"
#include "platform/platform.h"
#include "platform/x11/x11_image.h"

namespace love::platform::x11 {

class MessageBoxWindow;

struct WindowRecord {
    ::Window xid = 0;
    bool isSurface = false;
    NativeHandle parent = 0;  // a surface's top-level window
    NativeHandle owner = 0;   // a top-level window's owner (0: unowned)
    Rect rect;                // top-level: outer rectangle as asked; surface: in the parent's client area
    WindowStyle style;
    bool visible = false;
    bool mapped = false;  // MapNotify seen (the window manager may map later than asked)
    bool minimised = false;
    bool maximised = false;
    bool enabled = true;
    bool colourKeyed = false;
    std::uint32_t keyRgb = 0x00FFFFFF;
    unsigned long configureSerial = 0;  // request number of our last move/resize: older reports are stale
    std::unique_ptr<ClientImage> image;
    // A colour-keyed window's region as the server has it, one byte per client pixel (1 inside),
    // so that only what changes is sent.
    std::vector<std::uint8_t> shapeMask;
    std::vector<NativeHandle> surfaces;  // of a top-level window, topmost first
};

struct Atoms {
    Atom wmProtocols, wmDeleteWindow, wmTransientFor, netWmName, netWmIcon, netWmState, netWmStateFullscreen,
        netWmStateSkipTaskbar, netWmStateAbove, netWmStateHidden, netWmStateMaximisedVert, netWmStateMaximisedHorz,
        netActiveWindow, netSupportingWmCheck, netWmWindowType, netWmWindowTypeDialog, netWmPid, motifWmHints,
        utf8String;
};

class X11Platform final : public Platform, private emulated::LayeredWindowHost {
public:
    // Null (with a line on stderr) when there is no display or it lacks SHAPE.
    static std::unique_ptr<X11Platform> open();
    ~X11Platform() override;

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
    std::uint32_t buttonFaceColour() const override { return 0x00F0F0F0; }

    bool waitAndDispatch() override;
    void dispatchPending() override;
    void postDestroyRequest(NativeHandle window) override;
    void postQuit() override;
    void startTimer(NativeHandle window, std::uint32_t timerId, std::uint32_t periodMs) override;
    void stopTimer(NativeHandle window, std::uint32_t timerId) override;

    Size screenSize() const override;
    int messageBox(std::string_view gbkText, std::string_view gbkTitle, std::uint32_t style) override;
    std::uint32_t tickCount() const override;
    void sleep(std::uint32_t milliseconds) override;
    std::string programFolder() const override;
    void setWorkingDirectory(const std::string& folder) override;
    [[noreturn]] void terminate(int exitCode) override;

    LibraryHandle loadLibrary(std::string_view name) override;
    void freeLibrary(LibraryHandle library) override;
    FunctionHandle findFunction(LibraryHandle library, std::string_view name) override;
    FunctionHandle findOrdinal(LibraryHandle library, std::uint32_t ordinal) override;
    CallResult callFunction(FunctionHandle function, std::span<const std::uint32_t> args) override;

    std::unique_ptr<Font> createFont(const FontRequest& request) override;
    std::u32string decodeGbk(std::string_view gbk) const override;

    bool hasAudioOutput() override;
    std::unique_ptr<AudioOutput> openAudio(std::span<const std::uint8_t> format, AudioDoneCallback done) override;

    // --- for the emulated window functions ---
    bool isWindow(NativeHandle handle) const override;  // a live top-level window
    // Starts (or changes) the colour key (a COLORREF, 0x00BBGGRR) of a top-level window.
    void setColourKey(NativeHandle window, std::uint32_t colorref) override;

    // --- for the message box, which is a window of this backend ---
    Display* display() const { return display_; }
    Visual* visual() const { return visual_; }
    int depth() const { return depth_; }
    bool shmAvailable() const { return shmAvailable_; }
    ::Window rootWindow() const { return root_; }
    const Atoms& atoms() const { return atoms_; }
    bool windowManagerPresent() const;
    Rect primaryMonitor() const;
    // Handles one X event or timer as the queue would, on behalf of a modal loop; waits at most
    // until the next timer is due. Events for the box itself go to the box.
    void runModalStep(MessageBoxWindow& box);

private:
    X11Platform() = default;
    using Clock = std::chrono::steady_clock;
    struct Timer {
        std::uint32_t periodMs = 0;
        Clock::time_point due;
    };
    struct Posted {
        enum class Kind { Destroy, Quit } kind;
        NativeHandle window;
    };

    WindowRecord* find(NativeHandle handle);
    const WindowRecord* find(NativeHandle handle) const;
    WindowRecord* topLevelOf(::Window xid);
    NativeHandle handleOf(::Window xid) const;
    bool live() const { return display_ != nullptr && !displayLost_; }

    // windows
    void setWindowProperties(WindowRecord& record, const WindowSpec& windowSpec);
    void setFullscreenHint(WindowRecord& record, bool fullscreen);
    void resizeImage(WindowRecord& record, std::int32_t width, std::int32_t height);
    void raiseOwnedAbove(NativeHandle owner);
    void forgetRecord(NativeHandle handle);

    // shape
    void rebuildShape(WindowRecord& topLevel);
    // area in the top-level's client coordinates; putPixels runs once the region is current:
    // pixels drawn where the window is still shaped away would be clipped and lost, and what
    // a growing region uncovers is not kept by the server.
    void updateShapeArea(WindowRecord& topLevel, Rect area, const std::function<void()>& putPixels = {});
    // The area (on the topmost layer there) was filled with one colour.
    void shapeAreaFilled(WindowRecord& topLevel, Rect area, bool opaque);
    bool topmostOver(const WindowRecord& topLevel, NativeHandle layer, Rect area) const;

    // presenting
    void finishPresent();

    // queue
    bool takeOne(bool mayWait, MessageBoxWindow* modal);
    void handleEvent(XEvent& event, MessageBoxWindow* modal);
    bool deliverDueTimer();
    int millisecondsToNextTimer() const;
    void waitForInput(int timeoutMs);
    void checkSignals();

    // X callbacks
    static int onXError(Display*, XErrorEvent*);
    static int onXIOError(Display*);
    [[noreturn]] void displayWentAway();

    Display* display_ = nullptr;
    int screen_ = 0;
    ::Window root_ = 0;
    Visual* visual_ = nullptr;
    int depth_ = 24;
    GC gc_ = nullptr;
    bool shmAvailable_ = false;
    bool randrAvailable_ = false;
    int shapeEventBase_ = 0;
    bool displayLost_ = false;
    Atoms atoms_{};
    EventSink* sink_ = nullptr;

    std::map<NativeHandle, WindowRecord> windows_;
    std::deque<Posted> posted_;
    std::map<std::pair<NativeHandle, std::uint32_t>, Timer> timers_;
    NativeHandle focused_ = 0;  // the top-level window that last took the keyboard focus
    MessageBoxWindow* openBox_ = nullptr;
    int signalPipe_[2] = {-1, -1};
    std::vector<std::uint32_t> row_;  // scratch for one composed row
    emulated::EmulatedLibraries libraries_{*this};
};

}  // namespace love::platform::x11
