// Picking a font file for a face name with fontconfig.
#pragma once

#include <optional>
#include <string>

namespace love::platform::host {

struct FontFile {
    std::string path;
    int faceIndex = 0;
};

// The installed face named family (UTF-8) when there is one, and when it covers Simplified
// Chinese if needsChinese; else a Kai face for Simplified Chinese; else any face covering it.
// Nothing when no face qualifies.
std::optional<FontFile> chooseFontFile(const std::string& family, bool needsChinese);

}  // namespace love::platform::host
