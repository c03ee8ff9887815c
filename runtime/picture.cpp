// Picture recognition by leading bytes, and decoding of GIF, JPEG and BMP with stb_image.
#include "runtime/picture.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>
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
// The decoder leaves parts of its buffers unwritten on some corrupt data (a JPEG whose scans do
// not cover every block): zeroed buffers make such a picture come out the same every time
// instead of showing whatever the heap held.
#define STBI_MALLOC(size) std::calloc(1, size)
#define STBI_REALLOC(pointer, size) std::realloc(pointer, size)
#define STBI_FREE(pointer) std::free(pointer)
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

// Whether some huffman-table segment (0xFF 0xC4) defines a table of more than 256 codes. The
// decoder builds such a table into fixed 256-entry arrays and writes past their end, so these
// data are refused before it sees them. Every 0xFF 0xC4 is checked, also inside other segments
// or the scan data, since the decoder resynchronises on any marker it meets there; a valid
// table never holds more than 256 codes. Reads as the decoder does: bytes past the end are 0.
bool hasOversizedHuffmanTable(std::span<const std::uint8_t> bytes) {
    const auto byteAt = [&](std::size_t at) -> std::uint32_t { return at < bytes.size() ? bytes[at] : 0u; };
    for (std::size_t marker = 0; marker + 1 < bytes.size(); ++marker) {
        if (bytes[marker] != 0xFF || bytes[marker + 1] != 0xC4) continue;
        std::int64_t left = static_cast<std::int64_t>((byteAt(marker + 2) << 8) | byteAt(marker + 3)) - 2;
        std::size_t at = marker + 4;
        while (left > 0) {
            const std::uint32_t tableClassAndId = byteAt(at);
            if ((tableClassAndId >> 4) > 1 || (tableClassAndId & 15) > 3) break;  // the decoder stops here
            std::uint32_t codes = 0;
            for (std::size_t i = 1; i <= 16; ++i) codes += byteAt(at + i);
            if (codes > 256) return true;
            at += 17 + codes;
            left -= 17 + static_cast<std::int64_t>(codes);
        }
    }
    return false;
}

// What a paletted BMP needs before the decoder sees it. The decoder keeps its palette in an
// uninitialised table of 256 entries: an index past the entries it read would be coloured from
// leftover stack bytes. It also reckons the palette of a 12-byte (core) header four entries too
// short, and with fewer than five entries not at all.
struct BmpPalettePreparation {
    bool refuse = false;
    std::optional<std::vector<std::uint8_t>> rewritten;  // nothing: decode the data as they are
};

// Rewrites a paletted BMP into one with a 40-byte header and a palette of exactly 256 entries,
// the stored ones followed by black; its pixels are the original pixel bytes unchanged.
std::vector<std::uint8_t> bmpWithFullPalette(std::span<const std::uint8_t> bytes, std::size_t headerSize,
                                             std::size_t entrySize, std::size_t entries, std::size_t pixelsAt,
                                             std::int32_t width, std::int32_t height, std::uint16_t bits) {
    constexpr std::uint32_t kOffset = 14 + 40 + 256 * 4;
    const std::size_t pixelBytes = pixelsAt < bytes.size() ? bytes.size() - pixelsAt : 0;
    std::vector<std::uint8_t> out;
    out.reserve(kOffset + pixelBytes);
    const auto put16 = [&](std::uint32_t v) {
        out.push_back(static_cast<std::uint8_t>(v));
        out.push_back(static_cast<std::uint8_t>(v >> 8));
    };
    const auto put32 = [&](std::uint32_t v) {
        put16(v & 0xFFFF);
        put16(v >> 16);
    };
    out.push_back('B');
    out.push_back('M');
    put32(static_cast<std::uint32_t>(kOffset + pixelBytes));
    put32(0);
    put32(kOffset);
    put32(40);
    put32(static_cast<std::uint32_t>(width));
    put32(static_cast<std::uint32_t>(height));
    put16(1);
    put16(bits);
    for (int i = 0; i < 6; ++i) put32(0);  // no compression, sizes and counts left to the reader
    for (std::size_t i = 0; i < 256; ++i) {
        const std::size_t at = 14 + headerSize + i * entrySize;
        for (std::size_t c = 0; c < 3; ++c) out.push_back(i < entries && at + c < bytes.size() ? bytes[at + c] : 0);
        out.push_back(0);
    }
    if (pixelBytes > 0) out.insert(out.end(), bytes.begin() + static_cast<std::ptrdiff_t>(pixelsAt), bytes.end());
    return out;
}

