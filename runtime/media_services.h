// What the runtime asks of the windows layer for media: background music and background
// pictures. The windows layer installs its implementation at start-up; the runtime holds it.
#pragma once

#include <cstdint>
#include <span>

#include "platform/platform.h"

namespace love::runtime {

class MediaServices {
public:
    virtual ~MediaServices() = default;
    // Last step of building a window: start its background music (play count 0 loops, 1 once,
    // anything else nothing).
    virtual void startMusic(platform::NativeHandle window, std::span<const std::uint8_t> music, std::int32_t playCount) = 0;
    // The window is being destroyed: signal every running player to stop; does not wait.
    virtual void stopMusic(platform::NativeHandle window) = 0;
    // The program end: stop every player, and with wait, until their threads have ended.
    virtual void stopAllMusic(bool wait) = 0;
    // A repaint of a window's client area: paint its background picture by mode and fill what no
    // picture covers with backgroundRgb (0x00RRGGBB). Decodes once per window and keeps it.
    virtual void paintBackground(platform::NativeHandle window, platform::PixelView client, platform::Rect area,
                                 std::span<const std::uint8_t> picture, std::int32_t mode, std::uint32_t backgroundRgb) = 0;
    // The window is gone: forget what was kept for it.
    virtual void forgetWindow(platform::NativeHandle window) = 0;
};

}  // namespace love::runtime
