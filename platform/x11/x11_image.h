// A window's client pixels as an X image: in a shared memory segment when the server offers
// MIT-SHM on this machine, in ordinary memory otherwise. The pixel layout is the interface's
// own (0x00RRGGBB, stride = width), which is what a 24-bit TrueColor ZPixmap is on little-endian
// machines, so presenting never converts.
#pragma once

#include <X11/Xlib.h>
#include <X11/extensions/XShm.h>

#include <cstdint>
#include <memory>

#include "platform/platform.h"

namespace love::platform::x11 {

class ClientImage {
public:
    // Width or height 0 is allowed: the view is then empty, and nothing is ever sent.
    // White is the starting content: on a colour-keyed window it stays see-through until painted.
    static std::unique_ptr<ClientImage> create(Display* display, Visual* visual, int depth, bool useShm,
                                               std::int32_t width, std::int32_t height);
    ~ClientImage();
    ClientImage(const ClientImage&) = delete;
    ClientImage& operator=(const ClientImage&) = delete;

    PixelView view() const { return {pixels_, width_, height_}; }
    std::int32_t width() const { return width_; }
    std::int32_t height() const { return height_; }
    bool shared() const { return shared_; }
    // Queues the area (already clipped to the image) for drawable at the same coordinates.
    // With a shared segment the caller must sync before the pixels are written again.
    void put(Drawable drawable, GC gc, Rect area) const;
    // After the connection is gone no request may be made; the memory is still released.
    void forgetDisplay() { display_ = nullptr; }

private:
    ClientImage() = default;
    Display* display_ = nullptr;
    XImage* image_ = nullptr;
    XShmSegmentInfo segment_{};
    bool shared_ = false;
    std::uint32_t* pixels_ = nullptr;
    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
};

}  // namespace love::platform::x11
