// Runs an action on a headless runtime and captures the runtime error report it raises, if any.
#pragma once

#include <string>

#include "platform/headless/headless_platform.h"
#include "runtime/runtime.h"
#include "runtime/runtime_texts.h"

namespace love::testing {

struct CapturedReport {
    bool raised = false;
    int exitCode = 0;
    std::string message;  // the text of the report's box, GBK

    // Whether the box carries this report code; code 0 shows no code line.
    bool hasCode(int code) const {
        const std::string codeLine = std::string(runtime::texts::kErrorCodeLabel) + std::to_string(code) + "\r\n";
        return code == 0 ? message.find(runtime::texts::kErrorCodeLabel) == std::string::npos
                         : message.find(codeLine) != std::string::npos;
    }
    // Whether the box carries exactly this report text.
    bool hasText(std::string_view text) const {
        const std::string textLine = std::string(runtime::texts::kErrorMessageLabel) + std::string(text) + "\r\n";
        return message.ends_with(textLine);
    }
};

template <class Action>
CapturedReport reportRaisedBy(Action action) {
    platform::headless::HeadlessPlatform platform;
    runtime::Runtime runtime(platform, {});
    try {
        action();
    } catch (const platform::headless::Terminated& ended) {
        CapturedReport report{true, ended.exitCode, {}};
        if (!platform.messageBoxes().empty()) report.message = platform.messageBoxes().back().text;
        return report;
    }
    return {};
}

}  // namespace love::testing
