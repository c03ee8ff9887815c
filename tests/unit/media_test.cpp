// The media the program carries: the format facts the rest of the program relies on.
#include "windows/media.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "runtime/picture.h"

namespace love::windows {
namespace {

std::uint32_t le16(std::span<const std::uint8_t> b, std::size_t at) { return b[at] | (b[at + 1] << 8); }
std::uint32_t le32(std::span<const std::uint8_t> b, std::size_t at) { return le16(b, at) | (le16(b, at + 2) << 16); }
std::uint32_t be16(std::span<const std::uint8_t> b, std::size_t at) { return (b[at] << 8) | b[at + 1]; }

// ---- Music ----

TEST(ShowMusic, HeaderIsExactlyTheCarriedLayout) {
    const auto wav = showMusicWav();
    ASSERT_EQ(wav.size(), 8'428'044u);
    // "RIFF" with a length field 8 bytes too large, as carried; "fmt " 16 bytes of 16-bit stereo
    // PCM at 44,100 Hz; "data" of 8,428,000 bytes; nothing else.
    const std::array<std::uint8_t, 44> expected = {'R', 'I', 'F',  'F',  0x0C, 0x9A, 0x80, 0x00, 'W',  'A',  'V',
                                                   'E', 'f', 'm',  't',  ' ',  16,   0,    0,    0,    1,    0,
                                                   2,   0,   0x44, 0xAC, 0,    0,    0x10, 0xB1, 2,    0,    4,
                                                   0,   16,  0,    'd',  'a',  't',  'a',  0xE0, 0x99, 0x80, 0x00};
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), wav.begin()));
    EXPECT_EQ(le32(wav, 4), 8'428'044u);
    EXPECT_EQ(le32(wav, 40), 8'428'000u);
    EXPECT_EQ(44u + le32(wav, 40), wav.size());
}

TEST(ShowMusic, LoopsWithoutAClickAndNeverClips) {
    const auto wav = showMusicWav();
    ASSERT_EQ(wav.size(), 8'428'044u);
    const std::size_t frames = (wav.size() - 44) / 4;
    auto sample = [&](std::size_t frame, int channel) {
        return static_cast<std::int16_t>(le16(wav, 44 + frame * 4 + channel * 2));
    };
    // The pass starts from silence on a note's attack ...
    EXPECT_EQ(sample(0, 0), 0);
    EXPECT_EQ(sample(0, 1), 0);
    // ... and its last stretch is digital silence, so the join back to the start is seamless.
    for (std::size_t f = frames - 2000; f < frames; ++f) {
        ASSERT_EQ(sample(f, 0), 0) << "frame " << f;
        ASSERT_EQ(sample(f, 1), 0) << "frame " << f;
    }
    // Real music at a sensible level: headroom below full scale, loud enough to be heard.
    double sumSquares = 0;
    int peak = 0;
    for (std::size_t f = 0; f < frames; ++f)
        for (int c = 0; c < 2; ++c) {
            const int s = sample(f, c);
            peak = std::max(peak, std::abs(s));
            sumSquares += double(s) * s;
        }
    const double rms = std::sqrt(sumSquares / (2.0 * frames)) / 32768.0;
    EXPECT_LT(peak, 32000);
    EXPECT_GT(peak, 16000);
    EXPECT_GT(rms, 0.05);
    EXPECT_LT(rms, 0.35);
}

// ---- Sprite ----

