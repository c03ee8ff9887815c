// Split with a delimiter taken from the input, and both number conversions.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <string_view>

#include "fuzz/fuzz_check.h"
#include "runtime/text.h"

namespace {

namespace rt = love::runtime;

void checkSplit(std::string_view text, std::string_view delimiter) {
    const rt::TextArray pieces = rt::split(text, delimiter);
    if (text.empty()) {
        FUZZ_CHECK(pieces.count() == 0);
        return;
    }
    if (delimiter.empty()) {
        FUZZ_CHECK(pieces.count() == 1 && pieces.at(1) == text);
        return;
    }
    FUZZ_CHECK(pieces.count() >= 1);
    // Matches are cut out whole and nothing else is lost: joining the pieces gives the text back,
    // less the delimiter of a match that ended the text (it leaves no empty last piece).
    std::string joined;
    for (std::size_t i = 1; i <= pieces.count(); ++i) {
        if (i > 1) joined += delimiter;
        joined += pieces.at(static_cast<std::int64_t>(i));
    }
    FUZZ_CHECK(joined == text || joined + std::string(delimiter) == text);
    // Every piece starts on a character boundary of the text, so a piece holds no further match:
    // splitting it again gives just itself.
    for (std::size_t i = 1; i <= pieces.count(); ++i) {
        const std::string& piece = pieces.at(static_cast<std::int64_t>(i));
        if (piece.empty()) continue;
        const rt::TextArray again = rt::split(piece, delimiter);
        FUZZ_CHECK(again.count() == 1 && again.at(1) == piece);
    }
}

void checkNumbers(std::string_view text) {
    // On a heap copy of exactly the text's size, so that a read past its end is caught.
    const std::unique_ptr<char[]> exact(new char[text.size()]);
    std::memcpy(exact.get(), text.data(), text.size());
    const std::string_view view(exact.get(), text.size());

    const double value = rt::textToNumber(view);
    FUZZ_CHECK(!std::isnan(value));  // only digits are read: no text spells "not a number"
    std::size_t first = 0;
    while (first < view.size() && std::strchr(" \t\n\v\f\r", view[first]) != nullptr && view[first] != '\0') ++first;
    if (first == view.size() ||
        (view[first] != '+' && view[first] != '-' && view[first] != '.' && (view[first] < '0' || view[first] > '9'))) {
        FUZZ_CHECK(value == 0.0);
    }
    if (first < view.size() && view[first] == '-') FUZZ_CHECK(!(value > 0.0));
    if (first < view.size() && view[first] == '+') FUZZ_CHECK(!(value < 0.0));

    const rt::Text printed = rt::numberToText(value);
    FUZZ_CHECK(!printed.empty() && printed.find('\0') == rt::Text::npos);
    if (std::isfinite(value) && std::fabs(value) >= std::numeric_limits<double>::min()) {
        // "%.13g" keeps 13 significant digits: reading the text back is off by half a unit in the
        // 13th digit at most.
        const double reread = rt::textToNumber(printed);
        FUZZ_CHECK(std::fabs(reread - value) <= std::fabs(value) * 6e-13);
    }
}

}  // namespace

// The first byte gives the delimiter's length (0 to 3), taken from the end of the input; the
// rest is the text.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::string_view input(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::size_t delimiterLength = std::min<std::size_t>(data[0] & 3u, input.size());
    const std::string_view delimiter = input.substr(input.size() - delimiterLength);
    const std::string_view text = input.substr(0, input.size() - delimiterLength);
    checkSplit(text, delimiter);
    checkSplit(input, delimiter);  // the delimiter at the very end
    checkNumbers(input);
    return 0;
}
