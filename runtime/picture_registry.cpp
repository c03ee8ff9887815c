#include "runtime/picture_registry.h"

#include <optional>

namespace love::runtime {

std::uint32_t PictureRegistry::load(std::span<const std::uint8_t> bytes) {
    std::optional<Picture> picture = decodePicture(bytes);
    if (!picture) return 0;
    // Handles count up, so a released handle does not soon name a different picture; 0 is
    // skipped when the count wraps, and so is any handle still in use.
    std::uint32_t handle = lastHandle_;
    do {
        ++handle;
    } while (handle == 0 || pictures_.contains(handle));
    lastHandle_ = handle;
    pictures_.emplace(handle, std::move(*picture));
    return handle;
}

const Picture* PictureRegistry::find(std::uint32_t handle) const {
    const auto it = pictures_.find(handle);
    return it == pictures_.end() ? nullptr : &it->second;
}

void PictureRegistry::releaseAll() { pictures_.clear(); }

}  // namespace love::runtime
