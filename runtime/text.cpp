// Texts, text arrays and the two number conversions.
#include "runtime/text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <new>
#include <stdexcept>
#include <utility>

#include "runtime/error_report.h"
#include "runtime/runtime_texts.h"

namespace love::runtime {
namespace {

// "分配 <byteCount> 字节内存失败!"
[[noreturn]] void reportAllocationFailure(std::size_t byteCount) {
    using texts::kAllocationFailedAfter;
    using texts::kAllocationFailedBefore;
    // The count is formatted on the stack; only the short message itself needs the heap.
    char count[24];
    const auto [end, error] = std::to_chars(count, count + sizeof count, byteCount);
    (void)error;  // 24 characters hold any 64-bit count
    Text message;
    message.reserve(kAllocationFailedBefore.size() + static_cast<std::size_t>(end - count) +
                    kAllocationFailedAfter.size());
    message.append(kAllocationFailedBefore).append(count, end).append(kAllocationFailedAfter);
    raiseErrorReport(0, message);
}

Text copyText(std::string_view text) {
    try {
        return Text(text);
    } catch (const std::bad_alloc&) {
        reportAllocationFailure(text.size() + 1);  // the copy and its terminating zero
    }
}

// Adds one entry at the end. Growth is done here, not by the vector, so that a refused request
// is reported with the size that was asked for.
void appendEntry(std::vector<Text>& entries, Text&& entry) {
    if (entries.size() == entries.capacity()) {
        const std::size_t grown = entries.capacity() == 0 ? 4 : entries.capacity() * 2;
        try {
            entries.reserve(grown);
        } catch (const std::bad_alloc&) {
            reportAllocationFailure(grown * sizeof(Text));
        } catch (const std::length_error&) {
            reportAllocationFailure(grown * sizeof(Text));
        }
    }
    entries.push_back(std::move(entry));  // cannot allocate: capacity is there, the move is free
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool isWhiteSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

bool isGbkLeadByte(char c) { return static_cast<unsigned char>(c) >= 0x80; }

// A decimal number too large or too small for a double becomes the nearest value it can hold:
// infinity or zero. Which one follows from the decimal order of its first significant digit.
double outOfRangeMagnitude(std::string_view number) {
    const std::size_t exponentAt = number.find_first_of("eE");
    const std::string_view mantissa = number.substr(0, exponentAt);
    const std::size_t pointAt = std::min(mantissa.find('.'), mantissa.size());
    const std::size_t firstSignificant = mantissa.find_first_of("123456789");
    if (firstSignificant == std::string_view::npos) return 0.0;
    std::int64_t order = firstSignificant < pointAt ? static_cast<std::int64_t>(pointAt - firstSignificant)
                                                    : -static_cast<std::int64_t>(firstSignificant - pointAt - 1);
    if (exponentAt != std::string_view::npos) {
        std::string_view exponent = number.substr(exponentAt + 1);
        const bool negativeExponent = !exponent.empty() && exponent.front() == '-';
        if (!exponent.empty() && (exponent.front() == '-' || exponent.front() == '+')) exponent.remove_prefix(1);
        std::int64_t value = 0;
        for (const char digit : exponent) value = std::min<std::int64_t>(value * 10 + (digit - '0'), 1'000'000'000);
        order += negativeExponent ? -value : value;
    }
    return order > 0 ? HUGE_VAL : 0.0;
}

}  // namespace

const Text& TextArray::at(std::int64_t index) const {
    if (index < 1) raiseErrorReport(kIndexBelowOne);
    if (static_cast<std::uint64_t>(index) > entries_.size()) raiseErrorReport(kIndexAboveCount);
    return entries_[static_cast<std::size_t>(index - 1)];
}

void TextArray::append(std::string_view text) { appendEntry(entries_, copyText(text)); }

void TextArray::clear() {
    entries_.clear();
    entries_.shrink_to_fit();
}

double textToNumber(std::string_view text) {
    std::size_t pos = 0;
    while (pos < text.size() && isWhiteSpace(text[pos])) ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }

    // The mantissa: digits with an optional point and fraction; at least one digit somewhere.
    const std::size_t mantissaStart = pos;
    std::size_t integerDigits = 0;
    while (pos < text.size() && isDigit(text[pos])) ++pos, ++integerDigits;
    std::size_t fractionDigits = 0;
    if (pos < text.size() && text[pos] == '.') {
        std::size_t after = pos + 1;
        while (after < text.size() && isDigit(text[after])) ++after, ++fractionDigits;
        if (integerDigits + fractionDigits > 0) pos = after;
    }
    if (integerDigits + fractionDigits == 0) return 0.0;
    std::size_t numberEnd = pos;

    // The exponent only counts when it has at least one digit.
    if (pos < text.size() && (text[pos] == 'e' || text[pos] == 'E')) {
        std::size_t after = pos + 1;
        if (after < text.size() && (text[after] == '+' || text[after] == '-')) ++after;
        const std::size_t exponentDigitsStart = after;
        while (after < text.size() && isDigit(text[after])) ++after;
        if (after > exponentDigitsStart) numberEnd = after;
    }

    const std::string_view number = text.substr(mantissaStart, numberEnd - mantissaStart);
    double magnitude = 0.0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), magnitude);
    (void)end;
    if (error == std::errc::result_out_of_range) magnitude = outOfRangeMagnitude(number);
    return negative ? -magnitude : magnitude;
}

Text numberToText(double value) {
    char formatted[40];  // "%.13g" of any double, sign and exponent included, stays well below
    const int length = std::snprintf(formatted, sizeof formatted, "%.13g", value);
    if (length <= 0) return Text();
    return copyText(std::string_view(formatted, static_cast<std::size_t>(length)));
}

TextArray split(std::string_view text, std::string_view delimiter) {
    TextArray pieces;
    if (text.empty()) return pieces;
    if (delimiter.empty()) {
        pieces.append(text);
        return pieces;
    }

    std::size_t pieceStart = 0;
    std::size_t pos = 0;
    while (text.size() - pos >= delimiter.size()) {
        if (text.compare(pos, delimiter.size(), delimiter) == 0) {
            pieces.append(text.substr(pieceStart, pos - pieceStart));
            pos += delimiter.size();
            pieceStart = pos;
        } else if (isGbkLeadByte(text[pos])) {
            if (pos + 1 >= text.size()) break;  // a lead byte without its second byte
            pos += 2;                           // a match never starts inside a character
        } else {
            ++pos;
        }
    }
    if (pieceStart < text.size()) pieces.append(text.substr(pieceStart));
    return pieces;
}

void append(TextArray& array, std::string_view text) { array.append(text); }

}  // namespace love::runtime
