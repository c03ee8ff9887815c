#include "show/closing_questions.h"

#include <string_view>

#include "runtime/runtime.h"
#include "windows/descriptions.h"

namespace love::show {
namespace {

constexpr std::string_view kTitleWithColon = "\xC9\xB5\xB9\xCF\xCA\xBD\xCE\xCA\xCC\xE2\xA3\xBA";  // 傻瓜式问题：
constexpr std::string_view kTitleWithoutColon = "\xC9\xB5\xB9\xCF\xCA\xBD\xCE\xCA\xCC\xE2";       // 傻瓜式问题
constexpr std::string_view kAreYouMoved =
    "\xC0\xCF\xC6\xC5\xB8\xD0\xB6\xAF\xC1\xCB\xB0\xC9\xA3\xA1  ---\xD7\xEE\xB0\xAE\xC4\xDF\xB5\xC4\xC0\xCF\xB9\xAB "
    "\xC1\xF4 ";  // 老婆感动了吧！  ---最爱倪的老公 留
constexpr std::string_view kYouDoNotLoveMe =
    "\xC0\xCF\xC6\xC5\xB2\xBB\xB0\xAE\xCE\xD2\xA3\xAC\xC9\xCB\xD0\xC4\xC1\xCB\xA1\xA3\xA1\xA3\xA1\xA3\xA3\xA1";  // 老婆不爱我，伤心了。。。！
constexpr std::string_view kWillYouLoveMeForLife =
    "\xC0\xCF\xC6\xC5\xD5\xE6\xBA\xC3\xB0\xA1\xA3\xA1\xC0\xCF\xB9\xAB\xBA\xC3\xD0\xD2\xB8\xA3\xB0\xA1\xA3\xA1\xC4\xC7"
    "\xC4\xE3\xB4\xF2\xCB\xE3\xB0\xAE\xCE\xD2\xD2\xBB\xB1\xB2\xD7\xD3\xC2\xF0\xA3\xA1";  // 老婆真好啊！老公好幸福啊！那你打算爱我一辈子吗！
constexpr std::string_view kHeartbroken =
    "\xC9\xCB\xD0\xC4\xC1\xCB\xA1\xA3\xA1\xA3\xA1\xA3\xA3\xA1\xCD\xB4\xBF\xE0\xC1\xCB\xA3\xA1";  // 伤心了。。。！痛苦了！
constexpr std::string_view kForLifeThen =
    "\xE0\xC5\xA3\xA1\xC4\xC7\xD4\xDB\xC1\xA9\xBE\xCD\xD2\xBB\xB1\xB2\xD7\xD3\xA3\xAC\xB2\xBB\xC0\xEB\xB2\xBB\xC6\xFA"
    "\xB0\xC9\xA3\xA1";  // 嗯！那咱俩就一辈子，不离不弃吧！

constexpr std::int32_t kOkBox = 0;
constexpr std::int32_t kYesNoBox = 4;
constexpr std::int32_t kNo = 6;

std::int32_t ask(std::string_view text, std::int32_t style, std::string_view title) {
    return runtime::messageBox(runtime::Text(text), style, runtime::Text(title));
}

}  // namespace

void closingQuestions() {
    // Only an answer of exactly No takes a No branch.
    if (ask(kAreYouMoved, kYesNoBox, kTitleWithColon) == kNo) {
        ask(kYouDoNotLoveMe, kOkBox, kTitleWithColon);
        runtime::destroy(windows::kStartWindow);
        return;
    }
    if (ask(kWillYouLoveMeForLife, kYesNoBox, kTitleWithoutColon) == kNo) {
        ask(kHeartbroken, kOkBox, kTitleWithColon);
        runtime::destroy(windows::kStartWindow);
        return;
    }
    ask(kForLifeThen, kOkBox, kTitleWithoutColon);
}

}  // namespace love::show
