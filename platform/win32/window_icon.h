// A window's large and small icon made from 32-bit pixels, destroyed with the window record.
#pragma once

#include <windows.h>

#include "platform/platform.h"

namespace love::platform::win32 {

class WindowIcon {
public:
    WindowIcon() = default;
    explicit WindowIcon(const IconPixels& pixels);
    ~WindowIcon();
    WindowIcon(WindowIcon&& other) noexcept : icon_(other.icon_), owned_(other.owned_) { other.icon_ = nullptr; }
    WindowIcon& operator=(WindowIcon&& other) noexcept;
    WindowIcon(const WindowIcon&) = delete;
    WindowIcon& operator=(const WindowIcon&) = delete;

    HICON get() const { return icon_; }

private:
    HICON icon_ = nullptr;
    bool owned_ = true;  // false for the shared icon from the executable's resources
};

}  // namespace love::platform::win32
