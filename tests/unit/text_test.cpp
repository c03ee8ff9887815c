#include "runtime/text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <new>
#include <string>
#include <vector>

#include "runtime/error_report.h"
#include "unit/report_capture.h"

// Allocation requests of at least this many bytes fail once, then the limit is lifted; 0 lets
// every request through. Lets a test see how a refused request is reported.
static std::size_t failRequestsFrom = 0;

void* operator new(std::size_t size) {
    if (failRequestsFrom != 0 && size >= failRequestsFrom) {
        failRequestsFrom = 0;
        throw std::bad_alloc();
    }
    if (void* block = std::malloc(size == 0 ? 1 : size)) return block;
    throw std::bad_alloc();
}
// GCC 12 at -O2 sees the inlined malloc above and the free below as a mismatched pair; they
// are the matching pair of this replacement.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
#pragma GCC diagnostic pop

namespace {

using love::runtime::append;
using love::runtime::numberToText;
using love::runtime::split;
using love::runtime::Text;
using love::runtime::TextArray;
using love::runtime::textToNumber;

using love::testing::reportRaisedBy;

std::vector<Text> entriesOf(const TextArray& array) {
    std::vector<Text> entries;
    for (std::size_t i = 1; i <= array.count(); ++i) entries.push_back(array.at(static_cast<std::int64_t>(i)));
    return entries;
}

TEST(TextToNumber, ReadsTheLongestLeadingNumber) {
    const double kInf = std::numeric_limits<double>::infinity();
    struct Case {
        const char* text;
        double number;
    };
    for (const Case c : {
             Case{"22", 22.0},    Case{"9", 9.0},          Case{"0", 0.0},
             Case{"46", 46.0},    Case{"12,16", 12.0},     Case{"", 0.0},
             Case{"abc", 0.0},    Case{"x12", 0.0},        Case{" \t\n-3.5e2x", -350.0},
             Case{"+7", 7.0},     Case{".5", 0.5},         Case{"5.", 5.0},
             Case{"1e", 1.0},     Case{"1e+", 1.0},        Case{"2E-1", 0.2},
             Case{"e5", 0.0},     Case{"-", 0.0},          Case{".", 0.0},
             Case{"-.e1", 0.0},   Case{"0x10", 0.0},       Case{"inf", 0.0},
             Case{"nan", 0.0},    Case{"1e999", kInf},     Case{"-1e999", -kInf},
             Case{"1e-999", 0.0}, Case{"0.0000e400", 0.0}, Case{"\xc7\xd7", 0.0},
         }) {
        EXPECT_EQ(textToNumber(c.text), c.number) << '"' << c.text << '"';
    }
}

TEST(TextToNumber, DoesNotReadPastTheView) {
    const std::string backing = "12345";
    EXPECT_EQ(textToNumber(std::string_view(backing).substr(0, 2)), 12.0);
}

TEST(NumberToText, FormatsWithThirteenSignificantDigits) {
    struct Case {
        double number;
        const char* text;
    };
    for (const Case c : {Case{20.0, "20"}, Case{0.0, "0"}, Case{44.0, "44"}, Case{22.0, "22"}, Case{-2.0, "-2"},
                         Case{2.5, "2.5"}, Case{1.0 / 3.0, "0.3333333333333"}, Case{1e15, "1e+15"}}) {
        EXPECT_EQ(numberToText(c.number), c.text) << c.number;
    }
}

TEST(Split, CutsAtEveryDelimiter) {
    struct Case {
        std::string text;
        std::string delimiter;
        std::vector<Text> pieces;
    };
    const std::vector<Case> cases = {
        {"15,7|16,7", "|", {"15,7", "16,7"}},
        {"a||b", "|", {"a", "", "b"}},
        {"|a", "|", {"", "a"}},
        {"a|", "|", {"a"}},  // no empty last entry
        {"a||", "|", {"a", ""}},
        {"|", "|", {""}},
        {"", "|", {}},
        {"", "", {}},
        {"abc", "", {"abc"}},
        {"abc", "|", {"abc"}},
        {"ab", "abc", {"ab"}},  // delimiter longer than the text
        {"a::b::", "::", {"a", "b"}},
        {"a:::b", "::", {"a", ":b"}},
        {"12,16", ",", {"12", "16"}},
        {"5,6,7", ",", {"5", "6", "7"}},
        // GBK: 0x81 0x7C is one character whose second byte is "|"; no cut inside it.
        {"\x81|a|b", "|", {"\x81|a", "b"}},
        {"\xc7\xd7|\xb0\xae", "|", {"\xc7\xd7", "\xb0\xae"}},
        // A lead byte at the very end, with no second byte, ends the scan and stays in the piece.
        {"a|\x81", "|", {"a", "\x81"}},
        {"a\x81|", "|", {"a\x81|"}},
        // A delimiter that is itself a GBK character.
        {"1\xa1\xa3"
         "2\xa1\xa3",
         "\xa1\xa3",
         {"1", "2"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(entriesOf(split(c.text, c.delimiter)), c.pieces) << '"' << c.text << "\" at \"" << c.delimiter << '"';
    }
}

TEST(Append, StoresItsOwnCopyAtTheEnd) {
    TextArray array;
    std::string caller = "15,7";
    append(array, caller);
    ASSERT_EQ(array.count(), 1u);
    caller[0] = 'x';
    caller.clear();
    caller.shrink_to_fit();
    EXPECT_EQ(array.at(1), "15,7");

    append(array, "");
    EXPECT_EQ(entriesOf(array), (std::vector<Text>{"15,7", ""}));
}

TEST(Append, KeepsOrderAndContentAsTheArrayGrows) {
    TextArray array;
    for (int i = 0; i < 1000; ++i) append(array, "entry " + std::to_string(i) + std::string(20, '.'));
    ASSERT_EQ(array.count(), 1000u);
    for (int i = 0; i < 1000; ++i) ASSERT_EQ(array.at(i + 1), "entry " + std::to_string(i) + std::string(20, '.'));
    array.clear();
    EXPECT_EQ(array.count(), 0u);
}

TEST(TextArray, IndexesOutsideTheEntriesRaiseTheArrayReport) {
    TextArray array;
    append(array, "a");
    append(array, "b");
    struct Case {
        std::int64_t index;
        int code;
    };
    for (const Case c : {Case{0, love::runtime::kIndexBelowOne}, Case{-1, love::runtime::kIndexBelowOne},
                         Case{std::numeric_limits<std::int64_t>::min(), love::runtime::kIndexBelowOne},
                         Case{3, love::runtime::kIndexAboveCount},
                         Case{std::numeric_limits<std::int64_t>::max(), love::runtime::kIndexAboveCount}}) {
        const auto report = reportRaisedBy([&] { (void)array.at(c.index); });
        EXPECT_TRUE(report.raised) << c.index;
        EXPECT_EQ(report.exitCode, -1) << c.index;
        EXPECT_TRUE(report.hasCode(c.code)) << c.index << ": " << report.message;
    }
    EXPECT_TRUE(reportRaisedBy([] { (void)TextArray().at(1); }).hasCode(love::runtime::kIndexAboveCount));
    EXPECT_FALSE(reportRaisedBy([&] { (void)array.at(2); }).raised);
}

const std::string kFailedBefore(love::runtime::texts::kAllocationFailedBefore);  // "分配 "
const std::string kFailedAfter(love::runtime::texts::kAllocationFailedAfter);    // " 字节内存失败!"

TEST(TextArray, RefusedTextCopyIsReportedWithItsSize) {
    TextArray array;
    append(array, "first");  // the array has room now; only the copy will ask for memory
    const std::string text(1000, 'x');
    const auto report = reportRaisedBy([&] {
        failRequestsFrom = 1000;
        append(array, text);
    });
    failRequestsFrom = 0;
    ASSERT_TRUE(report.raised);
    EXPECT_EQ(report.exitCode, -1);
    EXPECT_TRUE(report.hasCode(0)) << report.message;
    EXPECT_TRUE(report.hasText(kFailedBefore + "1001" + kFailedAfter))  // the copy and its terminating zero
        << report.message;
}

TEST(TextArray, RefusedGrowthIsReportedWithTheSizeAsked) {
    TextArray array;
    const auto report = reportRaisedBy([&] {
        failRequestsFrom = sizeof(Text);  // any growth asks for at least one entry
        append(array, "a");
    });
    failRequestsFrom = 0;
    ASSERT_TRUE(report.raised);
    EXPECT_TRUE(report.hasCode(0)) << report.message;
    const std::string head = std::string(love::runtime::texts::kErrorMessageLabel) + kFailedBefore;
    const std::string tail = kFailedAfter + "\r\n";
    const std::size_t at = report.message.find(head);
    ASSERT_TRUE(at != std::string::npos && report.message.ends_with(tail)) << report.message;
    const std::string count =
        report.message.substr(at + head.size(), report.message.size() - at - head.size() - tail.size());
    EXPECT_GE(std::stoul(count), sizeof(Text));
    EXPECT_EQ(std::stoul(count) % sizeof(Text), 0u);
}

}  // namespace
