#include "runtime/picture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <utility>
#include <vector>

#include "runtime/picture_registry.h"
#include "unit/picture_fixtures.h"
#include "windows/media.h"

namespace love::runtime {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes bytesOf(std::span<const std::uint8_t> span) { return Bytes(span.begin(), span.end()); }

TEST(RecogniseFormat, ByLeadingBytesAlone) {
    struct Case {
        Bytes bytes;
        PictureFormat format;
    };
    const std::vector<Case> cases = {
        {{'G', 'I', 'F', '8', '7', 'a'}, PictureFormat::Gif},
        {{'G', 'I', 'F', '8', '9', 'a', 0}, PictureFormat::Gif},
        {{'G', 'I', 'F', '8', '8', 'a'}, PictureFormat::None},
        {{'G', 'I', 'F', '8', '9'}, PictureFormat::None},  // 5 bytes are too few for any format
        {{0xFF, 0xD8, 0xFF, 0xE0, 0, 0}, PictureFormat::Jpeg},
        {{0xFF, 0xD8, 0xFF, 0xE0, 0}, PictureFormat::None},
        {{'B', 'M', 0, 0, 0, 0}, PictureFormat::Bmp},
        {{'b', 'm', 0, 0, 0, 0}, PictureFormat::None},
        {{0, 0, 1, 0, 1, 0}, PictureFormat::Icon},
        {{0, 0, 1, 0, 0, 1}, PictureFormat::Icon},  // count 256
        {{0, 0, 1, 0, 0, 0}, PictureFormat::None},  // an icon file without images
        {{0, 0, 2, 0, 3, 0}, PictureFormat::Cursor},
        {{0, 0, 2, 0, 0, 0}, PictureFormat::None},
        {{0x0A, 0x05, 0x01, 0x08, 0, 0}, PictureFormat::Pcx8},
        {{0x0A, 0x00, 0x01, 0x08, 0, 0}, PictureFormat::Pcx8},
        {{0x0A, 0x06, 0x01, 0x08, 0, 0}, PictureFormat::None},  // no PCX version above 5
        {{0x0A, 0x03, 0x01, 0x01, 0, 0}, PictureFormat::Pcx1},
        {{0x0A, 0x05, 0x01, 0x01, 0, 0}, PictureFormat::None},
        {{0x0A, 0x03, 0x00, 0x08, 0, 0}, PictureFormat::None},  // not run-length encoded
        {{0x89, 'P', 'N', 'G', 0x0D, 0x0A}, PictureFormat::None},
        {{}, PictureFormat::None},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(recogniseFormat(c.bytes), c.format)
            << "case with " << c.bytes.size() << " bytes, first " << (c.bytes.empty() ? -1 : int{c.bytes[0]});
    }
}

TEST(DecodePicture, SpriteIsNinetyNineByEightySevenOnPureWhite) {
    const std::optional<Picture> sprite = decodePicture(windows::spriteGif());
    ASSERT_TRUE(sprite.has_value());
    EXPECT_EQ(sprite->width, 99);
    EXPECT_EQ(sprite->height, 87);
    ASSERT_EQ(sprite->pixels.size(), 99u * 87u);
    for (auto [x, y] : std::initializer_list<std::pair<int, int>>{{0, 0}, {98, 0}, {0, 86}, {98, 86}}) {
        EXPECT_EQ(sprite->pixels[static_cast<std::size_t>(y) * 99 + x], 0x00FFFFFFu) << x << "," << y;
    }
    const auto white = std::count(sprite->pixels.begin(), sprite->pixels.end(), 0x00FFFFFFu);
    EXPECT_GT(white, 0);
    EXPECT_LT(white, 99 * 87);
}

TEST(DecodePicture, GifTransparentIndexDecodesAsItsPaletteColour) {
    const std::optional<Picture> picture = decodePicture(test::makeGifWithTransparentIndex());
    ASSERT_TRUE(picture.has_value());
    ASSERT_EQ(picture->width, 2);
    ASSERT_EQ(picture->height, 1);
    EXPECT_EQ(picture->pixels[0], 0x00FF0000u);
    EXPECT_EQ(picture->pixels[1], 0x000000FFu);
}

TEST(DecodePicture, BmpAndJpeg) {
    const std::vector<std::uint32_t> pixels = {0x00FF0000, 0x0000FF00, 0x000000FF, 0x00FFFFFF, 0x00000000, 0x00123456};
    const std::optional<Picture> bmp = decodePicture(test::makeBmp(3, 2, pixels));
    ASSERT_TRUE(bmp.has_value());
    EXPECT_EQ(bmp->width, 3);
    EXPECT_EQ(bmp->height, 2);
    EXPECT_EQ(bmp->pixels, pixels);

    const std::optional<Picture> photo = decodePicture(windows::photoJpeg());
    ASSERT_TRUE(photo.has_value());
    EXPECT_EQ(photo->width, 800);
    EXPECT_EQ(photo->height, 599);
    EXPECT_TRUE(
        std::all_of(photo->pixels.begin(), photo->pixels.end(), [](std::uint32_t p) { return p <= 0xFFFFFFu; }));
}

// An icon (or cursor) file with one image: the BMP's bitmap, its height doubled for the AND
// mask, which follows the colour rows.
Bytes makeIcon(std::uint8_t type, std::int32_t width, std::int32_t height, const std::vector<std::uint32_t>& pixels) {
    const Bytes bmp = test::makeBmp(width, height, pixels);
    Bytes dib(bmp.begin() + 14, bmp.end());
    const std::uint32_t doubled = static_cast<std::uint32_t>(2 * height);
    for (int i = 0; i < 4; ++i) dib[8 + i] = static_cast<std::uint8_t>(doubled >> (8 * i));
    const std::size_t maskRow = ((static_cast<std::size_t>(width) + 31) / 32) * 4;
    dib.insert(dib.end(), maskRow * static_cast<std::size_t>(height), 0xFF);  // all "transparent"
    Bytes file = {0, 0, type, 0, 1,  0, static_cast<std::uint8_t>(width), static_cast<std::uint8_t>(height),
                  0, 0, 1,    0, 24, 0};
    for (std::uint32_t v : {static_cast<std::uint32_t>(dib.size()), 22u}) {
        for (int i = 0; i < 4; ++i) file.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    }
    file.insert(file.end(), dib.begin(), dib.end());
    return file;
}

// A PCX header for a picture of width x height with the given layout; the coded lines follow.
Bytes makePcxHeader(std::uint8_t version, std::uint8_t bitsPerPixel, std::uint8_t planes, std::uint16_t width,
                    std::uint16_t height, std::uint16_t bytesPerLine) {
    Bytes header(128, 0);
    header[0] = 0x0A;
    header[1] = version;
    header[2] = 0x01;
    header[3] = bitsPerPixel;
    header[8] = static_cast<std::uint8_t>(width - 1);
    header[9] = static_cast<std::uint8_t>((width - 1) >> 8);
    header[10] = static_cast<std::uint8_t>(height - 1);
    header[11] = static_cast<std::uint8_t>((height - 1) >> 8);
    header[65] = planes;
    header[66] = static_cast<std::uint8_t>(bytesPerLine);
    header[67] = static_cast<std::uint8_t>(bytesPerLine >> 8);
    return header;
}

TEST(DecodePicture, IconAndCursorGiveTheirColourImageWithoutTheMask) {
    const std::vector<std::uint32_t> pixels = {0x00FF0000, 0x0000FF00, 0x000000FF, 0x00000000};
    for (std::uint8_t type : {std::uint8_t{1}, std::uint8_t{2}}) {
        const Bytes icon = makeIcon(type, 2, 2, pixels);
        ASSERT_NE(recogniseFormat(icon), PictureFormat::None);
        const std::optional<Picture> picture = decodePicture(icon);
        ASSERT_TRUE(picture.has_value()) << int{type};
        EXPECT_EQ(picture->width, 2);
        EXPECT_EQ(picture->height, 2);
        EXPECT_EQ(picture->pixels, pixels);
    }
    Bytes pointsPastTheEnd = makeIcon(1, 2, 2, pixels);
    pointsPastTheEnd[18] = 0xF0;  // the image's offset
    EXPECT_FALSE(decodePicture(pointsPastTheEnd).has_value());
    Bytes tooBig = makeIcon(1, 2, 2, pixels);
    tooBig[14] = 0xFF;  // the image's size
    tooBig[15] = 0xFF;
    EXPECT_FALSE(decodePicture(tooBig).has_value());
    EXPECT_FALSE(decodePicture(Bytes{0, 0, 1, 0, 1, 0, 16, 16, 0, 0}).has_value());
}

TEST(DecodePicture, PcxPalettedTrueColourAndMonochrome) {
    // 3 x 2 paletted: a run of three index-1 pixels, then indexes 2, 0xC5 (coded as a run of one)
    // and 0; palette 1 red, 2 green, 0xC5 blue.
    Bytes paletted = makePcxHeader(5, 8, 1, 3, 2, 4);
    for (std::uint8_t b : {0xC3, 0x01, 0x00, 0x02, 0xC1, 0xC5, 0x00, 0x00}) paletted.push_back(b);
    Bytes palette(769, 0);
    palette[0] = 0x0C;
    palette[1 + 3 * 1] = 0xFF;
    palette[1 + 3 * 2 + 1] = 0xFF;
    palette[1 + 3 * 0xC5 + 2] = 0xFF;
    paletted.insert(paletted.end(), palette.begin(), palette.end());
    ASSERT_EQ(recogniseFormat(paletted), PictureFormat::Pcx8);
    const std::optional<Picture> colours = decodePicture(paletted);
    ASSERT_TRUE(colours.has_value());
    EXPECT_EQ(colours->pixels,
              (std::vector<std::uint32_t>{0xFF0000, 0xFF0000, 0xFF0000, 0x00FF00, 0x0000FF, 0x000000}));

    // 2 x 1 in three planes: red line, green line, blue line.
    Bytes planar = makePcxHeader(5, 8, 3, 2, 1, 2);
    for (std::uint8_t b : {0x10, 0x20, 0x30, 0x40, 0x50, 0x60}) planar.push_back(b);
    const std::optional<Picture> rgb = decodePicture(planar);
    ASSERT_TRUE(rgb.has_value());
    EXPECT_EQ(rgb->pixels, (std::vector<std::uint32_t>{0x103050, 0x204060}));

    // 10 x 1 monochrome: bits 1010000011 -> white where set.
    Bytes mono = makePcxHeader(3, 1, 1, 10, 1, 2);
    mono.push_back(0xA0);
    mono.push_back(0xC1);  // a run of one 0xC0 byte
    mono.push_back(0xC0);
    ASSERT_EQ(recogniseFormat(mono), PictureFormat::Pcx1);
    const std::optional<Picture> bw = decodePicture(mono);
    ASSERT_TRUE(bw.has_value());
    const std::uint32_t W = 0xFFFFFF;
    EXPECT_EQ(bw->pixels, (std::vector<std::uint32_t>{W, 0, W, 0, 0, 0, 0, 0, W, W}));

    // Data that end early leave black; a line narrower than the picture, or a truncated header,
    // gives nothing.
    const std::optional<Picture> cut = decodePicture(makePcxHeader(5, 8, 1, 4, 4, 4));
    ASSERT_TRUE(cut.has_value());
    EXPECT_EQ(cut->pixels, std::vector<std::uint32_t>(16, 0));
    EXPECT_FALSE(decodePicture(makePcxHeader(5, 8, 1, 8, 1, 4)).has_value());
    EXPECT_FALSE(decodePicture(Bytes{0x0A, 0x05, 0x01, 0x08, 0, 0, 0, 0}).has_value());
}

TEST(DecodePicture, OversizedHeadersAreRefusedBeforeAllocating) {
    Bytes gif = test::makeGifWithTransparentIndex();
    gif[6] = gif[7] = gif[8] = gif[9] = 0xFF;  // 65535 x 65535
    EXPECT_FALSE(decodePicture(gif).has_value());

    Bytes bmp = test::makeBmp(1, 1, {0});
    bmp[18] = 0x00;
    bmp[19] = 0x00;
    bmp[20] = 0x01;  // 65536 wide
    EXPECT_FALSE(decodePicture(bmp).has_value());
}

// Every prefix of the sprite and a spread of single-byte corruptions: each either decodes to a
// picture of consistent size or gives nothing, and nothing reads out of bounds (under ASan).
TEST(DecodePicture, TruncatedAndCorruptDataNeverCrash) {
    const Bytes sprite = bytesOf(windows::spriteGif());
    for (std::size_t length = 0; length <= sprite.size(); length += (length < 64 ? 1 : 97)) {
        const std::optional<Picture> p = decodePicture(std::span(sprite).first(length));
        if (p) {
            EXPECT_EQ(p->pixels.size(), static_cast<std::size_t>(p->width) * static_cast<std::size_t>(p->height));
        }
    }
    const Bytes bmp = test::makeBmp(5, 4, std::vector<std::uint32_t>(20, 0x00808080));
    const Bytes icon = makeIcon(1, 3, 3, std::vector<std::uint32_t>(9, 0x00404040));
    Bytes pcx = makePcxHeader(5, 8, 1, 3, 3, 4);
    pcx.insert(pcx.end(), {0xC4, 0x07, 0x01, 0x02, 0xC3, 0x09, 0xC2, 0x01});
    for (const Bytes& original : {sprite, bmp, icon, pcx}) {
        for (std::size_t at = 0; at < std::min<std::size_t>(original.size(), 800); at += 3) {
            for (std::uint8_t value : {std::uint8_t{0x00}, std::uint8_t{0xFF}, std::uint8_t{0x7F}}) {
                Bytes corrupt = original;
                corrupt[at] = value;
                const std::optional<Picture> p = decodePicture(corrupt);
                if (p) {
                    EXPECT_EQ(p->pixels.size(),
                              static_cast<std::size_t>(p->width) * static_cast<std::size_t>(p->height));
                }
            }
        }
    }
}

TEST(PictureRegistry, LoadRegistersOnlyDecodablePictures) {
    PictureRegistry registry;
    EXPECT_EQ(registry.load({}), 0u);
    const Bytes fiveBytes = {'G', 'I', 'F', '8', '9'};
    EXPECT_EQ(registry.load(fiveBytes), 0u);
    const Bytes unknown(100, 0x42);
    EXPECT_EQ(registry.load(unknown), 0u);
    const Bytes brokenGif = {'G', 'I', 'F', '8', '9', 'a', 0, 0};
    EXPECT_EQ(registry.load(brokenGif), 0u);
    EXPECT_EQ(registry.count(), 0u);

    const std::uint32_t sprite = registry.load(windows::spriteGif());
    const std::uint32_t again = registry.load(windows::spriteGif());
    ASSERT_NE(sprite, 0u);
    ASSERT_NE(again, 0u);
    EXPECT_NE(sprite, again);
    EXPECT_EQ(registry.count(), 2u);
    ASSERT_NE(registry.find(sprite), nullptr);
    EXPECT_EQ(registry.find(sprite)->width, 99);
    EXPECT_EQ(registry.find(sprite)->height, 87);
    EXPECT_EQ(registry.find(0), nullptr);
    EXPECT_EQ(registry.find(again + 1), nullptr);

    registry.releaseAll();
    EXPECT_EQ(registry.count(), 0u);
    EXPECT_EQ(registry.find(sprite), nullptr);
    // A handle from before the release does not come back for a new picture.
    EXPECT_NE(registry.load(windows::spriteGif()), sprite);
}

}  // namespace
}  // namespace love::runtime
