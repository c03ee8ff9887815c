#include "runtime/pcx_decoder.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace love::runtime {
namespace {

constexpr std::size_t kHeaderSize = 128;
constexpr std::size_t kPaletteSize = 769;  // 0x0C, then 256 RGB triples, at the very end
constexpr std::int64_t kLargestSide = 16384;
constexpr std::int64_t kLargestPixelCount = 32 * 1024 * 1024;

std::uint32_t le16(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint32_t>(b[at]) | (static_cast<std::uint32_t>(b[at + 1]) << 8);
}

// The run-length coded scan lines, expanded; as many bytes as `total`, zero where data end.
std::vector<std::uint8_t> expandRuns(std::span<const std::uint8_t> coded, std::size_t total) {
    std::vector<std::uint8_t> out;
    out.reserve(total);
    std::size_t at = 0;
    while (out.size() < total && at < coded.size()) {
        const std::uint8_t b = coded[at++];
        if ((b & 0xC0) == 0xC0) {
            if (at >= coded.size()) break;
            const std::uint8_t value = coded[at++];
            const std::size_t count = std::min<std::size_t>(b & 0x3F, total - out.size());
            out.insert(out.end(), count, value);
        } else {
            out.push_back(b);
        }
    }
    out.resize(total, 0);
    return out;
}

}  // namespace

std::optional<Picture> decodePcx(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < kHeaderSize || bytes[0] != 0x0A || bytes[2] != 0x01) return std::nullopt;
    const std::uint32_t bitsPerPixel = bytes[3];
    const std::int64_t width = std::int64_t{le16(bytes, 8)} - le16(bytes, 4) + 1;
    const std::int64_t height = std::int64_t{le16(bytes, 10)} - le16(bytes, 6) + 1;
    const std::uint32_t planes = bytes[65];
    const std::size_t bytesPerLine = le16(bytes, 66);
    if (width <= 0 || height <= 0 || width > kLargestSide || height > kLargestSide ||
        width * height > kLargestPixelCount) {
        return std::nullopt;
    }
    const bool paletted = bitsPerPixel == 8 && planes == 1;
    const bool trueColour = bitsPerPixel == 8 && planes == 3;
    const bool monochrome = bitsPerPixel == 1 && planes == 1;
    if (!paletted && !trueColour && !monochrome) return std::nullopt;
    if (static_cast<std::int64_t>(bytesPerLine) * 8 < width * bitsPerPixel) return std::nullopt;

    const std::size_t lineBytes = bytesPerLine * planes;
    std::span<const std::uint8_t> coded = bytes.subspan(kHeaderSize);
    std::vector<std::uint32_t> palette(256);
    for (std::uint32_t i = 0; i < 256; ++i) palette[i] = i * 0x010101u;  // grey when no palette
    if (paletted && bytes.size() >= kHeaderSize + kPaletteSize && bytes[bytes.size() - kPaletteSize] == 0x0C) {
        const std::span<const std::uint8_t> table = bytes.last(kPaletteSize - 1);
        for (std::size_t i = 0; i < 256; ++i) {
            palette[i] =
                (std::uint32_t{table[3 * i]} << 16) | (std::uint32_t{table[3 * i + 1]} << 8) | table[3 * i + 2];
        }
        coded = coded.first(coded.size() - kPaletteSize);
    }
    const std::vector<std::uint8_t> lines = expandRuns(coded, lineBytes * static_cast<std::size_t>(height));

    Picture picture;
    picture.width = static_cast<std::int32_t>(width);
    picture.height = static_cast<std::int32_t>(height);
    picture.pixels.resize(static_cast<std::size_t>(width * height));
    for (std::int64_t y = 0; y < height; ++y) {
        const std::uint8_t* line = &lines[static_cast<std::size_t>(y) * lineBytes];
        std::uint32_t* row = &picture.pixels[static_cast<std::size_t>(y * width)];
        for (std::int64_t x = 0; x < width; ++x) {
            if (paletted) {
                row[x] = palette[line[x]];
            } else if (trueColour) {
                row[x] = (std::uint32_t{line[x]} << 16) | (std::uint32_t{line[bytesPerLine + x]} << 8) |
                         line[2 * bytesPerLine + x];
            } else {
                row[x] = (line[x >> 3] & (0x80u >> (x & 7))) ? 0x00FFFFFFu : 0x00000000u;
            }
        }
    }
    return picture;
}

}  // namespace love::runtime
