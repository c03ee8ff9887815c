// love-show-trace: the whole program on the headless backend, printed row by row.
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "platform/headless/headless_platform.h"
#include "show/program.h"
#include "tools/trace/trace_options.h"
#include "tools/trace/trace_printer.h"

int main(int argc, char** argv) {
    const std::vector<std::string_view> arguments(argv + 1, argv + argc);
    const std::optional<love::trace::Options> options = love::trace::parseOptions(arguments);
    if (!options) {
        std::fputs(love::trace::kUsage.data(), stderr);
        return 2;
    }

    love::platform::headless::HeadlessPlatform platform;
    platform.setScreenSize({options->screenWidth, options->screenHeight});
    platform.setStartTick(options->startTick);
    love::trace::TracePrinter printer(platform, options->snapshots);

    const int exitCode = love::platform::headless::runToExit([&] { love::show::runProgram(platform, &printer); });
    const std::string rows = printer.takeOutput();
    std::fwrite(rows.data(), 1, rows.size(), stdout);
    std::fflush(stdout);
    if (!printer.snapshotsWritten()) return 1;
    return exitCode == 0 ? 0 : 1;
}
