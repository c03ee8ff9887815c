// The platform interface: everything love-show needs from an operating system, and nothing more.
//
// Portable code (runtime/, windows/, show/) talks to the OS only through `Platform`. Each backend
// (platform/headless, platform/x11, platform/win32) implements it and defines `createPlatform()`;
// the build links exactly one backend, so a missing primitive fails to compile or link instead of
// silently doing nothing. Every member is pure virtual on purpose.
//
// Conventions
// - Native handles are 32-bit values: the program stores them and passes them to platform
//   functions as 32-bit arguments. 0 is never a valid handle.
// - Texts are GBK bytes (code page 936). The backend decodes them where it shows them.
// - Pixels are 0x00RRGGBB, row-major, stride = width. (The runtime's colours are 0x00BBGGRR and
//   are converted at the edge of the runtime.)
// - Everything here is called on the UI thread, except the audio completion callback, which the
//   backend calls on a thread of its own.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace love::platform {

using NativeHandle = std::uint32_t;  // a top-level window or a child surface
using LibraryHandle = std::uintptr_t;
using FunctionHandle = std::uintptr_t;

struct Rect {
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    friend bool operator==(const Rect&, const Rect&) = default;
};

struct Size {
    std::int32_t width = 0;
    std::int32_t height = 0;
    friend bool operator==(const Size&, const Size&) = default;
};

// Frame and title styles a top-level window is created with (the Windows names in comments).
struct WindowStyle {
    bool caption = false;         // WS_CAPTION: a title bar
    bool systemMenu = false;      // WS_SYSMENU: system menu and close box
    bool dialogFrame = false;     // WS_DLGFRAME
    bool sizingFrame = false;     // WS_THICKFRAME
    bool toolWindow = false;      // WS_EX_TOOLWINDOW: narrow title bar, no taskbar entry
    bool clientEdge = false;      // WS_EX_CLIENTEDGE: sunken client edge
    bool maximiseBox = false;     // WS_MAXIMIZEBOX
    bool minimiseBox = false;     // WS_MINIMIZEBOX
    bool disabled = false;        // created disabled: takes no input
    bool startMinimised = false;  // created minimised (position 2)
    bool startMaximised = false;  // created maximised (position 3 with a sizing frame)
    bool noMoveCommand = false;   // "movable" off: no Move in the system menu
    bool topmost = false;         // always on top
    friend bool operator==(const WindowStyle&, const WindowStyle&) = default;
};

// A 32-bit picture for window icons, 0xAARRGGBB.
struct IconPixels {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::span<const std::uint32_t> argb;
};

struct WindowSpec {
    std::string title;        // GBK
    std::string windowClass;  // GBK; empty: the backend's default class
    Rect rect;                // outer rectangle on the screen
    WindowStyle style;
    NativeHandle owner = 0;  // 0: unowned (own taskbar entry); otherwise a pop-up owned by it
    IconPixels icon;         // large and small icon
};

enum class ShowCommand {
    Hide,
    Normal,  // show at its current position and size (restores a minimised or maximised one)
    Minimised,
    Maximised,  // the platform's own maximise (windows with a sizing frame)
};

enum class CloseCause { CloseBox, SystemClose, EscapeKey };

// A window's or surface's client-area pixels, owned by the backend. Valid until the next resize
// or destroy of that window.
struct PixelView {
    std::uint32_t* pixels = nullptr;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint32_t& at(std::int32_t x, std::int32_t y) const {
        return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)];
    }
};

// What the backend delivers to the runtime while it dispatches the UI thread's queue.
class EventSink {
public:
    virtual ~EventSink() = default;
    // Close box, system close command (also at log-off), or Esc on a window or its surfaces.
    // For Esc the handle is the top-level window that has the focus.
    virtual void closeRequested(NativeHandle window, CloseCause cause) = 0;
    // A destroy request posted with postDestroyRequest, now taken from the queue.
    virtual void destroyRequested(NativeHandle window) = 0;
    // A timer tick (low priority: only delivered when nothing else waits; never piles up).
    virtual void timerTicked(NativeHandle window, std::uint32_t timerId) = 0;
    // The area of a window or surface that must be repainted: the runtime fills its pixels
    // and presents them.
    virtual void paintRequested(NativeHandle windowOrSurface, Rect area) = 0;
    // The window was moved or resized by the user or the system (not by setRect).
    virtual void moved(NativeHandle window) = 0;
    virtual void resized(NativeHandle window) = 0;
    // The platform cannot go on (the display went away, a termination signal): end the program
    // now with this exit code. Does not return.
    [[noreturn]] virtual void platformEnded(int exitCode) = 0;
};

// The font record of a drawing surface, as the Windows font mapper takes it.
struct FontRequest {
    std::string face;         // GBK, e.g. "楷体_GB2312"
    std::int32_t height = 0;  // negative: character height without internal leading
    std::int32_t width = 0;
    std::int32_t weight = 400;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    std::uint8_t charset = 0;  // 134: GB2312
    std::uint8_t outPrecision = 0;
    std::uint8_t clipPrecision = 0;
    std::uint8_t quality = 0;  // 1: draft
    std::uint8_t pitchAndFamily = 0;
};

// One line of text rasterised in a font: a 1-bit coverage mask (0 or 1 per pixel), with the
// top-left corner of the text cell at (0, 0). Glyph pixels left of 0 or below the cell are cut off.
struct TextMask {
    std::int32_t width = 0;              // advance width of the whole line
    std::int32_t height = 0;             // character-cell height (ascent + descent)
    std::vector<std::uint8_t> coverage;  // width * height, row-major
};

class Font {
public:
    virtual ~Font() = default;
    virtual std::int32_t cellHeight() const = 0;
    virtual TextMask render(std::string_view gbkLine) const = 0;
};

