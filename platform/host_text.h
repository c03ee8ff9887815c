// Text services of the host OS that more than one backend uses: rasterising a line in a font
// and decoding GBK. Defined by the target love_platform_text: FreeType + fontconfig + iconv on
// Linux (platform/freetype), GDI + code page 936 on Windows (platform/win32).
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace love::platform::host {

// The face asked for where it is installed, else the closest Simplified Chinese face; glyphs
// are monochrome (no smoothing). Never null: without any usable face, lines render empty at
// the requested height.
std::unique_ptr<Font> createFont(const FontRequest& request);

// GBK (code page 936) to Unicode; an undecodable byte becomes U+FFFD.
std::u32string decodeGbk(std::string_view gbk);

}  // namespace love::platform::host
