#include "runtime/drawing_board.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/headless/headless_platform.h"
#include "runtime/picture_registry.h"
#include "unit/picture_fixtures.h"
#include "windows/media.h"

namespace love::runtime {
namespace {

using platform::NativeHandle;
using platform::Rect;

constexpr std::uint32_t kWhite = 0x00FFFFFF;
constexpr std::uint32_t kViolet = 0x009000FF;  // the board's text colour 0x00FF0090 as 0x00RRGGBB
constexpr std::int32_t kShowKeyMode = static_cast<std::int32_t>(0xFF000001u);
constexpr std::int32_t kIntMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kIntMin = std::numeric_limits<std::int32_t>::min();
const std::string kDearest = "\xC7\xD7\xB0\xAE\xB5\xC4";  // 亲爱的
constexpr std::int32_t kLineHeight = 56;                  // the Kai face's cell at 56-pixel characters

class RecordingTrace final : public DrawingTrace {
public:
    void pictureDrawn(std::uint32_t handle, std::int32_t x, std::int32_t y) override {
        rows.push_back("draw " + std::to_string(handle) + " " + std::to_string(x) + " " + std::to_string(y));
    }
    void writePositionSet(std::int32_t x, std::int32_t y) override {
        rows.push_back("pos " + std::to_string(x) + " " + std::to_string(y));
    }
    void lineWritten(std::int32_t x, std::int32_t y, std::string_view line) override {
        rows.push_back("line " + std::to_string(x) + " " + std::to_string(y) + " " + std::string(line));
    }
    void cleared(std::int32_t l, std::int32_t t, std::int32_t w, std::int32_t h) override {
        rows.push_back("clear " + std::to_string(l) + " " + std::to_string(t) + " " + std::to_string(w) + " " +
                       std::to_string(h));
    }
    void delayed(std::int32_t) override {}
    void programEnded(int) override {}
    std::vector<std::string> rows;
};

DrawPanelProperties showBoardProperties() {
    DrawPanelProperties p;
    p.backgroundColour = 0x00FFFFFF;
    p.textColour = 0x00FF0090;
    p.textBackgroundColour = kSystemDefaultColour;
    p.font.face = "\xBF\xAC\xCC\xE5_GB2312";  // 楷体_GB2312
    p.font.height = -56;
    p.font.weight = 400;
    p.font.charset = 134;
    p.font.outPrecision = 3;
    p.font.clipPrecision = 2;
    p.font.quality = 1;
    p.font.pitchAndFamily = 0x31;
    return p;
}

class DrawingBoardTest : public ::testing::Test {
protected:
    static constexpr std::int32_t kWidth = 320;
    static constexpr std::int32_t kHeight = 200;

    void SetUp() override { makeBoard(showBoardProperties()); }

    void makeBoard(const DrawPanelProperties& properties) {
        board.reset();
        platform::WindowSpec windowSpec;
        windowSpec.rect = Rect{0, 0, kWidth, kHeight};
        window = platform.createWindow(windowSpec);
        surface = platform.createSurface(window, Rect{0, 0, kWidth, kHeight}, true);
        board = std::make_unique<DrawingBoard>(platform, pictures, surface, properties, &trace);
        board->sizeChanged();
        trace.rows.clear();
    }