TEST(Sprite, HeaderFacts) {
    const auto gif = spriteGif();
    ASSERT_GT(gif.size(), 13u + 768u + 11u);
    EXPECT_EQ(std::string(gif.begin(), gif.begin() + 6), "GIF89a");
    EXPECT_EQ(le16(gif, 6), 99u);
    EXPECT_EQ(le16(gif, 8), 87u);
    EXPECT_EQ(gif[10], 0xF7);  // global table of 256 entries, colour resolution 8 bits, not sorted
    EXPECT_EQ(gif[11], 0);     // background colour index
    EXPECT_EQ(gif[12], 0);     // aspect byte
    // Index 0 is the dark green background; no entry but the white is near white.
    const std::uint8_t* table = &gif[13];
    EXPECT_LT(table[0], 0x80);
    EXPECT_GT(table[1], table[0]);
    EXPECT_GT(table[1], table[2]);
    int whites = 0;
    for (int i = 0; i < 256; ++i) {
        const std::uint8_t* c = table + 3 * i;
        if (c[0] == 255 && c[1] == 255 && c[2] == 255) {
            ++whites;
        } else {
            EXPECT_FALSE(c[0] >= 240 && c[1] >= 240 && c[2] >= 240) << "entry " << i;
        }
    }
    EXPECT_EQ(whites, 1);
    // The image descriptor follows the table at once: no extension (0x21) of any kind.
    const std::size_t descriptor = 13 + 768;
    ASSERT_EQ(gif[descriptor], 0x2C);
    EXPECT_EQ(le16(gif, descriptor + 1), 0u);
    EXPECT_EQ(le16(gif, descriptor + 3), 0u);
    EXPECT_EQ(le16(gif, descriptor + 5), 99u);
    EXPECT_EQ(le16(gif, descriptor + 7), 87u);
    EXPECT_EQ(gif[descriptor + 9], 0);   // no local table, not interlaced
    EXPECT_EQ(gif[descriptor + 10], 8);  // LZW minimum code size
    // One run of data sub-blocks, its terminator, then the trailer as the last byte.
    std::size_t at = descriptor + 11;
    while (at < gif.size() && gif[at] != 0) at += gif[at] + 1u;
    ASSERT_LT(at, gif.size());
    EXPECT_EQ(at + 2, gif.size());
    EXPECT_EQ(gif.back(), 0x3B);
}

TEST(Sprite, DecodesToABloomOnPureWhite) {
    const auto picture = runtime::decodePicture(spriteGif());
    ASSERT_TRUE(picture.has_value());
    ASSERT_EQ(picture->width, 99);
    ASSERT_EQ(picture->height, 87);
    constexpr std::uint32_t kWhite = 0x00FFFFFF;
    const auto at = [&](int x, int y) { return picture->pixels[static_cast<std::size_t>(y) * 99 + x]; };
    EXPECT_EQ(at(0, 0), kWhite);
    EXPECT_EQ(at(98, 0), kWhite);
    EXPECT_EQ(at(0, 86), kWhite);
    EXPECT_EQ(at(98, 86), kWhite);

    int minX = 99, maxX = -1, minY = 87, maxY = -1;
    for (int y = 0; y < 87; ++y)
        for (int x = 0; x < 99; ++x) {
            const std::uint32_t c = at(x, y);
            if (c == kWhite) continue;
            const bool nearWhite = ((c >> 16) & 0xFF) >= 240 && ((c >> 8) & 0xFF) >= 240 && (c & 0xFF) >= 240;
            EXPECT_FALSE(nearWhite) << "bloom pixel (" << x << ", " << y << ") could pass for white";
            minX = std::min(minX, x);
            maxX = std::max(maxX, x);
            minY = std::min(minY, y);
            maxY = std::max(maxY, y);
        }
    EXPECT_EQ(minX, 1);
    EXPECT_EQ(maxX, 98);
    EXPECT_EQ(minY, 1);
    EXPECT_EQ(maxY, 86);

    // Every white pixel reaches the edge through white ones: the draw key leaves no hole in
    // the bloom.
    std::vector<bool> reached(99 * 87, false);
    std::vector<int> pending;
    for (int i = 0; i < 99 * 87; ++i)
        if (i % 99 == 0 || i % 99 == 98 || i / 99 == 0 || i / 99 == 86) pending.push_back(i);
    int whites = 0;
    while (!pending.empty()) {
        const int i = pending.back();
        pending.pop_back();
        if (reached[i] || picture->pixels[i] != kWhite) continue;
        reached[i] = true;
        ++whites;
        const int x = i % 99, y = i / 99;
        if (x > 0) pending.push_back(i - 1);
        if (x < 98) pending.push_back(i + 1);
        if (y > 0) pending.push_back(i - 99);
        if (y < 86) pending.push_back(i + 99);
    }
    EXPECT_EQ(whites, std::count(picture->pixels.begin(), picture->pixels.end(), kWhite));
    // A bloom, not a speck: well over half the picture.
    EXPECT_LT(whites, 99 * 87 / 2);
}

