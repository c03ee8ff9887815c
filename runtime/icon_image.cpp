#include "runtime/icon_image.h"

#include <algorithm>

namespace love::runtime {
namespace {

constexpr std::size_t kDirectorySize = 6;
constexpr std::size_t kEntrySize = 16;
constexpr std::size_t kInfoHeaderSize = 40;
constexpr std::size_t kFileHeaderSize = 14;
constexpr std::uint32_t kBitFields = 3;

std::uint32_t le16(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint32_t>(b[at]) | (static_cast<std::uint32_t>(b[at + 1]) << 8);
}
std::uint32_t le32(std::span<const std::uint8_t> b, std::size_t at) { return le16(b, at) | (le16(b, at + 2) << 16); }
void putLe32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

}  // namespace

std::optional<std::vector<std::uint8_t>> firstIconImageAsBmp(std::span<const std::uint8_t> iconFile) {
    if (iconFile.size() < kDirectorySize + kEntrySize || le16(iconFile, 4) < 1) return std::nullopt;
    const std::uint64_t imageSize = le32(iconFile, kDirectorySize + 8);
    const std::uint64_t imageOffset = le32(iconFile, kDirectorySize + 12);
    if (imageSize < kInfoHeaderSize || imageOffset + imageSize > iconFile.size()) return std::nullopt;
    const std::span<const std::uint8_t> dib = iconFile.subspan(imageOffset, imageSize);

    const std::uint32_t headerSize = le32(dib, 0);
    if (headerSize < kInfoHeaderSize || headerSize > dib.size()) return std::nullopt;
    // The stored height counts the colour rows and the mask rows together.
    const auto storedHeight = static_cast<std::int32_t>(le32(dib, 8));
    const std::int32_t height = storedHeight / 2;
    if (height <= 0) return std::nullopt;
    const std::uint32_t bitsPerPixel = le16(dib, 14);
    const std::uint32_t compression = le32(dib, 16);
    const std::uint64_t coloursUsed = le32(dib, 32);
    std::uint64_t paletteBytes = 0;
    if (bitsPerPixel <= 8) paletteBytes = 4 * (coloursUsed != 0 ? coloursUsed : (std::uint64_t{1} << bitsPerPixel));
    if (compression == kBitFields && headerSize == kInfoHeaderSize) paletteBytes += 12;
    const std::uint64_t pixelOffset = kFileHeaderSize + headerSize + paletteBytes;
    if (pixelOffset >= kFileHeaderSize + dib.size()) return std::nullopt;

    std::vector<std::uint8_t> bmp(kFileHeaderSize + dib.size());
    bmp[0] = 'B';
    bmp[1] = 'M';
    putLe32(bmp, 2, static_cast<std::uint32_t>(bmp.size()));
    putLe32(bmp, 6, 0);
    putLe32(bmp, 10, static_cast<std::uint32_t>(pixelOffset));
    std::copy(dib.begin(), dib.end(), bmp.begin() + kFileHeaderSize);
    putLe32(bmp, kFileHeaderSize + 8, static_cast<std::uint32_t>(height));
    return bmp;
}

}  // namespace love::runtime
