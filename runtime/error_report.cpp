// The runtime error report and its fixed texts.
#include "runtime/error_report.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "runtime/error_composition.h"
#include "runtime/runtime.h"
#include "runtime/runtime_texts.h"

namespace love::runtime {
namespace {

constexpr std::string_view kLineBreak = "\r\n";
constexpr std::uint32_t kStopBoxStyle = 0x10;  // MB_OK | MB_ICONERROR, not task-modal

std::string_view fixedText(int code) {
    switch (code) {
        case kIndexAboveCount:
            return texts::kIndexAboveCountText;
        case kIndexBelowOne:
            return texts::kIndexBelowOneText;
        case kUnbalancedCall:
            return texts::kUnbalancedCallText;
        default:
            return {};
    }
}

}  // namespace

Text composeErrorReport(int code, const Text& text) {
    Text message(texts::kRuntimeErrorHeading);
    message += kLineBreak;
    message += kLineBreak;
    if (code != 0) {
        message += texts::kErrorCodeLabel;
        message += std::to_string(code);
        message += kLineBreak;
        message += kLineBreak;
    }
    const std::string_view shown = text.empty() ? fixedText(code) : std::string_view(text);
    if (!shown.empty()) {
        message += texts::kErrorMessageLabel;
        message += shown;
        message += kLineBreak;
    }
    return message;
}

Text allocationFailureText(std::uint64_t bytes) {
    return Text(texts::kAllocationFailedBefore) + std::to_string(bytes) + Text(texts::kAllocationFailedAfter);
}

void Runtime::raiseErrorReport(int code, const Text& text) {
    ++suppression_;
    platform_.messageBox(composeErrorReport(code, text), texts::kErrorTitle, kStopBoxStyle);
    // The exit routine is not called after a runtime error.
    exitRoutine_ = nullptr;
    endProgram(-1);
}

void raiseErrorReport(int code, const Text& text) {
    if (hasRuntime()) runtime().raiseErrorReport(code, text);
    // Without a runtime there is no box to show: say it on the error stream and end.
    const Text message = composeErrorReport(code, text);
    std::fwrite(message.data(), 1, message.size(), stderr);
    std::exit(-1);
}

}  // namespace love::runtime