// ---- Photograph ----

TEST(Photo, SegmentLayoutAndFrame) {
    const auto jpeg = photoJpeg();
    ASSERT_GT(jpeg.size(), 4u);
    ASSERT_EQ(jpeg[0], 0xFF);
    ASSERT_EQ(jpeg[1], 0xD8);
    std::string order;
    std::size_t at = 2;
    for (;;) {
        ASSERT_LE(at + 4, jpeg.size());
        ASSERT_EQ(jpeg[at], 0xFF);
        const std::uint8_t marker = jpeg[at + 1];
        const std::size_t length = be16(jpeg, at + 2);
        ASSERT_LE(at + 2 + length, jpeg.size());
        switch (marker) {
            case 0xE0:
                order += 'J';  // JFIF: must not be there
                break;
            case 0xE1:
                EXPECT_EQ(std::string(jpeg.begin() + at + 4, jpeg.begin() + at + 10), std::string("Exif\0\0", 6));
                order += 'X';
                break;
            case 0xDB:
                // A segment may hold several tables: count them by their 65-byte size.
                order += std::string((length - 2) / 65, 'Q');
                break;
            case 0xC0: {
                order += 'F';
                EXPECT_EQ(jpeg[at + 4], 8);           // 8-bit samples
                EXPECT_EQ(be16(jpeg, at + 5), 599u);  // height
                EXPECT_EQ(be16(jpeg, at + 7), 800u);  // width
                ASSERT_EQ(jpeg[at + 9], 3);           // Y Cb Cr
                for (int c = 0; c < 3; ++c) EXPECT_EQ(jpeg[at + 11 + 3 * c], 0x11) << "component " << c;
                break;
            }
            case 0xC4:
                order += 'H';
                break;
            case 0xDA:
                order += 'S';
                break;
            default:
                order += '?';
        }
        if (marker == 0xDA) break;
        at += 2 + length;
    }
    EXPECT_EQ(order, "XQQFHHHHS");
    EXPECT_EQ(jpeg[jpeg.size() - 2], 0xFF);
    EXPECT_EQ(jpeg.back(), 0xD9);
    // One scan: between its header and the end there are only stuffed bytes, no marker.
    const auto later = std::adjacent_find(jpeg.begin() + static_cast<std::ptrdiff_t>(at + 2), jpeg.end() - 2,
                                          [](std::uint8_t a, std::uint8_t b) { return a == 0xFF && b != 0x00; });
    EXPECT_EQ(later, jpeg.end() - 2);
}

TEST(Photo, DecodesAt800By599) {
    const auto picture = runtime::decodePicture(photoJpeg());
    ASSERT_TRUE(picture.has_value());
    EXPECT_EQ(picture->width, 800);
    EXPECT_EQ(picture->height, 599);
}

// ---- Icon ----

TEST(ProgramIcon, IsA48By48HeartWithSoftTransparentEdges) {
    const platform::IconPixels icon = programIcon();
    ASSERT_EQ(icon.width, 48);
    ASSERT_EQ(icon.height, 48);
    ASSERT_EQ(icon.argb.size(), 48u * 48u);
    auto alpha = [&](int x, int y) { return icon.argb[static_cast<std::size_t>(y) * 48 + x] >> 24; };
    for (auto [x, y] : {std::pair{0, 0}, {47, 0}, {0, 47}, {47, 47}}) EXPECT_EQ(alpha(x, y), 0u) << x << "," << y;
    // The middle is opaque and reddish.
    const std::uint32_t middle = icon.argb[24 * 48 + 24];
    EXPECT_EQ(middle >> 24, 0xFFu);
    EXPECT_GT((middle >> 16) & 0xFF, (middle >> 8) & 0xFF);
    // The outline is smoothed: some pixels are neither clear nor opaque.
    const auto partial = std::count_if(icon.argb.begin(), icon.argb.end(),
                                       [](std::uint32_t p) { return (p >> 24) != 0 && (p >> 24) != 0xFF; });
    EXPECT_GT(partial, 20);
}

}  // namespace
}  // namespace love::windows
