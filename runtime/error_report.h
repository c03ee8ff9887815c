// The runtime error report: a stop box titled "错误", then the process ends with exit code -1
// without calling the exit routine.
#pragma once

#include "runtime/text.h"

namespace love::runtime {

// Report codes the program raises itself.
inline constexpr int kIndexAboveCount = 1;  // "数组成员引用下标超出定义范围"
inline constexpr int kIndexBelowOne = 4;    // "数组成员引用下标必须大于等于1"
inline constexpr int kUnbalancedCall = 6;   // "调用DLL命令后发现堆栈错误"

// Shows the report for code (with text, or the code's fixed text when text is empty) and ends
// the program with exit code -1. Never returns.
[[noreturn]] void raiseErrorReport(int code, const Text& text = {});

}  // namespace love::runtime
