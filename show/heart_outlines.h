// The two heart outlines: their point lists on a coarse grid, parsing them into the coordinate
// arrays, the scale factors from grid units to screen pixels, and the pixel of a point.
#pragma once

#include <cstdint>
#include <string_view>

#include "runtime/text.h"

namespace love::show {

// Points "x,y" separated by "|". The inner heart row by row from the top, left to right.
inline constexpr std::string_view kInnerHeartList =
    "15,7|16,7|17,7|18,7|30,7|31,7|32,7|33,7|13,8|14,8|19,8|29,8|34,8|35,8|13,9|20,9|21,9|27,9|28,9|35,9|12,10|22,"
    "10|26,10|36,10|11,11|23,11|25,11|37,11|11,12|24,12|37,12|11,13|37,13|11,14|37,14|11,15|37,15|12,16|36,16|12,17|"
    "36,17|13,18|35,18|13,19|35,19|14,20|34,20|15,21|33,21|16,22|32,22|17,23|31,23|18,24|19,24|29,24|30,24|20,25|28,"
    "25|21,26|22,26|26,26|27,26|23,27|25,27|24,28";

// The outer heart as one trace: from the notch between the lobes over the right lobe, down to the
// tip, up the left side and over the left lobe back to the notch.
inline constexpr std::string_view kOuterHeartList =
    "24,6|25,5|26,4|27,3|28,2|29,2|30,1|31,1|32,0|33,0|34,0|35,0|36,0|37,0|38,0|39,1|40,1|41,2|42,3|43,4|44,5|44,6|"
    "45,7|45,8|46,9|46,10|46,11|46,12|46,13|46,14|45,15|45,16|45,17|44,18|44,19|43,20|42,21|41,22|40,23|39,24|38,25|"
    "37,26|36,27|35,28|34,29|32,30|33,30|30,31|31,31|29,32|27,33|28,33|25,34|26,34|24,35|23,34|22,34|21,33|20,33|19,"
    "32|18,31|17,31|16,30|15,30|14,29|13,28|12,27|11,26|10,25|9,24|8,23|7,22|6,21|5,20|4,19|4,18|3,17|3,16|3,15|2,14|"
    "2,13|2,12|2,11|2,10|2,9|3,8|3,7|4,6|4,5|5,4|6,3|7,2|8,1|9,1|10,0|11,0|12,0|13,0|14,0|15,0|16,0|17,1|18,1|19,2|"
    "20,2|21,3|22,4|23,5";

// The sprite's width and height less one, and the grid extents they are divided by.
inline constexpr std::int32_t kSpriteWidthLessOne = 98;
inline constexpr std::int32_t kSpriteHeightLessOne = 86;
inline constexpr std::int32_t kGridColumns = 43;
inline constexpr std::int32_t kGridRows = 34;

// Splits list at "|" into pieces (pieceCount taking their number), then each piece at "," into
// pointParts, appending part 1 less 2 as a number text to xs and part 2 as written to ys. A
// piece with fewer than two parts raises the array-index error report.
void parsePointList(std::string_view list, runtime::TextArray& pieces, std::int32_t& pieceCount,
                    runtime::TextArray& pointParts, runtime::TextArray& xs, runtime::TextArray& ys);

// trunc((screenExtent - spriteExtentLessOne) / divisor), in double precision.
std::int32_t scaleFactor(std::int32_t screenExtent, std::int32_t spriteExtentLessOne, std::int32_t divisor);

// Parses the inner list, then the outer list, into the global arrays and sets scaleX and scaleY
// for a screen of this size. A second call appends a second copy of each list.
void buildOutlines(std::int32_t screenWidth, std::int32_t screenHeight);
// The same for the primary screen.
void buildOutlines();

struct Pixel {
    std::int32_t x;
    std::int32_t y;
    friend bool operator==(const Pixel&, const Pixel&) = default;
};

// The top-left corner of the sprite for point n of (xs, ys): each coordinate times its scale
// factor, truncated toward zero. An index outside the arrays raises the array-index report.
Pixel pointToPixel(std::int64_t n, const runtime::TextArray& xs, const runtime::TextArray& ys);

}  // namespace love::show
