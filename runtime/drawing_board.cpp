#include "runtime/drawing_board.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <utility>

namespace love::runtime {
namespace {

using platform::PixelView;
using platform::Rect;

constexpr std::int32_t kFallbackLineHeight = 16;  // a platform that gave no font at all

using Span64 = DrawingBoard::Span64;

// The part of the rectangle on a board of this size; nothing when that part is empty.
std::optional<Rect> clipToBoard(const Span64& r, std::int32_t boardWidth, std::int32_t boardHeight) {
    const std::int64_t left = std::max<std::int64_t>(r.left, 0);
    const std::int64_t top = std::max<std::int64_t>(r.top, 0);
    const std::int64_t right = std::min<std::int64_t>(r.right, boardWidth);
    const std::int64_t bottom = std::min<std::int64_t>(r.bottom, boardHeight);
    if (left >= right || top >= bottom) return std::nullopt;
    return Rect{static_cast<std::int32_t>(left), static_cast<std::int32_t>(top),
                static_cast<std::int32_t>(right - left), static_cast<std::int32_t>(bottom - top)};
}

std::int32_t saturate(std::int64_t v) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, std::numeric_limits<std::int32_t>::min(),
                                                              std::numeric_limits<std::int32_t>::max()));
}

platform::FontRequest fontRequestOf(const FontRecord& font) {
    platform::FontRequest request;
    request.face = font.face;
    request.height = font.height;
    request.width = font.width;
    request.weight = font.weight;
    request.italic = font.italic;
    request.underline = font.underline;
    request.strikeOut = font.strikeOut;
    request.charset = font.charset;
    request.outPrecision = font.outPrecision;
    request.clipPrecision = font.clipPrecision;
    request.quality = font.quality;
    request.pitchAndFamily = font.pitchAndFamily;
    return request;
}

// How one picture pixel combines with the board pixel under it (both 0x00RRGGBB); the key
// colour is handled before this is called.
std::uint32_t combine(std::int32_t copyMode, std::uint32_t board, std::uint32_t picture) {
    switch (copyMode) {
        case 2:
            return ~picture & 0x00FFFFFFu;
        case 3:
            return board ^ picture;
        case 4:
            return board | picture;
        case 5:
            return board & picture;
        default:  // 1, and the modes nothing defines
            return picture;
    }
}

}  // namespace

DrawingBoard::DrawingBoard(platform::Platform& platform, const PictureRegistry& pictures,
                           platform::NativeHandle surface, const DrawPanelProperties& properties, DrawingTrace* trace)
    : platform_(platform),
      pictures_(pictures),
      surface_(surface),
      properties_(properties),
      trace_(trace),
      font_(platform.createFont(fontRequestOf(properties.font))) {}

DrawingBoard::~DrawingBoard() = default;

std::uint32_t DrawingBoard::backgroundRgb() const {
    if (properties_.backgroundColour == kSystemDefaultColour) return platform_.buttonFaceColour() & 0x00FFFFFFu;
    return colourToRgb(properties_.backgroundColour & 0x00FFFFFFu);
}

std::int32_t DrawingBoard::lineHeight() const {
    // Every line of a font has its cell height, an empty one included (the height of "W").
    return font_ ? font_->cellHeight() : kFallbackLineHeight;
}

void DrawingBoard::fill(const Span64& area, std::uint32_t rgb) {
    const PixelView view = platform_.pixels(surface_);
    const std::optional<Rect> clipped = clipToBoard(area, view.width, view.height);
    if (!clipped || view.pixels == nullptr) return;
    for (std::int32_t row = clipped->y; row < clipped->y + clipped->height; ++row) {
        std::fill_n(&view.at(clipped->x, row), clipped->width, rgb);
    }
    platform_.presentFill(surface_, *clipped, rgb);
}

void DrawingBoard::sizeChanged() {
    writeX_ = 0;
    writeY_ = 0;
    const PixelView view = platform_.pixels(surface_);
    repaint(Rect{0, 0, view.width, view.height});
}

