#include "show/heart_outlines.h"

#include <cmath>
#include <limits>

#include "runtime/runtime.h"
#include "show/globals.h"

namespace love::show {
namespace {

// Cuts toward zero; values beyond 32 bits saturate rather than wrap, and a non-number gives 0.
std::int32_t truncateToInt32(double value) {
    if (std::isnan(value)) return 0;
    constexpr double kLowest = std::numeric_limits<std::int32_t>::min();
    constexpr double kHighest = std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(std::trunc(std::fmin(std::fmax(value, kLowest), kHighest)));
}

}  // namespace

void parsePointList(std::string_view list, runtime::TextArray& pieces, std::int32_t& pieceCount,
                    runtime::TextArray& pointParts, runtime::TextArray& xs, runtime::TextArray& ys) {
    pieces = runtime::split(list, "|");
    pieceCount = static_cast<std::int32_t>(pieces.count());
    for (std::int32_t n = 1; n <= pieceCount; ++n) {
        pointParts = runtime::split(pieces.at(n), ",");
        const runtime::Text shiftedX = runtime::numberToText(runtime::textToNumber(pointParts.at(1)) - 2.0);
        runtime::append(xs, shiftedX);
        runtime::append(ys, pointParts.at(2));
    }
}

std::int32_t scaleFactor(std::int32_t screenExtent, std::int32_t spriteExtentLessOne, std::int32_t divisor) {
    return truncateToInt32((static_cast<double>(screenExtent) - spriteExtentLessOne) / divisor);
}

void buildOutlines(std::int32_t screenWidth, std::int32_t screenHeight) {
    parsePointList(kInnerHeartList, innerListPieces, innerPieceCount, innerPointParts, innerXs, innerYs);
    parsePointList(kOuterHeartList, outerListPieces, outerPieceCount, outerPointParts, outerXs, outerYs);
    scaleX = scaleFactor(screenWidth, kSpriteWidthLessOne, kGridColumns);
    scaleY = scaleFactor(screenHeight, kSpriteHeightLessOne, kGridRows);
}

void buildOutlines() { buildOutlines(runtime::screenWidth(), runtime::screenHeight()); }

Pixel pointToPixel(std::int64_t n, const runtime::TextArray& xs, const runtime::TextArray& ys) {
    const double x = static_cast<double>(scaleX) * runtime::textToNumber(xs.at(n));
    const double y = static_cast<double>(scaleY) * runtime::textToNumber(ys.at(n));
    return {truncateToInt32(x), truncateToInt32(y)};
}

}  // namespace love::show
