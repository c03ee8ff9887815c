// The drawing board of a DrawPanel control: draws pictures, writes text lines at a write
// position and clears rectangles straight onto its surface, each visible when the call returns.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

#include "platform/platform.h"
#include "runtime/draw_panel_properties.h"
#include "runtime/picture_registry.h"
#include "runtime/trace.h"

namespace love::runtime {

class DrawingBoard {
public:
    DrawingBoard(platform::Platform& platform, const PictureRegistry& pictures, platform::NativeHandle surface,
                 const DrawPanelProperties& properties, DrawingTrace* trace /* may be null */);
    DrawingBoard(const DrawingBoard&) = delete;
    DrawingBoard& operator=(const DrawingBoard&) = delete;
    ~DrawingBoard();

    // The surface has a new size: the write position returns to (0, 0) and everything is repainted.
    void sizeChanged();
    // Fills the area with the background colour (the board keeps no copy of what it drew).
    void repaint(platform::Rect area);

    // Omitted x and y are 0; omitted sizes are the picture's own; an omitted copy mode is 1.
    // A negative copy mode -c draws with c (0x00BBGGRR) as the key colour left out.
    void drawPicture(std::uint32_t handle, std::optional<std::int32_t> x, std::optional<std::int32_t> y,
                     std::optional<std::int32_t> width, std::optional<std::int32_t> height,
                     std::optional<std::int32_t> copyMode);
    // An omitted coordinate keeps its value.
    void setWritePosition(std::optional<std::int32_t> x, std::optional<std::int32_t> y);
    // Writes the text (GBK) as one line per CR or LF, scrolling up at the bottom edge.
    void writeLine(std::string_view text);
    // Fills the rectangle with the background colour and moves the write position to its corner.
    void clear(std::optional<std::int32_t> left, std::optional<std::int32_t> top, std::optional<std::int32_t> width,
               std::optional<std::int32_t> height);

    std::int32_t writeX() const { return writeX_; }
    std::int32_t writeY() const { return writeY_; }

    // A rectangle in 64-bit coordinates, so that sums of 32-bit arguments cannot overflow.
    struct Span64 {
        std::int64_t left = 0;
        std::int64_t top = 0;
        std::int64_t right = 0;
        std::int64_t bottom = 0;
    };

private:
    void paintPicture(std::uint32_t handle, std::int32_t left, std::int32_t top, std::optional<std::int32_t> width,
                      std::optional<std::int32_t> height, std::int32_t mode);
    void writeOneLine(std::string_view line);
    void scrollUp(std::int64_t distance);
    std::int32_t lineHeight() const;
    std::uint32_t backgroundRgb() const;
    void fill(const Span64& area, std::uint32_t rgb);

    platform::Platform& platform_;
    const PictureRegistry& pictures_;
    platform::NativeHandle surface_;
    DrawPanelProperties properties_;
    DrawingTrace* trace_;
    std::unique_ptr<platform::Font> font_;
    std::int32_t writeX_ = 0;
    std::int32_t writeY_ = 0;
};

}  // namespace love::runtime
