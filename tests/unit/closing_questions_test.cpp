// The two questions asked when the start window goes while the program runs.
#include "show/closing_questions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/headless/headless_platform.h"
#include "runtime/runtime.h"
#include "show/program.h"
#include "windows/descriptions.h"

namespace {

using love::platform::headless::HeadlessPlatform;

constexpr int kIdOk = 1, kIdYes = 6, kIdNo = 7;
const std::u32string kT1 = U"傻瓜式问题：";
const std::u32string kT2 = U"傻瓜式问题";
const std::u32string kQ1 = U"老婆感动了吧！  ---最爱倪的老公 留 ";
const std::u32string kQ2 = U"老婆真好啊！老公好幸福啊！那你打算爱我一辈子吗！";

struct Box {
    std::u32string text;
    std::u32string title;
    std::uint32_t style;
    friend bool operator==(const Box&, const Box&) = default;
    friend std::ostream& operator<<(std::ostream& out, const Box& box) { return out << "style " << box.style; }
};

struct Dialogue {
    const char* name;
    std::vector<int> answers;
    std::vector<Box> boxes;
    bool destroyCalled;
};

std::vector<Box> shownBoxes(const HeadlessPlatform& platform) {
    std::vector<Box> boxes;
    for (const auto& box : platform.messageBoxes()) {
        boxes.push_back({platform.decodeGbk(box.text), platform.decodeGbk(box.title), box.style});
    }
    return boxes;
}

class ClosingQuestions : public ::testing::TestWithParam<Dialogue> {};

// Yes/No boxes are style 4 and OK boxes style 0, each made task-modal (8192).
TEST_P(ClosingQuestions, AsksAndAnswersWithTheExactTexts) {
    const Dialogue dialogue = GetParam();
    HeadlessPlatform platform;
    platform.scriptMessageBoxAnswers(dialogue.answers);
    love::runtime::Runtime process(platform, love::show::programDeclarations());
    process.initialise();
    process.loadStartWindow(love::windows::kStartWindow);

    love::show::closingQuestions();

    EXPECT_EQ(shownBoxes(platform), dialogue.boxes);
    EXPECT_EQ(process.isDestroyPending(love::windows::kStartWindow), dialogue.destroyCalled);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, ClosingQuestions,
    ::testing::Values(
        Dialogue{"YesYes",
                 {kIdYes, kIdYes, kIdOk},
                 {{kQ1, kT1, 0x2004}, {kQ2, kT2, 0x2004}, {U"嗯！那咱俩就一辈子，不离不弃吧！", kT2, 0x2000}},
                 false},
        Dialogue{"YesNo",
                 {kIdYes, kIdNo, kIdOk},
                 {{kQ1, kT1, 0x2004}, {kQ2, kT2, 0x2004}, {U"伤心了。。。！痛苦了！", kT1, 0x2000}},
                 true},
        Dialogue{"No", {kIdNo, kIdOk}, {{kQ1, kT1, 0x2004}, {U"老婆不爱我，伤心了。。。！", kT1, 0x2000}}, true},
        // Only exactly No takes a No branch: a box closed some other way counts as Yes.
        Dialogue{"CancelCountsAsYes",
                 {2, 0, kIdOk},
                 {{kQ1, kT1, 0x2004}, {kQ2, kT2, 0x2004}, {U"嗯！那咱俩就一辈子，不离不弃吧！", kT2, 0x2000}},
                 false}),
    [](const auto& info) { return std::string(info.param.name); });

// The whole program closed before the show: the destroy call made from the handler changes
// nothing, the last window goes and the program ends with 0.
TEST(ClosingQuestionsInTheProgram, TheNoPathEndsTheProgramWithZero) {
    for (const std::vector<int>& answers : {std::vector<int>{kIdNo, kIdOk}, std::vector<int>{kIdYes, kIdNo, kIdOk}}) {
        HeadlessPlatform platform;
        platform.scheduleClose(50, 1);  // the start window, created first
        platform.scriptMessageBoxAnswers(answers);
        const int exitCode = love::platform::headless::runToExit([&] { love::show::runProgram(platform); });
        EXPECT_EQ(exitCode, 0);
        EXPECT_EQ(platform.messageBoxes().size(), answers.size());  // no error report after them
        EXPECT_TRUE(platform.topLevelWindows().empty());
        EXPECT_EQ(platform.now(), 50u);
    }
}

}  // namespace
