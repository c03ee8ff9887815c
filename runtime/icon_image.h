// The first image of an icon or cursor file, rewritten as a BMP file so that the BMP decoder can
// read it.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace love::runtime {

// Nothing when the directory or the image is damaged, or the image is not a device-independent
// bitmap (icons may also carry PNG images). The AND mask is left out: pictures have no
// transparency of their own.
std::optional<std::vector<std::uint8_t>> firstIconImageAsBmp(std::span<const std::uint8_t> iconFile);

}  // namespace love::runtime
