// A program that raises the runtime error report for an index below 1 right after the runtime
// has started, on the desktop backend: the report's box, then exit code -1 (255).
#include "platform/platform.h"
#include "runtime/runtime.h"
#include "runtime/text.h"

namespace {

int entryRoutine() {
    const love::runtime::TextArray empty;
    static_cast<void>(empty.at(0));
    return 0;
}

}  // namespace

int main() {
    auto platform = love::platform::createPlatform();
    if (!platform) return 77;
    love::runtime::Runtime process(*platform, love::runtime::ProgramDeclarations{});
    process.runProcess(&entryRoutine);
}
