// The Windows backend: real windows, GDI pixels, the thread's message queue, waveOut,
// MessageBoxW and platform functions resolved and called for real.
#pragma once

#include <windows.h>

#include <memory>
#include <unordered_map>

#include "platform/platform.h"
#include "platform/win32/window_icon.h"

namespace love::platform::win32 {

// Native handles are the low 32 bits of the HWND: Windows keeps window handles within 32
// significant bits (sign-extended) so that 32- and 64-bit programs can share them.
inline NativeHandle toNative(HWND window) {
    return static_cast<NativeHandle>(reinterpret_cast<std::uintptr_t>(window));
}
inline HWND toHwnd(NativeHandle handle) {
    return reinterpret_cast<HWND>(static_cast<std::intptr_t>(static_cast<std::int32_t>(handle)));
}

// A 32-bit top-down DIB section holding a window's or surface's client pixels.
class PixelBuffer {
public:
    PixelBuffer() = default;
    PixelBuffer(std::int32_t width, std::int32_t height);
    ~PixelBuffer();
    PixelBuffer(const PixelBuffer&) = delete;
    PixelBuffer& operator=(const PixelBuffer&) = delete;

    PixelView view() const { return {pixels_, width_, height_}; }
    HDC dc() const { return dc_; }
    std::int32_t width() const { return width_; }
    std::int32_t height() const { return height_; }

private:
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previous_ = nullptr;
    std::uint32_t* pixels_ = nullptr;
    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
};

struct WindowRecord {
    HWND hwnd = nullptr;
    bool surface = false;
    std::unique_ptr<PixelBuffer> pixels;  // sized to the client area; reallocated on resize
    WindowIcon icon;
};

class Win32Platform final : public Platform {
public:
    Win32Platform();
    ~Win32Platform() override;
    Win32Platform(const Win32Platform&) = delete;
    Win32Platform& operator=(const Win32Platform&) = delete;

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
    std::uint32_t buttonFaceColour() const override;

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

    // The window procedure of both classes, reached through the window's user data.
    LRESULT handleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

private:
    WindowRecord* find(NativeHandle handle) const;
    WindowRecord* find(HWND hwnd) const;
    const std::wstring& classFor(const std::string& gbkClass);
    void resizePixels(WindowRecord& record);
    void paint(WindowRecord& record);
    // Esc on a window of ours becomes a close request of its top-level window, before dispatch.
    bool takeEscape(const MSG& message);
    void dispatch(const MSG& message);

    HINSTANCE instance_ = nullptr;
    EventSink* sink_ = nullptr;
    std::unordered_map<HWND, std::unique_ptr<WindowRecord>> windows_;
    std::unordered_map<std::wstring, std::wstring> registeredClasses_;  // by decoded name
    std::wstring surfaceClass_;
    int quietDepth_ = 0;  // >0 while our own calls move or size windows: no moved/resized
};

}  // namespace love::platform::win32