    std::uint32_t& pixel(std::int32_t x, std::int32_t y) { return platform.pixels(surface).at(x, y); }
    std::vector<std::uint32_t> snapshot() {
        const platform::PixelView v = platform.pixels(surface);
        return {v.pixels, v.pixels + static_cast<std::size_t>(v.width) * v.height};
    }
    void paintBoard(std::uint32_t rgb) {
        const platform::PixelView v = platform.pixels(surface);
        std::fill_n(v.pixels, static_cast<std::size_t>(v.width) * v.height, rgb);
    }
    // The bounding box of the pixels of one colour; empty when there are none.
    Rect boundsOf(std::uint32_t rgb) {
        std::int32_t left = kIntMax, top = kIntMax, right = kIntMin, bottom = kIntMin;
        const platform::PixelView v = platform.pixels(surface);
        for (std::int32_t y = 0; y < v.height; ++y) {
            for (std::int32_t x = 0; x < v.width; ++x) {
                if (v.at(x, y) != rgb) continue;
                left = std::min(left, x);
                top = std::min(top, y);
                right = std::max(right, x + 1);
                bottom = std::max(bottom, y + 1);
            }
        }
        if (right == kIntMin) return {};
        return {left, top, right - left, bottom - top};
    }
    std::size_t countOf(std::uint32_t rgb) {
        const std::vector<std::uint32_t> all = snapshot();
        return static_cast<std::size_t>(std::count(all.begin(), all.end(), rgb));
    }
    std::uint32_t load(const std::vector<std::uint8_t>& bytes) {
        const std::uint32_t handle = pictures.load(bytes);
        EXPECT_NE(handle, 0u);
        return handle;
    }

