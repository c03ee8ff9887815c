// love-show: the greeting show on the desktop backend this build links.
#include <cstdio>

#include "platform/platform.h"
#include "show/program.h"

int main() {
    std::unique_ptr<love::platform::Platform> platform = love::platform::createPlatform();
    if (!platform) {
        std::fputs("love-show: no usable display\n", stderr);
        return 1;
    }
    love::show::runProgram(*platform);
}
