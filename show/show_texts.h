// The lines the show writes, as GBK bytes; each one's text is in the comment above it, between
// quotes, so that leading and trailing spaces show.
#pragma once

#include <string_view>

namespace love::show {

// The first block, under the traced heart.
// "亲爱的"
inline constexpr std::string_view kDearLine = "\xc7\xd7\xb0\xae\xb5\xc4";
// "   这个桃心代表着"
inline constexpr std::string_view kThisHeartStandsForLine =
    "   \xd5\xe2\xb8\xf6\xcc\xd2\xd0\xc4\xb4\xfa\xb1\xed\xd7\xc5";
// "   我对你深深的爱意。。。"
inline constexpr std::string_view kMyDeepLoveLine =
    "   \xce\xd2\xb6\xd4\xc4\xe3\xc9\xee\xc9\xee\xb5\xc4\xb0\xae\xd2\xe2\xa1\xa3\xa1\xa3\xa1\xa3";

// The second block, after the inner heart is filled.
// " 桃心里面夹着桃心"
inline constexpr std::string_view kHeartWithinHeartLine =
    " \xcc\xd2\xd0\xc4\xc0\xef\xc3\xe6\xbc\xd0\xd7\xc5\xcc\xd2\xd0\xc4";
// "代表着你永远在我心里。。。"
inline constexpr std::string_view kAlwaysInMyHeartLine =
    "\xb4\xfa\xb1\xed\xd7\xc5\xc4\xe3\xd3\xc0\xd4\xb6\xd4\xda\xce\xd2\xd0\xc4\xc0\xef\xa1\xa3\xa1\xa3\xa1\xa3";

// The third block, over the scattered roses.
// "屏幕上撒满了999朵玫瑰"
inline constexpr std::string_view kRosesEverywhereLine =
    "\xc6\xc1\xc4\xbb\xc9\xcf\xc8\xf6\xc2\xfa\xc1\xcb"
    "999\xb6\xe4\xc3\xb5\xb9\xe5";
// "  "
inline constexpr std::string_view kThirdBlockSpacerLine = "  ";
// "             送给我最亲爱的你"
inline constexpr std::string_view kForMyDearestLine =
    "             \xcb\xcd\xb8\xf8\xce\xd2\xd7\xee\xc7\xd7\xb0\xae\xb5\xc4\xc4\xe3";

// The closing block, after the wipe.
// "与子携手"
inline constexpr std::string_view kHandInHandLine = "\xd3\xeb\xd7\xd3\xd0\xaf\xca\xd6";
// "    我们的脚印在渐行渐远"
inline constexpr std::string_view kOurFootprintsLine =
    "    \xce\xd2\xc3\xc7\xb5\xc4\xbd\xc5\xd3\xa1\xd4\xda\xbd\xa5\xd0\xd0\xbd\xa5\xd4\xb6";
// "         always on the way"
inline constexpr std::string_view kAlwaysOnTheWayLine = "         always on the way";
// "   "
inline constexpr std::string_view kClosingBlockSpacerLine = "   ";

// The last line, after the heart is redrawn.
// "           To my best love "
inline constexpr std::string_view kToMyBestLoveLine = "           To my best love ";

}  // namespace love::show
