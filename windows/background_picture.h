// A window's background picture: decoded on its first repaint and kept, then painted into the
// client pixels by its mode on every repaint.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>

#include "platform/platform.h"
#include "runtime/picture.h"

namespace love::windows {

enum class BackgroundMode : std::int32_t {
    TopLeft = 0,  // at (0, 0) at the picture's own size
    Tiled = 1,
    Centred = 2,  // shrunk to fit, proportions kept
    Stretched = 3,
};

// Paints `picture` (null: none) into the part of `area` that lies in the client, copying it
// opaquely and resampling smoothly; what no picture covers is filled with backgroundRgb
// (0x00RRGGBB). Modes outside 0..3 are brought to the nearest of them.
void paintBackgroundPicture(platform::PixelView client, platform::Rect area, const runtime::Picture* picture,
                            std::int32_t mode, std::uint32_t backgroundRgb);

class BackgroundPicture {
public:
    using Decoder = std::function<std::optional<runtime::Picture>(std::span<const std::uint8_t>)>;

    BackgroundPicture();  // decodes with runtime::decodePicture
    explicit BackgroundPicture(Decoder decoder);

    // One repaint. Bytes that did not decode are tried again next time; other bytes than last
    // time are decoded afresh.
    void paint(platform::PixelView client, platform::Rect area, std::span<const std::uint8_t> bytes, std::int32_t mode,
               std::uint32_t backgroundRgb);

private:
    Decoder decoder_;
    std::optional<runtime::Picture> decoded_;
    const std::uint8_t* decodedFrom_ = nullptr;
    std::size_t decodedSize_ = 0;
};

}  // namespace love::windows