    platform::headless::HeadlessPlatform platform;
    PictureRegistry pictures;
    RecordingTrace trace;
    NativeHandle window = 0;
    NativeHandle surface = 0;
    std::unique_ptr<DrawingBoard> board;
};

// --- draw picture ---

TEST_F(DrawingBoardTest, KeyColourLeavesOutExactlyPureWhite) {
    const std::uint32_t picture = load(test::makeBmp(3, 1, {0x00FFFFFF, 0x00FFFFFE, 0x00FEFFFF}));
    paintBoard(0x00102030);
    board->drawPicture(picture, 10, 20, std::nullopt, std::nullopt, kShowKeyMode);
    EXPECT_EQ(pixel(10, 20), 0x00102030u);
    EXPECT_EQ(pixel(11, 20), 0x00FFFFFEu);
    EXPECT_EQ(pixel(12, 20), 0x00FEFFFFu);
    EXPECT_EQ(trace.rows, std::vector<std::string>{"draw " + std::to_string(picture) + " 10 20"});
}

TEST_F(DrawingBoardTest, SpriteWithShowKeyDrawsTheBloomOnlyAndTwiceIsOnce) {
    const std::uint32_t sprite =
        load(std::vector<std::uint8_t>(windows::spriteGif().begin(), windows::spriteGif().end()));
    const Picture& rose = *pictures.find(sprite);
    paintBoard(0x00102030);
    board->drawPicture(sprite, 7, 9, std::nullopt, std::nullopt, kShowKeyMode);
    for (std::int32_t y = 0; y < rose.height; ++y) {
        for (std::int32_t x = 0; x < rose.width; ++x) {
            const std::uint32_t source = rose.pixels[static_cast<std::size_t>(y) * rose.width + x];
            ASSERT_EQ(pixel(7 + x, 9 + y), source == kWhite ? 0x00102030u : source) << x << "," << y;
        }
    }
    const std::vector<std::uint32_t> once = snapshot();
    board->drawPicture(sprite, 7, 9, std::nullopt, std::nullopt, kShowKeyMode);
    EXPECT_EQ(snapshot(), once);
    ASSERT_FALSE(platform.presentations().empty());
    EXPECT_EQ(platform.presentations().back().area, (Rect{7, 9, 99, 87}));
}

TEST_F(DrawingBoardTest, SpriteAtNegativeCornerShowsOnlyItsLowerRightPart) {
    const std::uint32_t sprite =
        load(std::vector<std::uint8_t>(windows::spriteGif().begin(), windows::spriteGif().end()));
    const Picture& rose = *pictures.find(sprite);
    paintBoard(0x00102030);
    board->drawPicture(sprite, -49, -43, std::nullopt, std::nullopt, 1);
    EXPECT_EQ(platform.presentations().back().area, (Rect{0, 0, 50, 44}));
    for (std::int32_t y = 0; y < kHeight; ++y) {
        for (std::int32_t x = 0; x < kWidth; ++x) {
            const std::uint32_t expected =
                (x < 50 && y < 44) ? rose.pixels[static_cast<std::size_t>(y + 43) * 99 + (x + 49)] : 0x00102030u;
            ASSERT_EQ(pixel(x, y), expected) << x << "," << y;
        }
    }
}

TEST_F(DrawingBoardTest, CopyModesCombinePictureAndBoardPixels) {
    constexpr std::uint32_t kBoard = 0x00336699;
    constexpr std::uint32_t kPicture = 0x00F0A50F;
    const std::uint32_t picture = load(test::makeBmp(1, 1, {kPicture}));
    struct Case {
        std::optional<std::int32_t> mode;
        std::uint32_t expected;
    };
    const std::vector<Case> cases = {
        {std::nullopt, kPicture},
        {1, kPicture},
        {2, ~kPicture & 0x00FFFFFF},
        {3, kBoard ^ kPicture},
        {4, kBoard | kPicture},
        {5, kBoard & kPicture},
        {-0x000FA5F0, kBoard},    // key 0x000FA5F0 (BBGGRR) is the
                                  // picture's colour: left out
        {-0x00F0A50F, kPicture},  // the same bytes in the wrong order are another colour
        {kIntMin, kPicture},      // -mode does not fit a colour: nothing is left out
    };
    for (const Case& c : cases) {
        pixel(5, 5) = kBoard;
        board->drawPicture(picture, 5, 5, std::nullopt, std::nullopt, c.mode);
        EXPECT_EQ(pixel(5, 5), c.expected) << "mode " << c.mode.value_or(0);
        EXPECT_EQ(pixel(6, 5), kWhite);
    }
}

TEST_F(DrawingBoardTest, ScalingStretchesPictureAndLeftOutPixelsTogether) {
    const std::uint32_t picture = load(test::makeBmp(2, 2, {0x00FF0000, 0x00FFFFFF, 0x00FFFFFF, 0x000000FF}));
    paintBoard(0x00000000);
    board->drawPicture(picture, 1, 1, 4, 6, kShowKeyMode);
    EXPECT_EQ(boundsOf(0x00FF0000), (Rect{1, 1, 2, 3}));
    EXPECT_EQ(boundsOf(0x000000FF), (Rect{3, 4, 2, 3}));
    EXPECT_EQ(countOf(0x00FF0000), 6u);
    EXPECT_EQ(countOf(0x000000FF), 6u);
    EXPECT_EQ(countOf(0x00000000), static_cast<std::size_t>(kWidth) * kHeight - 12);
}

TEST_F(DrawingBoardTest, DrawingWithoutAPictureOrOffTheBoardChangesNothing) {
    const std::uint32_t picture = load(test::makeBmp(2, 2, std::vector<std::uint32_t>(4, 0x00010203)));
    const std::vector<std::uint32_t> before = snapshot();
    const std::size_t presented = platform.presentations().size();
    struct Case {
        std::uint32_t handle;
        std::optional<std::int32_t> x, y, w, h;
    };
    const std::vector<Case> cases = {
        {0, 0, 0, std::nullopt, std::nullopt},
        {picture + 100, 0, 0, std::nullopt, std::nullopt},
        {picture, kWidth, 0, std::nullopt, std::nullopt},
        {picture, 0, kHeight, std::nullopt, std::nullopt},
        {picture, -2, 0, std::nullopt, std::nullopt},
        {picture, kIntMax, kIntMax, kIntMax, kIntMax},
        {picture, kIntMin, kIntMin, kIntMax, 10},  // reaches x = -1 only
        {picture, 0, 0, 0, 5},
        {picture, 0, 0, -3, 5},
    };
    for (const Case& c : cases) board->drawPicture(c.handle, c.x, c.y, c.w, c.h, 1);
    EXPECT_EQ(snapshot(), before);
    EXPECT_EQ(platform.presentations().size(), presented);
    EXPECT_EQ(trace.rows.size(), cases.size());
    EXPECT_EQ(trace.rows.front(), "draw 0 0 0");
}

TEST_F(DrawingBoardTest, HugeScaledPictureAtTheCornerIsClippedToTheBoard) {
    const std::uint32_t picture = load(test::makeBmp(1, 1, {0x00010203}));
    board->drawPicture(picture, -1000, -1000, kIntMax, kIntMax, std::nullopt);
    EXPECT_EQ(countOf(0x00010203), static_cast<std::size_t>(kWidth) * kHeight);
    EXPECT_EQ(platform.presentations().back().area, (Rect{0, 0, kWidth, kHeight}));
}

TEST_F(DrawingBoardTest, OmittedCoordinatesDrawAtTheOrigin) {
    const std::uint32_t picture = load(test::makeBmp(1, 1, {0x00010203}));
    board->drawPicture(picture, std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt);
    EXPECT_EQ(pixel(0, 0), 0x00010203u);
    EXPECT_EQ(countOf(0x00010203), 1u);
}

// --- clear ---

TEST_F(DrawingBoardTest, ClearNormalisesItsRectangleAndMovesTheWritePosition) {
    using O = std::optional<std::int32_t>;
    struct Case {
        O left, top, width, height;
        Rect filled;  // empty: nothing
        std::int32_t x, y;
    };
    const std::vector<Case> cases = {
        {10, 10, -5, -5, {5, 5, 5, 5}, 5, 5},
        {0, 0, 30, 0, {}, 0, 0},
        {0, 0, 30, 7, {0, 0, 30, 7}, 0, 0},
        {{}, {}, {}, {}, {0, 0, kWidth, kHeight}, 0, 0},
        {20, {}, {}, {}, {20, 0, kWidth - 20, kHeight}, 20, 0},
        {{}, 30, {}, 10, {0, 30, kWidth, 10}, 0, 30},
        {-10, -10, 20, 20, {0, 0, 10, 10}, -10, -10},
        {400, 300, -100, -150, {300, 150, 20, 50}, 300, 150},
        {kWidth + 5, 0, {}, {}, {kWidth, 0, 5, kHeight}, kWidth, 0},  // swapped back onto nothing
        {kIntMax, kIntMax, kIntMax, kIntMax, {}, kIntMax, kIntMax},
        {kIntMin, 0, -5, 10, {}, kIntMin, 0},
    };
    for (const Case& c : cases) {
        paintBoard(0x00000000);
        board->clear(c.left, c.top, c.width, c.height);
        const std::size_t area =
            static_cast<std::size_t>(std::max(0, std::min(c.filled.x + c.filled.width, kWidth) - c.filled.x)) *
            static_cast<std::size_t>(c.filled.height);
        EXPECT_EQ(countOf(kWhite), area) << c.left.value_or(-1) << "," << c.top.value_or(-1);
        if (area > 0) {
            EXPECT_EQ(boundsOf(kWhite),
                      (Rect{c.filled.x, c.filled.y, std::min(c.filled.width, kWidth - c.filled.x), c.filled.height}));
        }
        EXPECT_EQ(board->writeX(), c.x);
        EXPECT_EQ(board->writeY(), c.y);
    }
}

TEST_F(DrawingBoardTest, ClearTracesItsArgumentsWithOmittedOnesResolved) {
    board->clear(10, 10, -5, -5);
    board->clear(std::nullopt, 20, std::nullopt, std::nullopt);
    EXPECT_EQ(trace.rows, (std::vector<std::string>{"clear 10 10 -5 -5", "clear 0 20 320 180"}));
}

TEST_F(DrawingBoardTest, ClearingTheWholeBoardIsOnePresentedFill) {
    paintBoard(0x00000000);
    const std::size_t before = platform.presentations().size();
    board->clear(0, 0, kWidth, kHeight);
    ASSERT_EQ(platform.presentations().size(), before + 1);
    EXPECT_EQ(platform.presentations().back().area, (Rect{0, 0, kWidth, kHeight}));
    EXPECT_EQ(platform.presentations().back().fillRgb, std::optional<std::uint32_t>(kWhite));
    EXPECT_EQ(countOf(kWhite), static_cast<std::size_t>(kWidth) * kHeight);
}

// --- write position, size and repaint ---

TEST_F(DrawingBoardTest, SetWritePositionKeepsOmittedCoordinates) {
    board->setWritePosition(30, 40);
    board->setWritePosition(std::nullopt, -7);
    EXPECT_EQ(board->writeX(), 30);
    EXPECT_EQ(board->writeY(), -7);
    board->setWritePosition(9, std::nullopt);
    EXPECT_EQ(board->writeX(), 9);
    EXPECT_EQ(board->writeY(), -7);
    EXPECT_EQ(trace.rows, (std::vector<std::string>{"pos 30 40", "pos 30 -7", "pos 9 -7"}));
}

TEST_F(DrawingBoardTest, SizeChangeResetsThePositionAndRepaintsEverything) {
    board->setWritePosition(30, 40);
    paintBoard(0x00000000);
    platform.setRect(surface, Rect{0, 0, 100, 50});
    board->sizeChanged();
    EXPECT_EQ(board->writeX(), 0);
    EXPECT_EQ(board->writeY(), 0);
    EXPECT_EQ(countOf(kWhite), 100u * 50u);
    EXPECT_EQ(platform.presentations().back().area, (Rect{0, 0, 100, 50}));
}

TEST_F(DrawingBoardTest, RepaintFillsOnlyItsAreaAndKeepsThePosition) {
    board->setWritePosition(30, 40);
    paintBoard(0x00000000);
    board->repaint(Rect{-5, 190, 20, 50});
    EXPECT_EQ(boundsOf(kWhite), (Rect{0, 190, 15, 10}));
    EXPECT_EQ(countOf(kWhite), 150u);
    EXPECT_EQ(board->writeX(), 30);
    EXPECT_EQ(board->writeY(), 40);
}

TEST_F(DrawingBoardTest, SystemDefaultBackgroundIsTheButtonFace) {
    DrawPanelProperties properties = showBoardProperties();
    properties.backgroundColour = kSystemDefaultColour;
    makeBoard(properties);
    EXPECT_EQ(countOf(platform.buttonFaceColour()), static_cast<std::size_t>(kWidth) * kHeight);
}

// --- write line ---

TEST_F(DrawingBoardTest, WriteLinePutsTheTextCellAtThePositionInViolet) {
    board->setWritePosition(20, 30);
    board->writeLine(kDearest);
    const Rect glyphs = boundsOf(kViolet);
    ASSERT_GT(glyphs.width, 0);
    // Three 56-pixel characters inside the cell at (20, 30), well filled, nothing outside.
    EXPECT_GE(glyphs.x, 20);
    EXPECT_LE(glyphs.x + glyphs.width, 20 + 3 * 56);
    EXPECT_GE(glyphs.y, 30);
    EXPECT_LE(glyphs.y + glyphs.height, 30 + kLineHeight);
    EXPECT_GT(glyphs.width, 2 * 56);
    EXPECT_GT(glyphs.height, 40);
    // Only glyph pixels change: the rest of the board stays white.
    EXPECT_EQ(countOf(kViolet) + countOf(kWhite), static_cast<std::size_t>(kWidth) * kHeight);
    EXPECT_EQ(board->writeX(), 20);
    EXPECT_EQ(board->writeY(), 30 + kLineHeight + 2);
    EXPECT_EQ(trace.rows.back(), "line 20 30 " + kDearest);
}

TEST_F(DrawingBoardTest, EmptyTextAndSpacesTakeALineAndDrawNothing) {
    board->setWritePosition(5, 6);
    board->writeLine("");
    EXPECT_EQ(board->writeY(), 6 + kLineHeight + 2);
    board->writeLine("   ");
    EXPECT_EQ(board->writeY(), 6 + 2 * (kLineHeight + 2));
    EXPECT_EQ(board->writeX(), 5);
    EXPECT_EQ(countOf(kWhite), static_cast<std::size_t>(kWidth) * kHeight);
    EXPECT_EQ(trace.rows, (std::vector<std::string>{"pos 5 6", "line 5 6 ", "line 5 64    "}));
}

TEST_F(DrawingBoardTest, LineBreaksSplitTheText) {
    struct Case {
        std::string text;
        std::vector<std::string> lines;
    };
    const std::vector<Case> cases = {
        {"ab", {"ab"}},
        {"a\r\nb", {"a", "b"}},
        {"a\nb\rc", {"a", "b", "c"}},
        {"a\n\nb", {"a", "b"}},  // an LF right after the break belongs to it
        {"a\r\rb", {"a", "", "b"}},
        {"a\n", {"a", ""}},
        {"\r\n", {"", ""}},
    };
    for (const Case& c : cases) {
        board->setWritePosition(0, 0);
        trace.rows.clear();
        board->writeLine(c.text);
        std::vector<std::string> expected;
        for (std::size_t i = 0; i < c.lines.size(); ++i) {
            expected.push_back("line 0 " + std::to_string(i * (kLineHeight + 2)) + " " + c.lines[i]);
        }
        EXPECT_EQ(trace.rows, expected) << c.text;
    }
}

TEST_F(DrawingBoardTest, LineEndingOnTheBottomEdgeDoesNotScroll) {
    pixel(0, 5) = 0x00FF0000;
    board->setWritePosition(0, kHeight - kLineHeight);
    board->writeLine("W");
    EXPECT_EQ(pixel(0, 5), 0x00FF0000u);
    EXPECT_EQ(trace.rows.back(), "line 0 144 W");
    EXPECT_EQ(board->writeY(), kHeight + 2);
    EXPECT_GE(boundsOf(kViolet).y, kHeight - kLineHeight);
}

TEST_F(DrawingBoardTest, LineOnePixelPastTheBottomScrollsUpByThree) {
    pixel(0, 5) = 0x00FF0000;
    pixel(0, 1) = 0x0000FF00;
    pixel(7, kHeight - 1) = 0x000000FF;
    board->setWritePosition(200, kHeight - kLineHeight + 1);
    board->writeLine("W");
    EXPECT_EQ(pixel(0, 2), 0x00FF0000u);            // moved up 3
    EXPECT_EQ(countOf(0x0000FF00), 0u);             // row 1 scrolled off the top
    EXPECT_EQ(pixel(7, kHeight - 4), 0x000000FFu);  // the bottom row moved up too
    for (std::int32_t y = kHeight - 3; y < kHeight; ++y) {
        for (std::int32_t x = 0; x < kWidth; ++x) ASSERT_NE(pixel(x, y), 0x000000FFu);
    }
    EXPECT_EQ(trace.rows.back(), "line 200 142 W");
    EXPECT_EQ(board->writeY(), kHeight);
    const Rect glyphs = boundsOf(kViolet);
    EXPECT_GE(glyphs.y, kHeight - kLineHeight - 2);
    EXPECT_LE(glyphs.y + glyphs.height, kHeight - 2);
}

TEST_F(DrawingBoardTest, LineFarBelowTheBoardScrollsEverythingAway) {
    paintBoard(0x00000000);
    board->setWritePosition(0, kIntMax);
    board->writeLine("");
    EXPECT_EQ(countOf(kWhite), static_cast<std::size_t>(kWidth) * kHeight);
    EXPECT_EQ(board->writeY(), kHeight);
}

TEST_F(DrawingBoardTest, OpaqueTextBackgroundPaintsTheCellFirst) {
    DrawPanelProperties properties = showBoardProperties();
    properties.textBackgroundColour = 0x0000FF00;  // green
    makeBoard(properties);
    board->setWritePosition(-10, 100);
    board->writeLine(kDearest);
    const Rect cell = Rect{0, 100, 3 * 56 - 10, kLineHeight};
    EXPECT_EQ(countOf(0x0000FF00) + countOf(kViolet), static_cast<std::size_t>(cell.width) * cell.height);
    EXPECT_EQ(boundsOf(0x0000FF00), cell);
}

}  // namespace
}  // namespace love::runtime
