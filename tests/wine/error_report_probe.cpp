// A program that reads entry 0 of a text array: the runtime error report for an index below 1
// must show, and the process must end with exit code -1.
#include <cstdio>

#include "platform/platform.h"
#include "runtime/runtime.h"
#include "runtime/text.h"

int main() {
    auto platform = love::platform::createPlatform();
    love::runtime::Runtime runtime(*platform, love::runtime::ProgramDeclarations{});
    love::runtime::TextArray empty;
    std::printf("%zu\n", empty.at(0).size());  // never returns
    return 0;
}
