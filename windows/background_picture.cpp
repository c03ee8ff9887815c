#include "windows/background_picture.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <utility>
#include <vector>

namespace love::windows {

namespace {

struct Box {
    std::int64_t left = 0, top = 0, right = 0, bottom = 0;  // right and bottom exclusive
    bool empty() const { return right <= left || bottom <= top; }
};

Box intersect(Box a, Box b) {
    return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
}

Box boxOf(platform::Rect rect) {
    return {rect.x, rect.y, static_cast<std::int64_t>(rect.x) + rect.width,
            static_cast<std::int64_t>(rect.y) + rect.height};
}

bool usable(const runtime::Picture* picture) {
    return picture != nullptr && picture->width > 0 && picture->height > 0 &&
           picture->pixels.size() ==
               static_cast<std::size_t>(picture->width) * static_cast<std::size_t>(picture->height);
}

void fill(platform::PixelView client, Box box, std::uint32_t rgb) {
    for (std::int64_t y = box.top; y < box.bottom; ++y)
        std::fill_n(&client.at(static_cast<std::int32_t>(box.left), static_cast<std::int32_t>(y)), box.right - box.left,
                    rgb);
}

// Which source pixels, with which weights, make up each destination pixel along one axis:
// an area average when shrinking, linear interpolation when enlarging.
class AxisTaps {
public:
    AxisTaps(std::int64_t sourceSize, std::int64_t destinationSize, std::int64_t from, std::int64_t to) : from_(from) {
        const double scale = static_cast<double>(sourceSize) / static_cast<double>(destinationSize);
        for (std::int64_t i = from; i < to; ++i) {
            starts_.push_back(indices_.size());
            if (sourceSize > destinationSize) {
                const double begin = static_cast<double>(i) * scale;
                const double end = begin + scale;
                const auto first = static_cast<std::int64_t>(std::floor(begin));
                const auto last = std::min(sourceSize, static_cast<std::int64_t>(std::ceil(end)));
                for (std::int64_t j = first; j < last; ++j) {
                    const double covered =
                        std::min(end, static_cast<double>(j + 1)) - std::max(begin, static_cast<double>(j));
                    if (covered > 0) add(j, covered / scale);
                }
            } else {
                const double centre = (static_cast<double>(i) + 0.5) * scale - 0.5;
                const double floorCentre = std::floor(centre);
                const double t = centre - floorCentre;
                const auto clampIndex = [&](double j) {
                    return std::clamp(static_cast<std::int64_t>(j), std::int64_t{0}, sourceSize - 1);
                };
                add(clampIndex(floorCentre), 1.0 - t);
                if (t > 0) add(clampIndex(floorCentre + 1), t);
            }
        }
        starts_.push_back(indices_.size());
    }

    template <typename Visit>
    void forEach(std::int64_t destination, Visit&& visit) const {
        const auto k = static_cast<std::size_t>(destination - from_);
        for (std::size_t t = starts_[k]; t < starts_[k + 1]; ++t) visit(indices_[t], weights_[t]);
    }

private:
    void add(std::int64_t index, double weight) {
        indices_.push_back(index);
        weights_.push_back(weight);
    }