void DrawingBoard::repaint(Rect area) {
    fill({area.x, area.y, std::int64_t{area.x} + area.width, std::int64_t{area.y} + area.height}, backgroundRgb());
}

void DrawingBoard::drawPicture(std::uint32_t handle, std::optional<std::int32_t> x, std::optional<std::int32_t> y,
                               std::optional<std::int32_t> width, std::optional<std::int32_t> height,
                               std::optional<std::int32_t> copyMode) {
    const std::int32_t left = x.value_or(0);
    const std::int32_t top = y.value_or(0);
    paintPicture(handle, left, top, width, height, copyMode.value_or(1));
    if (trace_) trace_->pictureDrawn(handle, left, top);
}

void DrawingBoard::paintPicture(std::uint32_t handle, std::int32_t left, std::int32_t top,
                                std::optional<std::int32_t> width, std::optional<std::int32_t> height,
                                std::int32_t mode) {
    const Picture* picture = pictures_.find(handle);
    if (picture == nullptr || picture->width <= 0 || picture->height <= 0) return;
    const std::int64_t drawnWidth = width.value_or(picture->width);
    const std::int64_t drawnHeight = height.value_or(picture->height);
    if (drawnWidth <= 0 || drawnHeight <= 0) return;

    const PixelView view = platform_.pixels(surface_);
    if (view.pixels == nullptr) return;
    const std::optional<Rect> clipped =
        clipToBoard({left, top, left + drawnWidth, top + drawnHeight}, view.width, view.height);
    if (!clipped) return;

    // A negative mode -c keys out c; a c beyond 24 bits is no colour, so nothing is left out.
    const bool keyed = mode < 0;
    const std::int64_t keyValue = keyed ? -std::int64_t{mode} : 0;
    const bool keyIsColour = keyed && keyValue <= 0x00FFFFFF;
    const std::uint32_t keyRgb = keyIsColour ? colourToRgb(static_cast<Colour>(keyValue)) : 0;

    for (std::int32_t row = clipped->y; row < clipped->y + clipped->height; ++row) {
        // Nearest neighbour: picture and left-out pixels scale together.
        const std::int64_t sourceRow = (row - std::int64_t{top}) * picture->height / drawnHeight;
        const std::uint32_t* sourceLine = &picture->pixels[static_cast<std::size_t>(sourceRow) * picture->width];
        std::uint32_t* target = &view.at(clipped->x, row);
        for (std::int32_t column = clipped->x; column < clipped->x + clipped->width; ++column, ++target) {
            const std::int64_t sourceColumn = (column - std::int64_t{left}) * picture->width / drawnWidth;
            const std::uint32_t pixel = sourceLine[sourceColumn];
            if (keyed) {
                if (!(keyIsColour && pixel == keyRgb)) *target = pixel;
            } else {
                *target = combine(mode, *target, pixel) & 0x00FFFFFFu;
            }
        }
    }
    platform_.present(surface_, *clipped);
}

void DrawingBoard::setWritePosition(std::optional<std::int32_t> x, std::optional<std::int32_t> y) {
    if (x) writeX_ = *x;
    if (y) writeY_ = *y;
    if (trace_) trace_->writePositionSet(writeX_, writeY_);
}

void DrawingBoard::writeLine(std::string_view text) {
    // Lines end at CR or LF; an LF straight after the break character belongs to that break.
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n') continue;
        writeOneLine(text.substr(start, i - start));
        if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        start = i + 1;
    }
    writeOneLine(text.substr(start));
}

