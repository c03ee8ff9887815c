// Picture recognition by leading bytes, and decoding of GIF, JPEG and BMP with stb_image.
#include "runtime/picture.h"

#include <algorithm>
#include <cstddef>
#include <initializer_list>
#include <limits>
#include <memory>

// Pictures larger than this are refused before anything is allocated for them.
#define STBI_MAX_DIMENSIONS 16384
#define STB_IMAGE_IMPLEMENTATION
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#define STBI_ONLY_GIF
#define STBI_ONLY_JPEG
#define STBI_ONLY_BMP
#include <stb/stb_image.h>

#include "runtime/icon_image.h"
#include "runtime/pcx_decoder.h"

namespace love::runtime {
namespace {

constexpr std::int64_t kLargestPixelCount = 32 * 1024 * 1024;

bool startsWith(std::span<const std::uint8_t> bytes, std::initializer_list<std::uint8_t> prefix) {
    return bytes.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), bytes.begin());
}

std::uint16_t readLe16(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes[at] | (bytes[at + 1] << 8));
}

// Steps over a run of GIF data sub-blocks starting at `at`; the position after the terminator,
// or nothing when the data end first.
std::optional<std::size_t> skipSubBlocks(std::span<const std::uint8_t> bytes, std::size_t at) {
    while (at < bytes.size()) {
        const std::size_t length = bytes[at];
        ++at;
        if (length == 0) return at;
        at += length;
    }
    return std::nullopt;
}

// Clears the transparent-colour flag of every graphic control extension before the first image,
// so that the transparent index decodes as the colour its palette entry gives, like any other.
void ignoreGifTransparency(std::vector<std::uint8_t>& gif) {
    const std::span<const std::uint8_t> bytes(gif);
    constexpr std::size_t kScreenDescriptorEnd = 13;
    if (bytes.size() < kScreenDescriptorEnd) return;
    std::size_t at = kScreenDescriptorEnd;
    const std::uint8_t screenFlags = bytes[10];
    if (screenFlags & 0x80) at += 3u * (2u << (screenFlags & 7));
    while (at < bytes.size()) {
        const std::uint8_t introducer = bytes[at];
        if (introducer != 0x21 || at + 1 >= bytes.size()) return;  // an image, the trailer or garbage
        const std::uint8_t label = bytes[at + 1];
        const std::size_t body = at + 2;
        if (label == 0xF9 && body + 1 < bytes.size() && bytes[body] >= 1) gif[body + 1] &= 0xFE;
        const std::optional<std::size_t> next = skipSubBlocks(bytes, body);
        if (!next) return;
        at = *next;
    }
}

struct StbImageDeleter {
    void operator()(stbi_uc* pixels) const { stbi_image_free(pixels); }
};

std::optional<Picture> decodeWithStb(std::span<const std::uint8_t> bytes) {
    if (bytes.size() > static_cast<std::size_t>(std::numeric_limits<int>::max())) return std::nullopt;
    const auto* data = reinterpret_cast<const stbi_uc*>(bytes.data());
    const int length = static_cast<int>(bytes.size());
    int width = 0;
    int height = 0;
    int channels = 0;
    if (!stbi_info_from_memory(data, length, &width, &height, &channels)) return std::nullopt;
    if (width <= 0 || height <= 0 || static_cast<std::int64_t>(width) * height > kLargestPixelCount) {
        return std::nullopt;
    }
    std::unique_ptr<stbi_uc, StbImageDeleter> rgba(stbi_load_from_memory(data, length, &width, &height, &channels, 4));
    if (!rgba || width <= 0 || height <= 0 || static_cast<std::int64_t>(width) * height > kLargestPixelCount) {
        return std::nullopt;
    }

    Picture picture;
    picture.width = width;
    picture.height = height;
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    picture.pixels.resize(count);
    const stbi_uc* p = rgba.get();
    for (std::size_t i = 0; i < count; ++i, p += 4) {
        // A picture has no transparency of its own: alpha is dropped.
        picture.pixels[i] = (std::uint32_t{p[0]} << 16) | (std::uint32_t{p[1]} << 8) | std::uint32_t{p[2]};
    }
    return picture;
}

}  // namespace

PictureFormat recogniseFormat(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < 6) return PictureFormat::None;
    if (startsWith(bytes, {'G', 'I', 'F', '8', '7', 'a'}) || startsWith(bytes, {'G', 'I', 'F', '8', '9', 'a'})) {
        return PictureFormat::Gif;
    }
    if (startsWith(bytes, {0xFF, 0xD8})) return PictureFormat::Jpeg;
    if (startsWith(bytes, {'B', 'M'})) return PictureFormat::Bmp;
    if (startsWith(bytes, {0x00, 0x00, 0x01, 0x00}) && readLe16(bytes, 4) >= 1) return PictureFormat::Icon;
    if (startsWith(bytes, {0x00, 0x00, 0x02, 0x00}) && readLe16(bytes, 4) >= 1) return PictureFormat::Cursor;
    if (bytes[0] == 0x0A && bytes[1] <= 5 && bytes[2] == 0x01 && bytes[3] == 0x08) return PictureFormat::Pcx8;
    if (startsWith(bytes, {0x0A, 0x03, 0x01, 0x01})) return PictureFormat::Pcx1;
    return PictureFormat::None;
}

std::optional<Picture> decodePicture(std::span<const std::uint8_t> bytes) {
    switch (recogniseFormat(bytes)) {
        case PictureFormat::Gif: {
            std::vector<std::uint8_t> copy(bytes.begin(), bytes.end());
            ignoreGifTransparency(copy);
            return decodeWithStb(copy);
        }
        case PictureFormat::Jpeg:
        case PictureFormat::Bmp:
            return decodeWithStb(bytes);
        case PictureFormat::Icon:
        case PictureFormat::Cursor: {
            const std::optional<std::vector<std::uint8_t>> bmp = firstIconImageAsBmp(bytes);
            return bmp ? decodeWithStb(*bmp) : std::nullopt;
        }
        case PictureFormat::Pcx8:
        case PictureFormat::Pcx1:
            return decodePcx(bytes);
        case PictureFormat::None:
            break;
    }
    return std::nullopt;
}

}  // namespace love::runtime
