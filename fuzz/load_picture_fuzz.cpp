// Load picture on arbitrary bytes: the format check, the decoder and the picture registry.
#include <cstdint>
#include <optional>
#include <span>

#include "fuzz/fuzz_check.h"
#include "runtime/picture.h"
#include "runtime/picture_registry.h"

namespace {

using love::runtime::Picture;
using love::runtime::PictureFormat;

void checkPicture(const Picture& picture) {
    FUZZ_CHECK(picture.width > 0 && picture.height > 0);
    FUZZ_CHECK(static_cast<std::uint64_t>(picture.width) * static_cast<std::uint64_t>(picture.height) ==
               picture.pixels.size());
    for (const std::uint32_t pixel : picture.pixels) FUZZ_CHECK((pixel & 0xFF000000u) == 0);  // no alpha
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    const PictureFormat format = love::runtime::recogniseFormat(bytes);
    if (size < 6) FUZZ_CHECK(format == PictureFormat::None);

    const std::optional<Picture> decoded = love::runtime::decodePicture(bytes);
    if (format == PictureFormat::None) FUZZ_CHECK(!decoded);
    if (decoded) checkPicture(*decoded);

    love::runtime::PictureRegistry registry;
    const std::uint32_t handle = registry.load(bytes);
    FUZZ_CHECK((handle != 0) == decoded.has_value());
    FUZZ_CHECK(registry.count() == (handle != 0 ? 1u : 0u));
    FUZZ_CHECK(registry.find(0) == nullptr);
    if (handle != 0) {
        const Picture* registered = registry.find(handle);
        FUZZ_CHECK(registered != nullptr);
        FUZZ_CHECK(registered->width == decoded->width && registered->height == decoded->height);
        FUZZ_CHECK(registered->pixels == decoded->pixels);  // the same bytes decode the same way
        // A second load gets a handle of its own.
        const std::uint32_t second = registry.load(bytes);
        FUZZ_CHECK(second != 0 && second != handle && registry.count() == 2);
    }
    registry.releaseAll();
    FUZZ_CHECK(registry.count() == 0 && registry.find(handle) == nullptr);
    return 0;
}
