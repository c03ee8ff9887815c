// Rectangle arithmetic shared by the presenting and shaping code.
#pragma once

#include <algorithm>

#include "platform/platform.h"

namespace love::platform::x11 {

inline Rect intersect(Rect a, Rect b) {
    const std::int32_t left = std::max(a.x, b.x), top = std::max(a.y, b.y);
    const std::int64_t right = std::min<std::int64_t>(std::int64_t{a.x} + a.width, std::int64_t{b.x} + b.width);
    const std::int64_t bottom = std::min<std::int64_t>(std::int64_t{a.y} + a.height, std::int64_t{b.y} + b.height);
    if (right <= left || bottom <= top) return {};
    return {left, top, static_cast<std::int32_t>(right - left), static_cast<std::int32_t>(bottom - top)};
}

inline bool isEmpty(Rect r) { return r.width <= 0 || r.height <= 0; }

inline Rect offset(Rect r, std::int32_t dx, std::int32_t dy) { return {r.x + dx, r.y + dy, r.width, r.height}; }

}  // namespace love::platform::x11
