#include "show/heart_outlines.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <set>
#include <string>
#include <utility>

#include "runtime/error_report.h"
#include "show/globals.h"
#include "unit/report_capture.h"

namespace {

using love::runtime::TextArray;
using love::runtime::textToNumber;
using namespace love::show;

// The report code of the box an action raised; -1 when it raised none.
template <class Action>
int reportCodeRaisedBy(Action action) {
    const auto report = love::testing::reportRaisedBy(action);
    if (!report.raised) return -1;
    for (int code : {0, love::runtime::kIndexAboveCount, love::runtime::kIndexBelowOne}) {
        if (report.hasCode(code)) return code;
    }
    return -2;
}

class HeartOutlines : public testing::Test {
protected:
    void SetUp() override { releaseGlobals(); }
    void TearDown() override { releaseGlobals(); }
};

TEST_F(HeartOutlines, BuildFillsTheFourArrays) {
    buildOutlines(1920, 1080);
    ASSERT_EQ(outerXs.count(), 108u);
    ASSERT_EQ(outerYs.count(), 108u);
    ASSERT_EQ(innerXs.count(), 66u);
    ASSERT_EQ(innerYs.count(), 66u);
    EXPECT_EQ(outerPieceCount, 108);
    EXPECT_EQ(innerPieceCount, 66);
    EXPECT_EQ(outerXs.at(1), "22");
    EXPECT_EQ(outerYs.at(1), "6");
    EXPECT_EQ(outerYs.at(25), "9");
    EXPECT_EQ(innerXs.at(1), "13");
    EXPECT_EQ(innerYs.at(1), "7");
    EXPECT_EQ(outerXs.at(108), "21");
    EXPECT_EQ(outerYs.at(108), "5");
    EXPECT_EQ(scaleX, 42);
    EXPECT_EQ(scaleY, 29);
    EXPECT_EQ(pointToPixel(1, outerXs, outerYs), (Pixel{924, 174}));
}

// The carried lists: every point distinct, inside the grid, and the outer one a continuous trace
// from the notch over the tip back to beside the notch.
TEST_F(HeartOutlines, PointListsAreWellFormed) {
    buildOutlines(1920, 1080);
    struct Outline {
        const TextArray& xs;
        const TextArray& ys;
        double maxX, maxY;
    };
    for (const Outline& outline : {Outline{outerXs, outerYs, 44, 35}, Outline{innerXs, innerYs, 35, 28}}) {
        std::set<std::pair<double, double>> points;
        for (std::int64_t n = 1; n <= static_cast<std::int64_t>(outline.xs.count()); ++n) {
            const double x = textToNumber(outline.xs.at(n));
            const double y = textToNumber(outline.ys.at(n));
            EXPECT_EQ(outline.xs.at(n), std::to_string(static_cast<int>(x)));  // whole, no fraction
            EXPECT_TRUE(x >= 0 && x <= outline.maxX && y >= 0 && y <= outline.maxY) << n;
            points.insert({x, y});
        }
        EXPECT_EQ(points.size(), outline.xs.count());
    }
    for (std::int64_t n = 2; n <= 108; ++n) {
        EXPECT_LE(std::abs(textToNumber(outerXs.at(n)) - textToNumber(outerXs.at(n - 1))), 3) << n;
        EXPECT_LE(std::abs(textToNumber(outerYs.at(n)) - textToNumber(outerYs.at(n - 1))), 1) << n;
    }
    EXPECT_EQ(outerYs.at(55), "35");  // the tip
    EXPECT_EQ(outerXs.at(55), "22");
}

TEST_F(HeartOutlines, ScaleFactorsFollowTheScreen) {
    struct Case {
        std::int32_t width, height, scaleX, scaleY;
    };
    for (const Case c :
         {Case{1024, 768, 21, 20}, Case{1366, 768, 29, 20}, Case{1920, 1080, 42, 29}, Case{141, 120, 1, 1},
          Case{140, 119, 0, 0}, Case{60, 86, 0, 0}, Case{10, 0, -2, -2}, Case{0, 0, -2, -2}}) {
        releaseGlobals();
        buildOutlines(c.width, c.height);
        EXPECT_EQ(scaleX, c.scaleX) << c.width;
        EXPECT_EQ(scaleY, c.scaleY) << c.height;
    }
}

TEST_F(HeartOutlines, BuildForTheScreenReadsItsSize) {
    love::platform::headless::HeadlessPlatform platform;
    platform.setScreenSize({1366, 768});
    love::runtime::Runtime runtime(platform, {});
    buildOutlines();
    EXPECT_EQ(outerXs.count(), 108u);
    EXPECT_EQ(innerXs.count(), 66u);
    EXPECT_EQ(scaleX, 29);
    EXPECT_EQ(scaleY, 20);
}

TEST_F(HeartOutlines, BuildingTwiceAppendsASecondCopy) {
    buildOutlines(1024, 768);
    buildOutlines(1024, 768);
    EXPECT_EQ(outerXs.count(), 216u);
    EXPECT_EQ(innerYs.count(), 132u);
    EXPECT_EQ(outerXs.at(109), "22");
}

TEST_F(HeartOutlines, ParsesPiecesByTheirFirstTwoParts) {
    TextArray pieces, parts, xs, ys;
    std::int32_t count = 0;
    parsePointList("5,6,7|a,b|2.5,07", pieces, count, parts, xs, ys);
    EXPECT_EQ(count, 3);
    ASSERT_EQ(xs.count(), 3u);
    EXPECT_EQ(xs.at(1), "3");  // parts after the second are ignored
    EXPECT_EQ(ys.at(1), "6");
    EXPECT_EQ(xs.at(2), "-2");  // not a number: 0
    EXPECT_EQ(ys.at(2), "b");
    EXPECT_EQ(xs.at(3), "0.5");
    EXPECT_EQ(ys.at(3), "07");  // y as written
}

TEST_F(HeartOutlines, PieceWithoutBothPartsRaisesTheArrayReport) {
    for (const char* list : {"1,2|3", "1,2||3,4", ","}) {
        TextArray pieces, parts, xs, ys;
        std::int32_t count = 0;
        EXPECT_EQ(reportCodeRaisedBy([&] { parsePointList(list, pieces, count, parts, xs, ys); }),
                  love::runtime::kIndexAboveCount)
            << list;
    }
}

TEST_F(HeartOutlines, PointToPixelTruncatesTowardZero) {
    TextArray xs, ys;
    love::runtime::append(xs, "1.5");
    love::runtime::append(ys, "1e300");
    struct Case {
        std::int32_t scaleX, scaleY;
        Pixel pixel;
    };
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
    for (const Case c : {Case{3, 0, {4, 0}}, Case{-3, 1, {-4, kMax}}, Case{0, -1, {0, kMin}}}) {
        scaleX = c.scaleX;
        scaleY = c.scaleY;
        EXPECT_EQ(pointToPixel(1, xs, ys), c.pixel) << c.scaleX << "," << c.scaleY;
    }
}

TEST_F(HeartOutlines, PointToPixelChecksItsIndex) {
    buildOutlines(1920, 1080);
    EXPECT_EQ(reportCodeRaisedBy([] { (void)pointToPixel(0, outerXs, outerYs); }), love::runtime::kIndexBelowOne);
    EXPECT_EQ(reportCodeRaisedBy([] { (void)pointToPixel(109, outerXs, outerYs); }), love::runtime::kIndexAboveCount);
    EXPECT_EQ(reportCodeRaisedBy([] { (void)pointToPixel(67, innerXs, innerYs); }), love::runtime::kIndexAboveCount);
    EXPECT_EQ(pointToPixel(108, outerXs, outerYs), (Pixel{21 * 42, 5 * 29}));
}

}  // namespace
