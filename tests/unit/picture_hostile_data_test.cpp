// Pictures whose headers make the decoder write or read outside its own tables: refused, or
// decoded the same way every time.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "runtime/picture.h"

namespace love::runtime {
namespace {

using Bytes = std::vector<std::uint8_t>;

void put16be(Bytes& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v >> 8));
    out.push_back(static_cast<std::uint8_t>(v));
}
void put16le(Bytes& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void put32le(Bytes& out, std::uint32_t v) {
    put16le(out, v & 0xFFFF);
    put16le(out, v >> 16);
}

// A huffman-table segment with one table whose 16 code counts are all `count`.
Bytes huffmanSegment(std::uint8_t classAndId, std::uint8_t count) {
    Bytes out = {0xFF, 0xC4};
    const std::uint32_t codes = 16u * count;
    put16be(out, 2 + 17 + codes);
    out.push_back(classAndId);
    out.insert(out.end(), 16, count);
    for (std::uint32_t i = 0; i < codes; ++i) out.push_back(static_cast<std::uint8_t>(i));
    return out;
}

Bytes baselineStart() {
    Bytes out = {0xFF, 0xD8};
    // One quantisation table of ones, then a 8 x 8 grey frame.
    out.insert(out.end(), {0xFF, 0xDB, 0x00, 0x43, 0x00});
    out.insert(out.end(), 64, 1);
    out.insert(out.end(), {0xFF, 0xC0, 0x00, 0x0B, 0x08, 0x00, 0x08, 0x00, 0x08, 0x01, 0x01, 0x11, 0x00});
    return out;
}

struct HuffmanCase {
    std::string name;
    Bytes jpeg;
};

// A table may hold at most 256 codes; 16 counts of 17 make 272, of 255 make 4,080.
std::vector<HuffmanCase> oversizedTables() {
    std::vector<HuffmanCase> cases;
    Bytes dc = baselineStart();
    const Bytes dcTable = huffmanSegment(0x00, 17);
    dc.insert(dc.end(), dcTable.begin(), dcTable.end());
    dc.insert(dc.end(), {0xFF, 0xD9});
    cases.push_back({"DcTableBeforeTheFrame", dc});

    Bytes ac = baselineStart();
    const Bytes acTable = huffmanSegment(0x13, 255);
    ac.insert(ac.end(), acTable.begin(), acTable.end());
    cases.push_back({"LastAcTableWithTheMostCodes", ac});

    // Behind a scan header and some scan bytes, where the decoder looks for markers anew.
    Bytes late = baselineStart();
    const Bytes fine = huffmanSegment(0x00, 1);
    late.insert(late.end(), fine.begin(), fine.end());
    late.insert(late.end(), {0xFF, 0xDA, 0x00, 0x08, 0x01, 0x01, 0x00, 0x00, 0x3F, 0x00, 0x12, 0x34, 0x56});
    const Bytes lateTable = huffmanSegment(0x01, 20);
    late.insert(late.end(), lateTable.begin(), lateTable.end());
    late.insert(late.end(), {0xFF, 0xD9});
    cases.push_back({"TableAfterTheScanData", late});
    return cases;
}

class OversizedHuffmanTable : public ::testing::TestWithParam<HuffmanCase> {};

TEST_P(OversizedHuffmanTable, IsRefused) {
    const Bytes& jpeg = GetParam().jpeg;
    ASSERT_EQ(recogniseFormat(jpeg), PictureFormat::Jpeg);
    EXPECT_FALSE(decodePicture(jpeg).has_value());
}

INSTANTIATE_TEST_SUITE_P(Cases, OversizedHuffmanTable, ::testing::ValuesIn(oversizedTables()),
                         [](const auto& info) { return info.param.name; });

// A progressive JPEG that ends before its first scan: the decoder builds the picture from
// coefficient buffers that no scan wrote. They must start out zero, giving mid-grey, whatever
// the heap held before.
TEST(DecodePicture, ProgressiveJpegWithoutScansIsTheSameGreyEveryTime) {
    Bytes jpeg = {0xFF, 0xD8, 0xFF, 0xDB, 0x00, 0x43, 0x00};
    jpeg.insert(jpeg.end(), 64, 1);
    jpeg.insert(jpeg.end(), {0xFF, 0xC2, 0x00, 0x0B, 0x08, 0x00, 0x10, 0x00, 0x10, 0x01, 0x01, 0x11, 0x00});
    jpeg.insert(jpeg.end(), {0xFF, 0xD9});
    for (const std::uint8_t leftover : {0x00, 0xA5, 0x5A}) {
        {
            // Blocks of the sizes the decoder asks for, filled and given back.
            std::vector<std::unique_ptr<std::uint8_t[]>> blocks;
            for (std::size_t size = 64; size <= 4096; size += 16) {
                blocks.emplace_back(new std::uint8_t[size]);
                std::fill_n(blocks.back().get(), size, leftover);
            }
        }
        const std::optional<Picture> picture = decodePicture(jpeg);
        if (!picture) continue;  // refusing it is sound too
        EXPECT_EQ(picture->width, 16);
        EXPECT_EQ(picture->height, 16);
        EXPECT_TRUE(
            std::all_of(picture->pixels.begin(), picture->pixels.end(), [](std::uint32_t p) { return p == 0x808080u; }))
            << "after leftovers " << int{leftover};
    }
}

// A paletted BMP of one row; `coreHeader` picks the 12-byte header with 3-byte palette entries.
// (The core header has no compression field.)
Bytes palettedBmp(std::uint16_t bits, const std::vector<std::uint32_t>& palette, const Bytes& row, std::int32_t width,
                  bool coreHeader = false, std::uint32_t compression = 0) {
    const std::uint32_t headerSize = coreHeader ? 12 : 40;
    const std::uint32_t entrySize = coreHeader ? 3 : 4;
    const std::uint32_t offset = 14 + headerSize + static_cast<std::uint32_t>(palette.size()) * entrySize;
    Bytes out = {'B', 'M'};
    Bytes pixels = row;
    while (pixels.size() % 4 != 0) pixels.push_back(0);
    put32le(out, offset + static_cast<std::uint32_t>(pixels.size()));
    put32le(out, 0);
    put32le(out, offset);
    put32le(out, headerSize);
    if (coreHeader) {
        put16le(out, static_cast<std::uint32_t>(width));
        put16le(out, 1);
    } else {
        put32le(out, static_cast<std::uint32_t>(width));
        put32le(out, 1);
    }
    put16le(out, 1);
    put16le(out, bits);
    if (!coreHeader) {
        put32le(out, compression);
        put32le(out, static_cast<std::uint32_t>(pixels.size()));
        put32le(out, 0);
        put32le(out, 0);
        put32le(out, static_cast<std::uint32_t>(palette.size()));
        put32le(out, 0);
    }
    for (const std::uint32_t rgb : palette) {
        out.push_back(static_cast<std::uint8_t>(rgb));
        out.push_back(static_cast<std::uint8_t>(rgb >> 8));
        out.push_back(static_cast<std::uint8_t>(rgb >> 16));
        if (!coreHeader) out.push_back(0);
    }
    while (out.size() < offset) out.push_back(0);
    out.insert(out.end(), pixels.begin(), pixels.end());
    return out;
}

struct PaletteCase {
    std::string name;
    Bytes bmp;
    std::vector<std::uint32_t> pixels;
};

constexpr std::uint32_t kRed = 0xFF0000;
constexpr std::uint32_t kWhite = 0xFFFFFF;
constexpr std::uint32_t kBlue = 0x0000FF;

std::vector<PaletteCase> shortPalettes() {
    return {
        {"EightBits", palettedBmp(8, {kRed, kWhite}, {0, 1, 30, 255}, 4), {kRed, kWhite, 0, 0}},
        {"FourBits", palettedBmp(4, {kBlue, kRed, kWhite}, {0x21, 0x0F}, 4), {kWhite, kRed, kBlue, 0}},
        {"OneBitOneEntry", palettedBmp(1, {kWhite}, {0x60}, 3), {kWhite, 0, 0}},
        {"CoreHeaderTwoEntries", palettedBmp(8, {kBlue, kRed}, {1, 0, 200}, 3, true), {kRed, kBlue, 0}},
        {"CoreHeaderSixEntries",
         palettedBmp(4, {kBlue, kBlue, kBlue, kBlue, kRed, kWhite}, {0x45, 0x60}, 3, true),
         {kRed, kWhite, 0}},
        // The decoder reads a negative compression value as none.
        {"NegativeCompression", palettedBmp(8, {kWhite, kRed}, {1, 77, 0}, 3, false, 0xFFFFFF00u), {kRed, 0, kWhite}},
        {"PaletteCoveringEveryIndex", palettedBmp(1, {kRed, kBlue}, {0x40}, 2), {kRed, kBlue}},
    };
}

class ShortPalette : public ::testing::TestWithParam<PaletteCase> {};

TEST_P(ShortPalette, IndexesPastTheStoredEntriesAreBlack) {
    const PaletteCase& c = GetParam();
    ASSERT_EQ(recogniseFormat(c.bmp), PictureFormat::Bmp);
    const std::optional<Picture> first = decodePicture(c.bmp);
    ASSERT_TRUE(first.has_value());
    EXPECT_EQ(first->width, static_cast<std::int32_t>(c.pixels.size()));
    EXPECT_EQ(first->height, 1);
    EXPECT_EQ(first->pixels, c.pixels);
    const std::optional<Picture> again = decodePicture(c.bmp);
    ASSERT_TRUE(again.has_value());
    EXPECT_EQ(again->pixels, first->pixels);
}

INSTANTIATE_TEST_SUITE_P(Cases, ShortPalette, ::testing::ValuesIn(shortPalettes()),
                         [](const auto& info) { return info.param.name; });

// Every cut of a paletted BMP, each in a buffer of exactly its size, so that a sanitizer build
// catches any read past the end while the header is examined.
TEST(DecodePicture, EveryCutOfAPalettedBmpIsReadInsideItsBytes) {
    for (const bool core : {false, true}) {
        const Bytes whole = palettedBmp(4, {kBlue, kRed}, {0x10, 0x01}, 4, core);
        for (std::size_t size = 0; size <= whole.size(); ++size) {
            const Bytes cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(size));
            const std::optional<Picture> picture = decodePicture(cut);
            if (picture) {
                EXPECT_EQ(picture->pixels.size(), 4u) << "cut at " << size;
            }
        }
    }
}

}  // namespace
}  // namespace love::runtime
