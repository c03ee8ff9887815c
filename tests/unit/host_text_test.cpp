// The host's text services as the Linux build provides them: face choice, sizing, 1-bit lines
// and GBK decoding.
#include "platform/host_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace love::platform::host {
namespace {

FontRequest storedBoardFont() {
    FontRequest r;
    r.face = "\xBF\xAC\xCC\xE5_GB2312";  // 楷体_GB2312, not installed here
    r.height = -56;
    r.weight = 400;
    r.charset = 134;
    r.outPrecision = 3;
    r.clipPrecision = 2;
    r.quality = 1;
    r.pitchAndFamily = 0x31;
    return r;
}

TEST(HostFont, MissingChineseFaceFallsBackToAKaiFaceWithFiftySixPixelCells) {
    const std::unique_ptr<Font> font = createFont(storedBoardFont());
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->cellHeight(), 56);

    const TextMask dearest = font->render("\xC7\xD7\xB0\xAE\xB5\xC4");  // 亲爱的
    EXPECT_EQ(dearest.width, 3 * 56);
    EXPECT_EQ(dearest.height, 56);
    ASSERT_EQ(dearest.coverage.size(), static_cast<std::size_t>(dearest.width) * dearest.height);
    // Monochrome: every pixel is in or out, and the glyphs are really there (a Latin face would
    // draw nothing or empty boxes for these characters).
    EXPECT_TRUE(std::all_of(dearest.coverage.begin(), dearest.coverage.end(), [](std::uint8_t c) { return c <= 1; }));
    const auto inked = std::count(dearest.coverage.begin(), dearest.coverage.end(), std::uint8_t{1});
    EXPECT_GT(inked, 3 * 200);
    EXPECT_LT(inked, 3 * 56 * 56 / 2);

    EXPECT_EQ(font->render("W").width, 28);
    EXPECT_EQ(font->render("   ").width, 3 * 28);
    const TextMask spaces = font->render("   ");
    EXPECT_EQ(std::count(spaces.coverage.begin(), spaces.coverage.end(), std::uint8_t{1}), 0);
    const TextMask empty = font->render("");
    EXPECT_EQ(empty.width, 0);
    EXPECT_EQ(empty.height, 56);
}

TEST(HostFont, InstalledFaceIsTakenAsAsked) {
    FontRequest latin;
    latin.face = "DejaVu Sans";
    latin.height = -56;
    const std::unique_ptr<Font> dejaVu = createFont(latin);
    const std::unique_ptr<Font> kai = createFont(storedBoardFont());
    // Another face, other metrics: DejaVu Sans's cell is taller than its em.
    EXPECT_GT(dejaVu->cellHeight(), 56);
    EXPECT_NE(dejaVu->render("W").width, kai->render("W").width);
}

TEST(HostFont, HeightsAreClampedAndPositiveHeightsAreCells) {
    FontRequest request = storedBoardFont();
    request.height = 56;  // the whole cell, not the em
    EXPECT_EQ(createFont(request)->cellHeight(), 56);
    request.height = std::numeric_limits<std::int32_t>::min();
    const std::unique_ptr<Font> huge = createFont(request);
    EXPECT_GT(huge->cellHeight(), 0);
    EXPECT_LE(huge->cellHeight(), 4096);
}

TEST(HostGbk, DecodesAndReplacesWhatItCannot) {
    struct Case {
        std::string gbk;
        std::u32string expected;
    };
    const std::vector<Case> cases = {
        {"", U""},
        {"always on the way", U"always on the way"},
        {"\xC7\xD7\xB0\xAE\xB5\xC4", U"亲爱的"},
        {"999\xB6\xE4", U"999朵"},
        {"\xA1\xA3", U"。"},
        {"\xC7", U"\uFFFD"},  // cut off after the lead byte
        {"\xC7\xD7\xB0", U"亲\uFFFD"},
        {"a\xFF"
         "b",
         U"a\uFFFD"
         "b"},  // never a lead byte
    };
    for (const Case& c : cases) EXPECT_EQ(decodeGbk(c.gbk), c.expected) << c.gbk;
}

}  // namespace
}  // namespace love::platform::host
