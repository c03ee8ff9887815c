// Our own system libraries for backends that have no real Win32 ones: "Kernel32.dll",
// "Gdi32.dll", "User32.dll", "Advapi32.dll", "Mpr.dll" and "Shell32.dll" can be loaded (names
// compared without regard to case), and only "User32.dll" exports anything: the three window
// functions the program calls to make a window colour-keyed.
//
//   GetWindowLongA(hwnd, index)                          2 arguments
//   SetWindowLongA(hwnd, index, value)                   3 arguments
//   SetLayeredWindowAttributes(hwnd, key, alpha, flags)  4 arguments
//
// The extended style (index GWL_EXSTYLE) is kept here per native window. A colour key set on a
// window whose extended style has WS_EX_LAYERED is handed to the backend through
// LayeredWindowHost, which realises it on its window system. A call with another number of
// arguments than the function takes does nothing and comes back unbalanced, as a mismatched
// stdcall would leave the stack.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <span>
#include <string_view>

#include "platform/platform.h"

namespace love::platform::emulated {

inline constexpr std::int32_t kGwlExStyle = -20;
inline constexpr std::uint32_t kWsExLayered = 0x00080000u;
inline constexpr std::uint32_t kLwaColorKey = 0x1u;
inline constexpr std::uint32_t kLwaAlpha = 0x2u;

// What the emulated functions need from the backend that owns the windows.
class LayeredWindowHost {
public:
    virtual ~LayeredWindowHost() = default;
    // A live top-level window of this backend.
    virtual bool isWindow(NativeHandle window) const = 0;
    // From now on every pixel of the window (with its surfaces) that is exactly this colour
    // (0x00BBGGRR, a COLORREF) is see-through and lets input pass.
    virtual void setColourKey(NativeHandle window, std::uint32_t colorref) = 0;
};

class EmulatedLibraries {
public:
    explicit EmulatedLibraries(LayeredWindowHost& host) : host_(host) {}

    // One of the six system library names: a handle, counted per load; anything else: 0.
    LibraryHandle loadLibrary(std::string_view name);
    // Drops one load of the library; an unknown or already released handle is ignored.
    void freeLibrary(LibraryHandle library);
    // 0 when the library is not loaded or does not export the name.
    FunctionHandle findFunction(LibraryHandle library, std::string_view name) const;
    // None of the emulated exports has an ordinal: always 0.
    FunctionHandle findOrdinal(LibraryHandle library, std::uint32_t ordinal) const;
    CallResult callFunction(FunctionHandle function, std::span<const std::uint32_t> args);

    // The number of loads not yet released, over all libraries.
    std::size_t loadedCount() const;
    // The extended style stored for a window (0 until SetWindowLongA writes one).
    std::uint32_t extendedStyle(NativeHandle window) const;
    // The window is gone: forget its style.
    void forgetWindow(NativeHandle window);

private:
    static constexpr std::size_t kLibraryCount = 6;

    std::uint32_t getWindowLong(NativeHandle window, std::int32_t index) const;
    std::uint32_t setWindowLong(NativeHandle window, std::int32_t index, std::uint32_t value);
    std::uint32_t setLayeredWindowAttributes(NativeHandle window, std::uint32_t key, std::uint32_t flags);

    LayeredWindowHost& host_;
    std::array<std::size_t, kLibraryCount> loads_{};
    std::map<NativeHandle, std::uint32_t> extendedStyles_;
};

}  // namespace love::platform::emulated
