// The texts the runtime error report shows, composed byte for byte.
#pragma once

#include <cstdint>

#include "runtime/text.h"

namespace love::runtime {

// "运行时出错!" CR LF CR LF, then "错误代码：" code CR LF CR LF unless the code is 0, then
// "错误信息：" text CR LF unless there is no text (an empty text takes the code's fixed text).
Text composeErrorReport(int code, const Text& text);
// The allocation-failure text with the byte count in place.
Text allocationFailureText(std::uint64_t bytes);

}  // namespace love::runtime