    std::int64_t from_;
    std::vector<std::size_t> starts_;
    std::vector<std::int64_t> indices_;
    std::vector<double> weights_;
};

std::uint32_t channel(double value) { return static_cast<std::uint32_t>(std::clamp(std::lround(value), 0L, 255L)); }

// Draws the picture scaled to `target` (in client coordinates), only inside `clip`.
void drawScaled(platform::PixelView client, const runtime::Picture& picture, Box target, Box clip) {
    const Box visible = intersect(target, clip);
    if (visible.empty()) return;
    const std::int64_t width = target.right - target.left;
    const std::int64_t height = target.bottom - target.top;
    if (width == picture.width && height == picture.height) {
        for (std::int64_t y = visible.top; y < visible.bottom; ++y)
            for (std::int64_t x = visible.left; x < visible.right; ++x)
                client.at(static_cast<std::int32_t>(x), static_cast<std::int32_t>(y)) =
                    picture.pixels[static_cast<std::size_t>((y - target.top) * picture.width + (x - target.left))] &
                    0x00FFFFFFu;
        return;
    }
    const AxisTaps columns(picture.width, width, visible.left - target.left, visible.right - target.left);
    const AxisTaps rows(picture.height, height, visible.top - target.top, visible.bottom - target.top);
    for (std::int64_t y = visible.top; y < visible.bottom; ++y) {
        for (std::int64_t x = visible.left; x < visible.right; ++x) {
            double red = 0, green = 0, blue = 0;
            rows.forEach(y - target.top, [&](std::int64_t sy, double wy) {
                columns.forEach(x - target.left, [&](std::int64_t sx, double wx) {
                    const std::uint32_t p = picture.pixels[static_cast<std::size_t>(sy * picture.width + sx)];
                    const double w = wx * wy;
                    red += w * static_cast<double>((p >> 16) & 0xFF);
                    green += w * static_cast<double>((p >> 8) & 0xFF);
                    blue += w * static_cast<double>(p & 0xFF);
                });
            });
            client.at(static_cast<std::int32_t>(x), static_cast<std::int32_t>(y)) =
                channel(red) << 16 | channel(green) << 8 | channel(blue);
        }
    }
}

// Mode 2: the picture's own size if it fits, else shrunk by the smaller ratio; then centred.
Box centredTarget(const runtime::Picture& picture, std::int64_t clientWidth, std::int64_t clientHeight) {
    std::int64_t width = picture.width;
    std::int64_t height = picture.height;
    if (width > clientWidth || height > clientHeight) {
        if (clientWidth * picture.height <= clientHeight * picture.width) {
            width = clientWidth;
            height = picture.height * clientWidth / picture.width;
        } else {
            height = clientHeight;
            width = picture.width * clientHeight / picture.height;
        }
    }
    const std::int64_t left = (clientWidth - width) / 2;
    const std::int64_t top = (clientHeight - height) / 2;
    return {left, top, left + width, top + height};
}

}  // namespace

void paintBackgroundPicture(platform::PixelView client, platform::Rect area, const runtime::Picture* picture,
                            std::int32_t mode, std::uint32_t backgroundRgb) {
    if (client.pixels == nullptr || client.width <= 0 || client.height <= 0) return;
    const Box whole{0, 0, client.width, client.height};
    const Box clip = intersect(boxOf(area), whole);
    if (clip.empty()) return;
    const auto drawing = static_cast<BackgroundMode>(std::clamp(mode, 0, 3));
    backgroundRgb &= 0x00FFFFFFu;
    if (!usable(picture)) {
        fill(client, clip, backgroundRgb);
        return;
    }
    switch (drawing) {
        case BackgroundMode::TopLeft:
            fill(client, clip, backgroundRgb);
            drawScaled(client, *picture, {0, 0, picture->width, picture->height}, clip);
            break;
        case BackgroundMode::Tiled:
            for (std::int64_t top = clip.top / picture->height * picture->height; top < clip.bottom;
                 top += picture->height)
                for (std::int64_t left = clip.left / picture->width * picture->width; left < clip.right;
                     left += picture->width)
                    drawScaled(client, *picture, {left, top, left + picture->width, top + picture->height}, clip);
            break;
        case BackgroundMode::Centred:
            fill(client, clip, backgroundRgb);
            drawScaled(client, *picture, centredTarget(*picture, client.width, client.height), clip);
            break;
        case BackgroundMode::Stretched:
            drawScaled(client, *picture, whole, clip);
            break;
    }
}

BackgroundPicture::BackgroundPicture() : BackgroundPicture(&runtime::decodePicture) {}

BackgroundPicture::BackgroundPicture(Decoder decoder) : decoder_(std::move(decoder)) {}

void BackgroundPicture::paint(platform::PixelView client, platform::Rect area, std::span<const std::uint8_t> bytes,
                              std::int32_t mode, std::uint32_t backgroundRgb) {
    if (decoded_ && (bytes.data() != decodedFrom_ || bytes.size() != decodedSize_)) decoded_.reset();
    if (!decoded_ && !bytes.empty()) {
        decoded_ = decoder_(bytes);
        decodedFrom_ = bytes.data();
        decodedSize_ = bytes.size();
    }
    paintBackgroundPicture(client, area, decoded_ ? &*decoded_ : nullptr, mode, backgroundRgb);
}

}  // namespace love::windows