// Audio output, in the shape of the waveOut family.
struct AudioBuffer {
    std::uint8_t* data = nullptr;
    std::uint32_t length = 0;
    bool prepared = false;  // kept by prepare/unprepare
    std::uintptr_t user = 0;
};

class AudioOutput {
public:
    virtual ~AudioOutput() = default;          // closes the device (waveOutClose)
    virtual bool prepare(AudioBuffer&) = 0;    // waveOutPrepareHeader
    virtual bool unprepare(AudioBuffer&) = 0;  // waveOutUnprepareHeader
    virtual bool write(AudioBuffer&) = 0;      // waveOutWrite: queue it; done() is called once it has played
    virtual void pause() = 0;                  // waveOutPause
    virtual void reset() = 0;                  // waveOutReset: stop now; every queued buffer comes back done at once
};

// Called on the audio system's thread for each buffer that has played (or was returned by reset).
using AudioDoneCallback = std::function<void(AudioBuffer&)>;

struct CallResult {
    std::uint32_t value = 0;
    bool balanced = true;  // false: the function took a different number of arguments than it was given
};

class Platform {
public:
    virtual ~Platform() = default;

    virtual void setEventSink(EventSink* sink) = 0;

    // --- top-level windows and child surfaces ---
    virtual NativeHandle createWindow(const WindowSpec& windowSpec) = 0;  // hidden; 0 on failure
    // A child surface (a control's area) in the parent's client area, in client coordinates.
    virtual NativeHandle createSurface(NativeHandle parent, Rect rect, bool visible) = 0;
    virtual void destroy(NativeHandle windowOrSurface) = 0;
    virtual void show(NativeHandle window, ShowCommand command) = 0;
    virtual void activate(NativeHandle window) = 0;
    // Top-level: outer rectangle on the screen. Surface: rectangle in the parent's client area.
    virtual void setRect(NativeHandle windowOrSurface, Rect rect) = 0;
    virtual Rect rect(NativeHandle windowOrSurface) const = 0;
    virtual bool isVisible(NativeHandle windowOrSurface) const = 0;
    virtual bool isMinimised(NativeHandle window) const = 0;
    virtual bool isMaximised(NativeHandle window) const = 0;
    virtual void enable(NativeHandle window, bool enabled) = 0;
    virtual void setVisible(NativeHandle surface, bool visible) = 0;

    // --- pixels ---
    virtual PixelView pixels(NativeHandle windowOrSurface) = 0;
    // Put this rectangle of the pixels on the screen now; returns once it is visible.
    virtual void present(NativeHandle windowOrSurface, Rect area) = 0;
    // The same, for a rectangle that was just filled with one colour (0x00RRGGBB) in the pixels:
    // lets a backend send a fill instead of the pixels.
    virtual void presentFill(NativeHandle windowOrSurface, Rect area, std::uint32_t rgb) = 0;
    virtual std::uint32_t buttonFaceColour() const = 0;  // 0x00RRGGBB

    // --- the UI thread's queue ---
    // Waits for the next message and dispatches it to the sink; false once a quit request is taken.
    virtual bool waitAndDispatch() = 0;
    // Dispatches every waiting message without waiting; a waiting quit request stays queued.
    virtual void dispatchPending() = 0;
    virtual void postDestroyRequest(NativeHandle window) = 0;
    virtual void postQuit() = 0;
    // (Re)starts a timer: its first tick comes periodMs later. periodMs > 0.
    virtual void startTimer(NativeHandle window, std::uint32_t timerId, std::uint32_t periodMs) = 0;
    virtual void stopTimer(NativeHandle window, std::uint32_t timerId) = 0;

    // --- screen, boxes, clock, process ---
    virtual Size screenSize() const = 0;  // the primary monitor, read afresh
    // The platform's standard message box; returns the Win32 button id (IDOK 1 … IDNO 7), or 0.
    // While shown it dispatches the UI thread's queue like a modal loop.
    virtual int messageBox(std::string_view gbkText, std::string_view gbkTitle, std::uint32_t style) = 0;
    virtual std::uint32_t tickCount() const = 0;  // milliseconds since the system started, wrapping
    virtual void sleep(std::uint32_t milliseconds) = 0;
    virtual std::string programFolder() const = 0;
    virtual void setWorkingDirectory(const std::string& folder) = 0;
    // Ends the process with this exit code. Every thread the program started has ended by now.
    [[noreturn]] virtual void terminate(int exitCode) = 0;

    // --- platform functions ---
    virtual LibraryHandle loadLibrary(std::string_view name) = 0;  // 0: not found
    virtual void freeLibrary(LibraryHandle library) = 0;
    virtual FunctionHandle findFunction(LibraryHandle library, std::string_view name) = 0;  // 0: none
    virtual FunctionHandle findOrdinal(LibraryHandle library, std::uint32_t ordinal) = 0;   // 0: none
    virtual CallResult callFunction(FunctionHandle function, std::span<const std::uint32_t> args) = 0;

    // --- text ---
    virtual std::unique_ptr<Font> createFont(const FontRequest& request) = 0;
    virtual std::u32string decodeGbk(std::string_view gbk) const = 0;

    // --- audio ---
    virtual bool hasAudioOutput() = 0;  // waveOutGetNumDevs() > 0
    // Opens the default device with a WAVEFORMATEX-shaped "fmt " body; null on failure.
    virtual std::unique_ptr<AudioOutput> openAudio(std::span<const std::uint8_t> format, AudioDoneCallback done) = 0;
};

// Defined once per backend; the build links exactly one.
std::unique_ptr<Platform> createPlatform();

}  // namespace love::platform