BmpPalettePreparation preparePalette(std::span<const std::uint8_t> bytes) {
    constexpr std::size_t kFileHeader = 14;
    if (bytes.size() < 2 || bytes[0] != 'B' || bytes[1] != 'M') return {};
    // Header fields past the end read as 0, as the decoder reads them.
    const auto byteAt = [&](std::size_t at) -> std::uint32_t { return at < bytes.size() ? bytes[at] : 0u; };
    const auto le16 = [&](std::size_t at) { return static_cast<std::uint16_t>(byteAt(at) | (byteAt(at + 1) << 8)); };
    const auto le32 = [&](std::size_t at) { return std::uint32_t{le16(at)} | (std::uint32_t{le16(at + 2)} << 16); };
    const std::int64_t offset = static_cast<std::int32_t>(le32(10));
    const std::uint32_t headerSize = le32(kFileHeader);
    const bool core = headerSize == 12;
    if (!core && headerSize != 40 && headerSize != 56 && headerSize != 108 && headerSize != 124) return {};
    const std::uint16_t bits = le16(kFileHeader + (core ? 10 : 14));
    if (bits != 1 && bits != 4 && bits != 8) return {};  // no palette, or refused by the decoder
    if (offset < 0) return {};                           // refused by the decoder
    // The decoder takes any compression value below 1 for none and refuses the others here.
    if (!core && static_cast<std::int32_t>(le32(kFileHeader + 16)) > 0) return {};

    const std::int64_t entrySize = core ? 3 : 4;
    const std::int64_t entries = (offset - static_cast<std::int64_t>(kFileHeader + headerSize)) / entrySize;
    if (entries <= 0) return {.refuse = true, .rewritten = std::nullopt};
    if (entries > 256) return {};  // refused by the decoder
    const std::size_t paletteEnd = kFileHeader + headerSize + static_cast<std::size_t>(entries * entrySize);
    if (!core && (entries == 256 || paletteEnd >= bytes.size())) return {};  // every index read is covered

    std::int32_t width = 0;
    std::int32_t height = 0;
    if (core) {  // unsigned 16-bit sizes, rows always bottom-up
        width = le16(kFileHeader + 4);
        height = le16(kFileHeader + 6);
    } else {
        width = static_cast<std::int32_t>(le32(kFileHeader + 4));
        height = static_cast<std::int32_t>(le32(kFileHeader + 8));
    }
    return {.refuse = false,
            .rewritten = bmpWithFullPalette(bytes, headerSize, static_cast<std::size_t>(entrySize),
                                            static_cast<std::size_t>(entries), static_cast<std::size_t>(offset), width,
                                            height, bits)};
}

struct StbImageDeleter {
    void operator()(stbi_uc* pixels) const { stbi_image_free(pixels); }
};

std::optional<Picture> decodeWithStb(std::span<const std::uint8_t> bytes) {
    BmpPalettePreparation palette = preparePalette(bytes);
    if (palette.refuse) return std::nullopt;
    if (palette.rewritten) return decodeWithStb(*palette.rewritten);  // needs nothing the second time
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
            if (hasOversizedHuffmanTable(bytes)) return std::nullopt;
            return decodeWithStb(bytes);
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
