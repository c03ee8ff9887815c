// Background pictures: the four modes, smooth resampling, painting only inside the repaint area,
// and decoding once per window with a retry after a failed decode.
#include "windows/background_picture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <set>
#include <span>
#include <vector>

#include "runtime/picture.h"
#include "windows/media.h"

namespace {

using love::platform::PixelView;
using love::platform::Rect;
using love::runtime::Picture;
using love::windows::BackgroundPicture;
using love::windows::paintBackgroundPicture;

constexpr std::uint32_t kBackground = 0x00ABCDEF;
constexpr std::uint32_t kUntouched = 0x00010203;

struct Client {
    Client(std::int32_t w, std::int32_t h) : width(w), height(h), pixels(static_cast<std::size_t>(w) * h, kUntouched) {}
    PixelView view() { return {pixels.data(), width, height}; }
    std::uint32_t at(std::int32_t x, std::int32_t y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
    std::int32_t width, height;
    std::vector<std::uint32_t> pixels;
};

// Every pixel a different colour, none of them the background or the untouched marker.
Picture numberedPicture(std::int32_t w, std::int32_t h) {
    Picture picture{w, h, {}};
    for (std::int32_t y = 0; y < h; ++y)
        for (std::int32_t x = 0; x < w; ++x)
            picture.pixels.push_back(0x00100000u + static_cast<std::uint32_t>(y) * 0x100u +
                                     static_cast<std::uint32_t>(x));
    return picture;
}

Picture uniformPicture(std::int32_t w, std::int32_t h, std::uint32_t rgb) {
    return Picture{w, h, std::vector<std::uint32_t>(static_cast<std::size_t>(w) * h, rgb)};
}

// Where each mode puts the picture's pixel (or the background), modelled independently of the
// painter, for the cases drawn at natural size.
std::uint32_t naturalSizeExpectation(int mode, const Picture& p, const Client& c, std::int32_t x, std::int32_t y) {
    auto pixel = [&](std::int32_t px, std::int32_t py) {
        return p.pixels[static_cast<std::size_t>(py) * p.width + px];
    };
    switch (mode) {
        case 0:
            return x < p.width && y < p.height ? pixel(x, y) : kBackground;
        case 1:
            return pixel(x % p.width, y % p.height);
        case 2: {
            const std::int32_t left = (c.width - p.width) / 2, top = (c.height - p.height) / 2;
            const bool inside = x >= left && x < left + p.width && y >= top && y < top + p.height;
            return inside ? pixel(x - left, y - top) : kBackground;
        }
        default:
            return pixel(x, y);  // mode 3 with the client exactly the picture's size
    }
}

TEST(BackgroundPicture, ModesAtNaturalSize) {
    const Picture picture = numberedPicture(5, 3);
    struct Case {
        int mode;
        std::int32_t width, height;
    };
    const Case cases[] = {
        {0, 12, 7}, {0, 3, 2}, {0, 5, 3},   // larger, smaller and equal clients
        {1, 12, 7}, {1, 3, 2}, {1, 11, 9},  //
        {2, 12, 7}, {2, 5, 3}, {2, 6, 4},   // an odd margin rounds towards the top-left
        {3, 5, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "mode " << c.mode << " in " << c.width << "x" << c.height);
        Client client(c.width, c.height);
        paintBackgroundPicture(client.view(), {0, 0, c.width, c.height}, &picture, c.mode, kBackground);
        for (std::int32_t y = 0; y < c.height; ++y)
            for (std::int32_t x = 0; x < c.width; ++x)
                ASSERT_EQ(client.at(x, y), naturalSizeExpectation(c.mode, picture, client, x, y)) << x << "," << y;
    }
}

// The rectangle of pixels that are not the background colour.
Rect drawnRect(const Client& client) {
    std::int32_t left = client.width, top = client.height, right = 0, bottom = 0;
    for (std::int32_t y = 0; y < client.height; ++y)
        for (std::int32_t x = 0; x < client.width; ++x)
            if (client.at(x, y) != kBackground) {
                left = std::min(left, x), top = std::min(top, y);
                right = std::max(right, x + 1), bottom = std::max(bottom, y + 1);
            }
    return right == 0 ? Rect{} : Rect{left, top, right - left, bottom - top};
}

TEST(BackgroundPicture, ScaledModesPlaceAndKeepAColourExactly) {
    // A uniform picture must come out exactly its colour however it is resampled: the filter's
    // weights add up to one.
    constexpr std::uint32_t kRose = 0x00F0A0B4;
    struct Case {
        int mode;
        std::int32_t pictureWidth, pictureHeight, width, height;
        Rect drawn;
    };
    const Case cases[] = {
        // centred and shrunk by the smaller ratio, proportions kept
        {2, 800, 599, 131, 119, {0, 10, 131, 98}},  // 599 * 131 / 800 = 98.08
        {2, 100, 400, 50, 50, {19, 0, 12, 50}},     // taller than wide
        {2, 40, 10, 20, 30, {0, 12, 20, 5}},        // wider than the client only
        {2, 7, 9, 7, 8, {0, 0, 6, 8}},              // one pixel too tall
        // stretched to exactly the client, both ways
        {3, 800, 599, 131, 119, {0, 0, 131, 119}},
        {3, 3, 2, 131, 119, {0, 0, 131, 119}},
        {3, 50, 5, 7, 64, {0, 0, 7, 64}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "mode " << c.mode << ": " << c.pictureWidth << "x" << c.pictureHeight
                                        << " in " << c.width << "x" << c.height);
        const Picture picture = uniformPicture(c.pictureWidth, c.pictureHeight, kRose);
        Client client(c.width, c.height);
        paintBackgroundPicture(client.view(), {0, 0, c.width, c.height}, &picture, c.mode, kBackground);
        EXPECT_EQ(drawnRect(client), c.drawn);
        EXPECT_EQ(std::count(client.pixels.begin(), client.pixels.end(), kRose),
                  static_cast<std::ptrdiff_t>(c.drawn.width) * c.drawn.height);
    }
}

TEST(BackgroundPicture, ResamplesSmoothly) {
    // Enlarging interpolates between neighbours instead of repeating them.
    const Picture blackWhite{2, 1, {0x00000000, 0x00FFFFFF}};
    Client wide(8, 1);
    paintBackgroundPicture(wide.view(), {0, 0, 8, 1}, &blackWhite, 3, kBackground);
    EXPECT_EQ(wide.at(0, 0), 0x00000000u);
    EXPECT_EQ(wide.at(7, 0), 0x00FFFFFFu);
    EXPECT_TRUE(std::is_sorted(wide.pixels.begin(), wide.pixels.end()));
    EXPECT_GE(std::set<std::uint32_t>(wide.pixels.begin(), wide.pixels.end()).size(), 5u);

    // Shrinking averages the area: a fine checkerboard turns grey rather than black or white.
    Picture checkers{4, 4, {}};
    for (int i = 0; i < 16; ++i) checkers.pixels.push_back(((i % 4) + (i / 4)) % 2 == 0 ? 0x00000000u : 0x00FFFFFFu);
    Client small(2, 2);
    paintBackgroundPicture(small.view(), {0, 0, 2, 2}, &checkers, 3, kBackground);
    for (const std::uint32_t pixel : small.pixels)
        EXPECT_TRUE(pixel == 0x00808080u || pixel == 0x007F7F7Fu) << std::hex << pixel;
}

TEST(BackgroundPicture, WritesOnlyInsideTheRepaintArea) {
    const Picture picture = numberedPicture(4, 3);
    const Rect areas[] = {{3, 2, 5, 4}, {-5, -5, 8, 7}, {6, 5, 100, 100}, {20, 20, 3, 3}, {2, 2, 0, 4}};
    for (int mode = -1; mode <= 4; ++mode) {  // modes outside 0..3 are brought into range
        for (const Rect& area : areas) {
            SCOPED_TRACE(testing::Message() << "mode " << mode << " area " << area.x << "," << area.y << " "
                                            << area.width << "x" << area.height);
            Client whole(10, 8), part(10, 8);
            paintBackgroundPicture(whole.view(), {0, 0, 10, 8}, &picture, mode, kBackground);
            paintBackgroundPicture(part.view(), area, &picture, mode, kBackground);
            for (std::int32_t y = 0; y < 8; ++y)
                for (std::int32_t x = 0; x < 10; ++x) {
                    const bool inside =
                        x >= area.x && x < area.x + area.width && y >= area.y && y < area.y + area.height;
                    ASSERT_EQ(part.at(x, y), inside ? whole.at(x, y) : kUntouched) << x << "," << y;
                }
        }
    }
}

TEST(BackgroundPicture, ThePhotographStretchedFillsTheWholeClient) {
    const auto photo = love::runtime::decodePicture(love::windows::photoJpeg());
    ASSERT_TRUE(photo.has_value());
    EXPECT_EQ(photo->width, 800);
    EXPECT_EQ(photo->height, 599);
    // Painted over two different background colours, not one pixel may differ: none shows.
    for (const auto& [width, height] : {std::pair{131, 119}, std::pair{1, 1}, std::pair{1000, 20}}) {
        SCOPED_TRACE(testing::Message() << width << "x" << height);
        Client first(width, height), second(width, height);
        BackgroundPicture painter;
        painter.paint(first.view(), {0, 0, width, height}, love::windows::photoJpeg(), 3, 0x00000000);
        painter.paint(second.view(), {0, 0, width, height}, love::windows::photoJpeg(), 3, 0x00FFFFFF);
        EXPECT_EQ(first.pixels, second.pixels);
        EXPECT_EQ(std::count(first.pixels.begin(), first.pixels.end(), kUntouched), 0);
    }
}

TEST(BackgroundPicture, DecodesOnceAndTriesAgainAfterAFailure) {
    int decodes = 0;
    bool decodable = false;
    BackgroundPicture painter([&](std::span<const std::uint8_t>) -> std::optional<Picture> {
        ++decodes;
        if (!decodable) return std::nullopt;
        return uniformPicture(4, 4, 0x00336699);
    });
    const std::vector<std::uint8_t> bytes(10, 0x42), otherBytes(12, 0x43);
    Client client(4, 4);
    for (int mode : {0, 1, 2, 3}) {  // no picture: the background, whatever the mode
        painter.paint(client.view(), {0, 0, 4, 4}, bytes, mode, kBackground);
        EXPECT_EQ(std::count(client.pixels.begin(), client.pixels.end(), kBackground), 16);
    }
    EXPECT_EQ(decodes, 4);

    decodable = true;
    painter.paint(client.view(), {0, 0, 4, 4}, bytes, 1, kBackground);
    painter.paint(client.view(), {0, 0, 4, 4}, bytes, 1, kBackground);
    EXPECT_EQ(decodes, 5);  // kept after the first success
    EXPECT_EQ(std::count(client.pixels.begin(), client.pixels.end(), 0x00336699u), 16);

    painter.paint(client.view(), {0, 0, 4, 4}, otherBytes, 1, kBackground);
    EXPECT_EQ(decodes, 6);  // new bytes, new picture
}

TEST(BackgroundPicture, RealDecoderRejectsGarbageWithTheBackgroundColour) {
    const std::vector<std::uint8_t> truncatedJpeg(love::windows::photoJpeg().begin(),
                                                  love::windows::photoJpeg().begin() + 40);
    BackgroundPicture painter;
    Client client(6, 5);
    painter.paint(client.view(), {0, 0, 6, 5}, truncatedJpeg, 3, kBackground);
    EXPECT_EQ(std::count(client.pixels.begin(), client.pixels.end(), kBackground), 30);
}

}  // namespace