void DrawingBoard::scrollUp(std::int64_t distance) {
    const PixelView view = platform_.pixels(surface_);
    if (view.pixels == nullptr || view.width <= 0 || view.height <= 0) return;
    const std::int64_t kept = std::max<std::int64_t>(std::int64_t{view.height} - distance, 0);
    const std::size_t rowBytes = static_cast<std::size_t>(view.width) * sizeof(std::uint32_t);
    if (kept > 0) {
        std::memmove(&view.at(0, 0), &view.at(0, static_cast<std::int32_t>(distance)),
                     static_cast<std::size_t>(kept) * rowBytes);
    }
    const std::uint32_t background = backgroundRgb();
    for (std::int64_t row = kept; row < view.height; ++row) {
        std::fill_n(&view.at(0, static_cast<std::int32_t>(row)), view.width, background);
    }
    platform_.present(surface_, Rect{0, 0, view.width, view.height});
}

void DrawingBoard::writeOneLine(std::string_view line) {
    const std::int32_t h = lineHeight();
    const std::int64_t boardHeight = platform_.pixels(surface_).height;
    std::int64_t y = writeY_;
    if (y + h > boardHeight) {
        const std::int64_t distance = y + h + 2 - boardHeight;
        scrollUp(distance);
        y -= distance;
    }
    const std::int32_t x = writeX_;
    const auto top = static_cast<std::int32_t>(y);

    if (!line.empty() && font_) {
        const platform::TextMask mask = font_->render(line);
        const PixelView view = platform_.pixels(surface_);
        const std::int64_t maskHeight = std::min<std::int64_t>(mask.height, h);
        const std::optional<Rect> clipped =
            view.pixels ? clipToBoard({x, top, std::int64_t{x} + mask.width, top + maskHeight}, view.width, view.height)
                        : std::nullopt;
        const bool coverageComplete =
            mask.coverage.size() >= static_cast<std::size_t>(mask.width) * static_cast<std::size_t>(mask.height);
        if (clipped && coverageComplete) {
            if (properties_.textBackgroundColour != kSystemDefaultColour) {
                const std::uint32_t cellRgb = colourToRgb(properties_.textBackgroundColour & 0x00FFFFFFu);
                for (std::int32_t row = clipped->y; row < clipped->y + clipped->height; ++row) {
                    std::fill_n(&view.at(clipped->x, row), clipped->width, cellRgb);
                }
            }
            const std::uint32_t textRgb = colourToRgb(properties_.textColour & 0x00FFFFFFu);
            for (std::int32_t row = clipped->y; row < clipped->y + clipped->height; ++row) {
                const std::uint8_t* coverage =
                    &mask.coverage[static_cast<std::size_t>(row - top) * static_cast<std::size_t>(mask.width)];
                std::uint32_t* target = &view.at(clipped->x, row);
                for (std::int32_t column = clipped->x; column < clipped->x + clipped->width; ++column, ++target) {
                    if (coverage[column - x]) *target = textRgb;
                }
            }
            platform_.present(surface_, *clipped);
        }
    }
    if (trace_) trace_->lineWritten(x, top, line);
    writeY_ = saturate(y + h + 2);
}

void DrawingBoard::clear(std::optional<std::int32_t> left, std::optional<std::int32_t> top,
                         std::optional<std::int32_t> width, std::optional<std::int32_t> height) {
    const PixelView view = platform_.pixels(surface_);
    Span64 r{0, 0, view.width, view.height};
    if (left) r.left = *left;
    if (top) r.top = *top;
    if (width) r.right = r.left + *width;
    if (height) r.bottom = r.top + *height;
    const std::int64_t resolvedWidth = r.right - r.left;
    const std::int64_t resolvedHeight = r.bottom - r.top;
    if (r.left > r.right) std::swap(r.left, r.right);
    if (r.top > r.bottom) std::swap(r.top, r.bottom);

    if (r.left != r.right && r.top != r.bottom) {
        fill(r, backgroundRgb());
    }
    writeX_ = saturate(r.left);
    writeY_ = saturate(r.top);
    if (trace_) {
        trace_->cleared(saturate(left.value_or(0)), saturate(top.value_or(0)), saturate(resolvedWidth),
                        saturate(resolvedHeight));
    }
}

}  // namespace love::runtime
