#include "tools/trace/trace_options.h"

#include <charconv>
#include <limits>

namespace love::trace {
namespace {

constexpr std::int32_t kLargestScreenSide = 16384;

// A whole decimal number, digits only, no sign and nothing after it.
template <typename Number>
std::optional<Number> parseNumber(std::string_view text) {
    if (text.empty() || text.front() < '0' || text.front() > '9') return std::nullopt;
    Number value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
    return value;
}

std::optional<std::int32_t> parseSide(std::string_view text) {
    const std::optional<std::int32_t> side = parseNumber<std::int32_t>(text);
    if (!side || *side < 1 || *side > kLargestScreenSide) return std::nullopt;
    return side;
}

}  // namespace

std::optional<Options> parseOptions(std::span<const std::string_view> arguments) {
    Options options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string_view option = arguments[i];
        const std::size_t valuesLeft = arguments.size() - i - 1;
        if (option == "--screen" && valuesLeft >= 1) {
            const std::string_view size = arguments[++i];
            const std::size_t x = size.find('x');
            if (x == std::string_view::npos) return std::nullopt;
            const std::optional<std::int32_t> width = parseSide(size.substr(0, x));
            const std::optional<std::int32_t> height = parseSide(size.substr(x + 1));
            if (!width || !height) return std::nullopt;
            options.screenWidth = *width;
            options.screenHeight = *height;
        } else if (option == "--tick" && valuesLeft >= 1) {
            const std::optional<std::uint32_t> tick = parseNumber<std::uint32_t>(arguments[++i]);
            if (!tick) return std::nullopt;
            options.startTick = *tick;
        } else if (option == "--png" && valuesLeft >= 2) {
            const std::optional<std::uint64_t> at = parseNumber<std::uint64_t>(arguments[++i]);
            const std::string_view file = arguments[++i];
            if (!at || file.empty()) return std::nullopt;
            options.snapshots.push_back({*at, std::string(file)});
        } else {
            return std::nullopt;
        }
    }
    return options;
}

}  // namespace love::trace
