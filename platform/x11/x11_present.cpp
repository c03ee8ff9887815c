// Putting client pixels on screen, and keeping a colour-keyed window's region current with them.
#include <X11/extensions/shape.h>

#include "platform/x11/x11_geometry.h"
#include "platform/x11/x11_platform.h"

namespace love::platform::x11 {

void X11Platform::finishPresent() {
    // A sync, not a flush: the pixels must be on screen when present returns, and a shared
    // segment must not be written again before the server has read it.
    XSync(display_, False);
}

void X11Platform::present(NativeHandle handle, Rect area) {
    WindowRecord* record = find(handle);
    if (!live() || record == nullptr || !record->image) return;
    area = intersect(area, Rect{0, 0, record->image->width(), record->image->height()});
    if (isEmpty(area)) return;
    const auto putPixels = [&] { record->image->put(record->xid, gc_, area); };
    WindowRecord* topLevel = record->isSurface ? find(record->parent) : record;
    if (topLevel != nullptr && topLevel->colourKeyed && (!record->isSurface || record->visible)) {
        updateShapeArea(*topLevel, record->isSurface ? offset(area, record->rect.x, record->rect.y) : area, putPixels);
    } else {
        putPixels();
    }
    finishPresent();
}

void X11Platform::presentFill(NativeHandle handle, Rect area, std::uint32_t rgb) {
    WindowRecord* record = find(handle);
    if (!live() || record == nullptr || !record->image) return;
    area = intersect(area, Rect{0, 0, record->image->width(), record->image->height()});
    if (isEmpty(area)) return;
    rgb &= 0x00FFFFFFu;
    const auto fillPixels = [&] {
        XSetForeground(display_, gc_, rgb);
        XFillRectangle(display_, record->xid, gc_, area.x, area.y, static_cast<unsigned int>(area.width),
                       static_cast<unsigned int>(area.height));
    };
    WindowRecord* topLevel = record->isSurface ? find(record->parent) : record;
    // A hidden surface changes nothing of what the window shows.
    const Rect onTop = topLevel != nullptr && topLevel->colourKeyed && (!record->isSurface || record->visible)
                           ? intersect(record->isSurface ? offset(area, record->rect.x, record->rect.y) : area,
                                       Rect{0, 0, topLevel->image->width(), topLevel->image->height()})
                           : Rect{};
    if (isEmpty(onTop)) {
        fillPixels();
    } else if (!topmostOver(*topLevel, handle, onTop)) {
        updateShapeArea(*topLevel, onTop, fillPixels);
    } else if (rgb == topLevel->keyRgb) {
        // Taken out of the region first, the fill is clipped away entirely and costs the server
        // no pixels: a wipe refills ever larger rectangles that are already see-through.
        shapeAreaFilled(*topLevel, onTop, false);
        fillPixels();
    } else {
        shapeAreaFilled(*topLevel, onTop, true);  // the region first, or the fill would be clipped away
        fillPixels();
    }
    finishPresent();
}

}  // namespace love::platform::x11
