// The colour key as a SHAPE region: built once from the whole composed window, then kept current
// one presented area at a time (see the overview in x11_platform.h).
#include <X11/extensions/shape.h>

#include <algorithm>
#include <cstring>

#include "platform/x11/x11_geometry.h"
#include "platform/x11/x11_platform.h"

namespace love::platform::x11 {

namespace {

// Rectangles in the YX-banded order SHAPE accepts without sorting: one band per run of rows
// with the same spans. Spans are sent as rectangles rather than as a 1-bit pixmap: the server
// turns a pixmap into a region by scanning all of it, and for the whole window spans are faster.
class BandedSpans {
public:
    void clear() {
        rects_.clear();
        bandStart_ = bandCount_ = 0;
    }
    void beginRow() { row_.clear(); }
    void add(std::int32_t x, std::int32_t width) { row_.emplace_back(x, width); }
    void endRow(std::int32_t y) {
        bool sameAsBand = bandCount_ == row_.size() && bandCount_ > 0 &&
                          rects_[bandStart_].y + static_cast<std::int32_t>(rects_[bandStart_].height) == y;
        for (std::size_t i = 0; sameAsBand && i < row_.size(); ++i) {
            sameAsBand = rects_[bandStart_ + i].x == row_[i].first && rects_[bandStart_ + i].width == row_[i].second;
        }
        if (sameAsBand) {
            for (std::size_t i = 0; i < bandCount_; ++i) ++rects_[bandStart_ + i].height;
            return;
        }
        bandStart_ = rects_.size();
        bandCount_ = row_.size();
        for (const auto& [x, width] : row_) {
            rects_.push_back({static_cast<short>(x), static_cast<short>(y), static_cast<unsigned short>(width), 1});
        }
    }
    std::vector<XRectangle>& rects() { return rects_; }

private:
    std::vector<XRectangle> rects_;
    std::vector<std::pair<std::int32_t, std::int32_t>> row_;
    std::size_t bandStart_ = 0, bandCount_ = 0;
};

Rect clientBounds(const WindowRecord& record) {
    return record.image ? Rect{0, 0, record.image->width(), record.image->height()} : Rect{};
}

// One row of the composed window: its own pixels with its visible surfaces over them.
void composeRow(const std::map<NativeHandle, WindowRecord>& windows, const WindowRecord& topLevel, std::int32_t y,
                std::int32_t left, std::int32_t width, std::vector<std::uint32_t>& row) {
    row.resize(static_cast<std::size_t>(width));
    std::memcpy(row.data(), &topLevel.image->view().at(left, y), static_cast<std::size_t>(width) * 4);
    // Bottom surface first, so the topmost one ends up in the row.
    for (auto it = topLevel.surfaces.rbegin(); it != topLevel.surfaces.rend(); ++it) {
        const WindowRecord& surface = windows.at(*it);
        if (!surface.visible || !surface.image) continue;
        const Rect onParent =
            intersect(Rect{surface.rect.x, surface.rect.y, surface.image->width(), surface.image->height()},
                      Rect{left, y, width, 1});
        if (isEmpty(onParent)) continue;
        std::memcpy(row.data() + (onParent.x - left),
                    &surface.image->view().at(onParent.x - surface.rect.x, y - surface.rect.y),
                    static_cast<std::size_t>(onParent.width) * 4);
    }
}

void sendSpans(Display* display, ::Window window, std::vector<XRectangle>& rects, int operation) {
    if (rects.empty()) return;
    XShapeCombineRectangles(display, window, ShapeBounding, 0, 0, rects.data(), static_cast<int>(rects.size()),
                            operation, YXBanded);
}

}  // namespace

void X11Platform::rebuildShape(WindowRecord& topLevel) {
    if (!live() || !topLevel.image) return;
    const Rect whole = clientBounds(topLevel);
    topLevel.shapeMask.assign(static_cast<std::size_t>(whole.width) * static_cast<std::size_t>(whole.height), 0);
    BandedSpans opaque;
    for (std::int32_t y = 0; y < whole.height; ++y) {
        composeRow(windows_, topLevel, y, 0, whole.width, row_);
        std::uint8_t* mask =
            topLevel.shapeMask.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(whole.width);
        opaque.beginRow();
        for (std::int32_t x = 0; x < whole.width;) {
            if (row_[static_cast<std::size_t>(x)] == topLevel.keyRgb) {
                ++x;
                continue;
            }
            const std::int32_t start = x;
            while (x < whole.width && row_[static_cast<std::size_t>(x)] != topLevel.keyRgb) mask[x++] = 1;
            opaque.add(start, x - start);
        }
        opaque.endRow(y);
    }
    // Set even when empty: an empty region is a window with nothing to show.
    XShapeCombineRectangles(display_, topLevel.xid, ShapeBounding, 0, 0, opaque.rects().data(),
                            static_cast<int>(opaque.rects().size()), ShapeSet, YXBanded);
}

void X11Platform::updateShapeArea(WindowRecord& topLevel, Rect area, const std::function<void()>& putPixels) {
    if (!live() || !topLevel.image) return;
    const Rect whole = clientBounds(topLevel);
    area = intersect(area, whole);
    if (isEmpty(area) ||
        topLevel.shapeMask.size() != static_cast<std::size_t>(whole.width) * static_cast<std::size_t>(whole.height)) {
        if (putPixels) putPixels();
        return;
    }
    BandedSpans added, removed;
    for (std::int32_t y = area.y; y < area.y + area.height; ++y) {
        composeRow(windows_, topLevel, y, area.x, area.width, row_);
        std::uint8_t* mask = topLevel.shapeMask.data() +
                             static_cast<std::size_t>(y) * static_cast<std::size_t>(whole.width) +
                             static_cast<std::size_t>(area.x);
        added.beginRow();
        removed.beginRow();
        for (std::int32_t x = 0; x < area.width;) {
            const std::uint8_t wanted = row_[static_cast<std::size_t>(x)] != topLevel.keyRgb ? 1 : 0;
            if (mask[x] == wanted) {
                ++x;
                continue;
            }
            const std::int32_t start = x;
            while (x < area.width && mask[x] != wanted &&
                   (row_[static_cast<std::size_t>(x)] != topLevel.keyRgb) == (wanted == 1)) {
                mask[x++] = wanted;
            }
            (wanted != 0 ? added : removed).add(area.x + start, x - start);
        }
        added.endRow(y);
        removed.endRow(y);
    }
    sendSpans(display_, topLevel.xid, removed.rects(), ShapeSubtract);
    sendSpans(display_, topLevel.xid, added.rects(), ShapeUnion);
    if (putPixels) putPixels();
}

void X11Platform::shapeAreaFilled(WindowRecord& topLevel, Rect area, bool opaque) {
    if (!live() || !topLevel.image) return;
    const Rect whole = clientBounds(topLevel);
    area = intersect(area, whole);
    if (isEmpty(area) ||
        topLevel.shapeMask.size() != static_cast<std::size_t>(whole.width) * static_cast<std::size_t>(whole.height)) {
        return;
    }
    const std::uint8_t wanted = opaque ? 1 : 0;
    bool changed = false;
    for (std::int32_t y = area.y; y < area.y + area.height; ++y) {
        std::uint8_t* mask = topLevel.shapeMask.data() +
                             static_cast<std::size_t>(y) * static_cast<std::size_t>(whole.width) +
                             static_cast<std::size_t>(area.x);
        // Refilling what is already see-through (most of each pass of a wipe) sends nothing.
        if (!changed)
            changed = std::find(mask, mask + area.width, static_cast<std::uint8_t>(1 - wanted)) != mask + area.width;
        std::memset(mask, wanted, static_cast<std::size_t>(area.width));
    }
    if (!changed) return;
    XRectangle rect{static_cast<short>(area.x), static_cast<short>(area.y), static_cast<unsigned short>(area.width),
                    static_cast<unsigned short>(area.height)};
    XShapeCombineRectangles(display_, topLevel.xid, ShapeBounding, 0, 0, &rect, 1, opaque ? ShapeUnion : ShapeSubtract,
                            Unsorted);
}

bool X11Platform::topmostOver(const WindowRecord& topLevel, NativeHandle layer, Rect area) const {
    for (NativeHandle surface : topLevel.surfaces) {
        if (surface == layer) return true;  // everything after it lies below
        const WindowRecord& above = windows_.at(surface);
        if (above.visible && !isEmpty(intersect(above.rect, area))) return false;
    }
    return true;
}

}  // namespace love::platform::x11
