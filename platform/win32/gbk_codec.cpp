#include "platform/win32/gbk_codec.h"

#include <windows.h>

#include "platform/host_text.h"

namespace love::platform::win32 {
namespace {

constexpr UINT kGbkCodePage = 936;
constexpr char32_t kReplacement = U'\uFFFD';

bool isLeadByte(unsigned char b) { return b >= 0x81 && b <= 0xFE; }
bool isTrailByte(unsigned char b) { return b >= 0x40 && b <= 0xFE && b != 0x7F; }

// One character of 1 or 2 bytes, strictly: a sequence the code page does not define fails.
bool decodeOne(const char* bytes, int length, wchar_t& out) {
    wchar_t buffer[2];
    const int n = MultiByteToWideChar(kGbkCodePage, MB_ERR_INVALID_CHARS, bytes, length, buffer, 2);
    if (n != 1) return false;
    out = buffer[0];
    return true;
}

}  // namespace

std::u32string decodeGbkToUtf32(std::string_view gbk) {
    std::u32string out;
    out.reserve(gbk.size());
    std::size_t i = 0;
    while (i < gbk.size()) {
        const auto b = static_cast<unsigned char>(gbk[i]);
        if (b < 0x80) {
            out.push_back(b);
            ++i;
            continue;
        }
        wchar_t w = 0;
        if (isLeadByte(b) && i + 1 < gbk.size() && isTrailByte(static_cast<unsigned char>(gbk[i + 1])) &&
            decodeOne(gbk.data() + i, 2, w)) {
            out.push_back(w);
            i += 2;
            continue;
        }
        // 0x80 is the euro sign in this code page; 0xFF and broken pairs are not characters.
        if (!isLeadByte(b) && decodeOne(gbk.data() + i, 1, w)) {
            out.push_back(w);
        } else {
            out.push_back(kReplacement);
        }
        ++i;
    }
    return out;
}

std::wstring widenGbk(std::string_view gbk) {
    // Code page 936 maps every character into the Basic Multilingual Plane.
    const std::u32string wide = decodeGbkToUtf32(gbk);
    return std::wstring(wide.begin(), wide.end());
}

std::string narrowToGbk(std::wstring_view text) {
    if (text.empty()) return {};
    const int length = static_cast<int>(text.size());
    const int size = WideCharToMultiByte(kGbkCodePage, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    if (size > 0) WideCharToMultiByte(kGbkCodePage, 0, text.data(), length, out.data(), size, nullptr, nullptr);
    return out;
}

}  // namespace love::platform::win32

namespace love::platform::host {

std::u32string decodeGbk(std::string_view gbk) { return win32::decodeGbkToUtf32(gbk); }

}  // namespace love::platform::host
