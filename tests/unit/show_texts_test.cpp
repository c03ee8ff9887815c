#include "show/show_texts.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "platform/host_text.h"

namespace {

using love::platform::host::decodeGbk;
using namespace love::show;

// Every line decodes to its text, spaces and punctuation included.
TEST(ShowTexts, DecodeToTheirLines) {
    struct Case {
        std::string_view gbk;
        std::u32string_view text;
    };
    for (const Case c : {
             Case{kDearLine, U"亲爱的"},
             Case{kThisHeartStandsForLine, U"   这个桃心代表着"},
             Case{kMyDeepLoveLine, U"   我对你深深的爱意。。。"},
             Case{kHeartWithinHeartLine, U" 桃心里面夹着桃心"},
             Case{kAlwaysInMyHeartLine, U"代表着你永远在我心里。。。"},
             Case{kRosesEverywhereLine, U"屏幕上撒满了999朵玫瑰"},
             Case{kThirdBlockSpacerLine, U"  "},
             Case{kForMyDearestLine, U"             送给我最亲爱的你"},
             Case{kHandInHandLine, U"与子携手"},
             Case{kOurFootprintsLine, U"    我们的脚印在渐行渐远"},
             Case{kAlwaysOnTheWayLine, U"         always on the way"},
             Case{kClosingBlockSpacerLine, U"   "},
             Case{kToMyBestLoveLine, U"           To my best love "},
         }) {
        EXPECT_EQ(decodeGbk(c.gbk), c.text);
    }
}

// A few lines byte for byte: GBK is two bytes a character, ASCII one.
TEST(ShowTexts, AreGbkBytes) {
    EXPECT_EQ(kDearLine, "\xc7\xd7\xb0\xae\xb5\xc4");
    EXPECT_EQ(kRosesEverywhereLine.size(), 12u + 3u + 6u);
    EXPECT_EQ(kRosesEverywhereLine.substr(12, 3), "999");
    EXPECT_EQ(kMyDeepLoveLine.substr(kMyDeepLoveLine.size() - 6), "\xa1\xa3\xa1\xa3\xa1\xa3");  // 。。。
    EXPECT_EQ(kToMyBestLoveLine.size(), 27u);
}

}  // namespace
