// Small pictures made in memory for the picture and drawing board tests.
#pragma once

#include <cstdint>
#include <vector>

namespace love::test {

// A 24-bit bottom-up BMP of the pixels (0x00RRGGBB, row-major, top row first).
inline std::vector<std::uint8_t> makeBmp(std::int32_t width, std::int32_t height,
                                         const std::vector<std::uint32_t>& pixels) {
    const std::uint32_t rowBytes = (static_cast<std::uint32_t>(width) * 3 + 3) & ~3u;
    const std::uint32_t dataBytes = rowBytes * static_cast<std::uint32_t>(height);
    std::vector<std::uint8_t> out;
    auto put16 = [&](std::uint32_t v) {
        out.push_back(static_cast<std::uint8_t>(v));
        out.push_back(static_cast<std::uint8_t>(v >> 8));
    };
    auto put32 = [&](std::uint32_t v) {
        put16(v & 0xFFFF);
        put16(v >> 16);
    };
    out.push_back('B');
    out.push_back('M');
    put32(54 + dataBytes);
    put32(0);
    put32(54);
    put32(40);
    put32(static_cast<std::uint32_t>(width));
    put32(static_cast<std::uint32_t>(height));
    put16(1);
    put16(24);
    put32(0);
    put32(dataBytes);
    put32(2835);
    put32(2835);
    put32(0);
    put32(0);
    for (std::int32_t row = height - 1; row >= 0; --row) {
        for (std::int32_t column = 0; column < width; ++column) {
            const std::uint32_t p = pixels[static_cast<std::size_t>(row) * width + column];
            out.push_back(static_cast<std::uint8_t>(p));
            out.push_back(static_cast<std::uint8_t>(p >> 8));
            out.push_back(static_cast<std::uint8_t>(p >> 16));
        }
        for (std::uint32_t pad = static_cast<std::uint32_t>(width) * 3; pad < rowBytes; ++pad) out.push_back(0);
    }
    return out;
}

// A 2 x 1 GIF89a: pixel 0 is palette index 0 (red), pixel 1 index 1 (blue), and a graphic
// control extension marks index 1 as the transparent colour.
inline std::vector<std::uint8_t> makeGifWithTransparentIndex() {
    // clang-format off
    return {
        'G', 'I', 'F', '8', '9', 'a',
        0x02, 0x00, 0x01, 0x00,                          // logical screen 2 x 1
        0x81, 0x00, 0x00,                                // global table of 4 entries, background 0
        0xFF, 0x00, 0x00,  0x00, 0x00, 0xFF,  0x00, 0x00, 0x00,  0x00, 0x00, 0x00,
        0x21, 0xF9, 0x04, 0x01, 0x00, 0x00, 0x01, 0x00,  // transparent index 1
        0x2C, 0x00, 0x00, 0x00, 0x00, 0x02, 0x00, 0x01, 0x00, 0x00,
        0x02, 0x02, 0x44, 0x0A, 0x00,                    // LZW: clear, 0, 1, end
        0x3B,
    };
    // clang-format on
}

}  // namespace love::test
