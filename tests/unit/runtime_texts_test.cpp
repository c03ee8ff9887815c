// The runtime's texts are the GBK bytes of exactly these characters.
#include "runtime/runtime_texts.h"

#include <gtest/gtest.h>

#include "platform/headless/headless_platform.h"

namespace {

namespace texts = love::runtime::texts;

TEST(RuntimeTexts, DecodeToTheirCharacters) {
    const love::platform::headless::HeadlessPlatform platform;
    const std::vector<std::pair<std::string_view, std::u32string>> cases = {
        {texts::kErrorTitle, U"错误"},
        {texts::kRuntimeErrorHeading, U"运行时出错!"},
        {texts::kErrorCodeLabel, U"错误代码："},
        {texts::kErrorMessageLabel, U"错误信息："},
        {texts::kDefaultMessageBoxTitle, U"信息："},
        {texts::kIndexAboveCountText, U"数组成员引用下标超出定义范围"},
        {texts::kIndexBelowOneText, U"数组成员引用下标必须大于等于1"},
        {texts::kUnbalancedCallText, U"调用DLL命令后发现堆栈错误"},
        {texts::kAllocationFailedBefore, U"分配 "},
        {texts::kAllocationFailedAfter, U" 字节内存失败!"},
        {texts::kDescriptionsUnreadable, U"载入窗口模板数据段出错!"},
        {texts::kStartWindowLoadFailed, U"载入启动窗口失败"},
        {texts::kUnitMissingOrNotLoaded, U"指定窗口或窗口组件不存在或尚未载入"},
        {texts::kPropertyWindowNotInRegistry, U"未载入欲访问窗口组件所在的窗口"},
        {texts::kWindowNotLoaded, U"指定窗口尚未载入"},
        {texts::kFunctionNotFoundBefore, U"无法找到指定DLL库文件中的输出命令“"},
        {texts::kLibraryFunctionNotFoundBefore, U"无法找到指定DLL库文件“"},
        {texts::kLibraryFunctionNotFoundMiddle, U"”中的输出命令“"},
        {texts::kQuoteClose, U"”"},
        {texts::kEventWindowNotFound, U"未找到引发事件的窗口"},
        {texts::kEventUnitNotFound, U"未找到引发事件的窗口组件"},
        {texts::kEventUnitInvalid, U"引发事件的窗口组件无效"},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        EXPECT_EQ(platform.decodeGbk(cases[i].first), cases[i].second) << "text " << i;
    }
}

}  // namespace
