// PCX pictures: 8 bits per pixel (one plane with a 256-colour palette, or three planes of red,
// green and blue) and 1 bit per pixel (black and white).
#pragma once

#include <optional>
#include <span>

#include "runtime/picture.h"

namespace love::runtime {

// Nothing for damaged headers, unsupported layouts or pictures too large to hold; pixel data
// that end early leave the rest of the picture black.
std::optional<Picture> decodePcx(std::span<const std::uint8_t> bytes);

}  // namespace love::runtime
