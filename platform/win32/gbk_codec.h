// GBK (code page 936) to Unicode with the system's own tables, whatever the system's locale.
#pragma once

#include <string>
#include <string_view>

namespace love::platform::win32 {

// Each undecodable byte becomes U+FFFD.
std::u32string decodeGbkToUtf32(std::string_view gbk);
// The same as UTF-16, for the W functions.
std::wstring widenGbk(std::string_view gbk);
// UTF-16 back to GBK; characters GBK lacks become '?'.
std::string narrowToGbk(std::wstring_view text);

}  // namespace love::platform::win32
