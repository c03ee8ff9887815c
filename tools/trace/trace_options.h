// The trace tool's command line.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace love::trace {

struct Snapshot {
    std::uint64_t atMs = 0;  // virtual time since the start tick
    std::string file;
};

struct Options {
    std::int32_t screenWidth = 1920;
    std::int32_t screenHeight = 1080;
    std::uint32_t startTick = 0;
    std::vector<Snapshot> snapshots;
};

// Nothing when the arguments are not understood.
std::optional<Options> parseOptions(std::span<const std::string_view> arguments);

inline constexpr std::string_view kUsage =
    "usage: love-show-trace [--screen WxH] [--tick N] [--png MS FILE]...\n"
    "  --screen WxH   screen size, each side 1 to 16384 (default 1920x1080)\n"
    "  --tick N       the system tick count when the program starts, 0 to 4294967295 (default 0)\n"
    "  --png MS FILE  save the board as a PNG at virtual time MS (repeatable)\n";

}  // namespace love::trace
