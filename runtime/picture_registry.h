// The process-wide registry of decoded pictures, named by non-zero handles.
#pragma once

#include <cstdint>
#include <map>
#include <span>

#include "runtime/picture.h"

namespace love::runtime {

class PictureRegistry {
public:
    // Decodes the bytes and registers the picture; 0, with nothing registered, for empty, short,
    // unrecognised or undecodable data.
    std::uint32_t load(std::span<const std::uint8_t> bytes);
    // The picture a handle names; null for 0 and for handles never given out or released.
    const Picture* find(std::uint32_t handle) const;
    void releaseAll();
    std::size_t count() const { return pictures_.size(); }

private:
    std::map<std::uint32_t, Picture> pictures_;
    std::uint32_t lastHandle_ = 0;
};

}  // namespace love::runtime
