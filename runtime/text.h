// Texts and text arrays: GBK byte strings without embedded zero bytes, and growable arrays of
// them indexed from 1.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace love::runtime {

// GBK bytes. The empty text stands in for a missing text everywhere.
using Text = std::string;

// An ordered, growable array of texts indexed from 1; each entry owns its copy.
// Reading an index below 1 raises runtime error report 4, above the entry count report 1.
class TextArray {
public:
    TextArray() = default;
    std::size_t count() const { return entries_.size(); }
    const Text& at(std::int64_t index) const;  // 1-based, checked
    void append(std::string_view text);
    void clear();

private:
    std::vector<Text> entries_;
};

// Text-to-number: the longest leading decimal number (white space, sign, digits, fraction,
// exponent); anything else gives 0.0. Never fails.
double textToNumber(std::string_view text);
// Number-to-text as "%.13g" formats it.
Text numberToText(double value);
// Split at every occurrence of the delimiter, stepping over GBK double-byte characters.
TextArray split(std::string_view text, std::string_view delimiter);
// Append a copy of text to the array.
void append(TextArray& array, std::string_view text);

}  // namespace love::runtime
