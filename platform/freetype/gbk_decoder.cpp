// GBK (code page 936) to Unicode through iconv.
#include <iconv.h>

#include <cerrno>
#include <cstddef>
#include <string>
#include <string_view>

#include "platform/host_text.h"

namespace love::platform::host {
namespace {

constexpr char32_t kReplacement = U'\uFFFD';

class IconvDescriptor {
public:
    IconvDescriptor(const char* to, const char* from) : descriptor_(iconv_open(to, from)) {}
    ~IconvDescriptor() {
        if (valid()) iconv_close(descriptor_);
    }
    IconvDescriptor(const IconvDescriptor&) = delete;
    IconvDescriptor& operator=(const IconvDescriptor&) = delete;

    bool valid() const { return descriptor_ != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return descriptor_; }

private:
    iconv_t descriptor_;
};

// Without a usable converter ASCII still reads as itself.
std::u32string decodeAsciiOnly(std::string_view bytes) {
    std::u32string out;
    out.reserve(bytes.size());
    for (unsigned char b : bytes) out.push_back(b < 0x80 ? char32_t{b} : kReplacement);
    return out;
}

}  // namespace

std::u32string decodeGbk(std::string_view gbk) {
    IconvDescriptor converter("UTF-32LE", "GBK");
    if (!converter.valid()) return decodeAsciiOnly(gbk);

    std::u32string out;
    out.reserve(gbk.size());
    // iconv takes a non-const input pointer but does not write through it.
    char* in = const_cast<char*>(gbk.data());
    std::size_t inLeft = gbk.size();
    char buffer[512];
    while (inLeft > 0) {
        char* outPtr = buffer;
        std::size_t outLeft = sizeof buffer;
        const std::size_t result = iconv(converter.get(), &in, &inLeft, &outPtr, &outLeft);
        const int error = errno;
        const auto produced = static_cast<std::size_t>(outPtr - buffer);
        for (std::size_t i = 0; i + 4 <= produced; i += 4) {
            const auto* b = reinterpret_cast<const unsigned char*>(buffer + i);
            out.push_back(char32_t{b[0]} | (char32_t{b[1]} << 8) | (char32_t{b[2]} << 16) | (char32_t{b[3]} << 24));
        }
        if (result != static_cast<std::size_t>(-1) || error == E2BIG) continue;
        // An invalid sequence (EILSEQ) or one cut off at the end (EINVAL): the byte that starts it
        // cannot be decoded; step over it and carry on from a clean state.
        out.push_back(kReplacement);
        ++in;
        --inLeft;
        iconv(converter.get(), nullptr, nullptr, nullptr, nullptr);
    }
    return out;
}

}  // namespace love::platform::host
