// Decoded pictures and the decoder that load picture and background painting share.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace love::runtime {

// A decoded picture: one colour per pixel, 0x00RRGGBB, row-major. No transparency of its own.
struct Picture {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<std::uint32_t> pixels;
};

enum class PictureFormat { None, Gif, Jpeg, Bmp, Icon, Cursor, Pcx8, Pcx1 };

// The format named by the leading bytes alone (None for fewer than 6 bytes or no match).
PictureFormat recogniseFormat(std::span<const std::uint8_t> bytes);
// Decodes a recognised picture (a GIF's first image); nothing for bad or unsupported data.
// Never reads outside the bytes, never hangs.
std::optional<Picture> decodePicture(std::span<const std::uint8_t> bytes);

}  // namespace love::runtime
