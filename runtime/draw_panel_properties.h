// The stored properties of a drawing board (unit type DrawPanel), numbered from 8 on.
#pragma once

#include <cstdint>

#include "runtime/text.h"

namespace love::runtime {

// A 32-bit colour 0x00BBGGRR; kSystemDefaultColour is special (button face / transparent).
using Colour = std::uint32_t;
inline constexpr Colour kSystemDefaultColour = 0xFF000000u;

// 0x00BBGGRR -> 0x00RRGGBB, the platform's pixel order.
constexpr std::uint32_t colourToRgb(Colour c) {
    return ((c & 0xFFu) << 16) | (c & 0xFF00u) | ((c >> 16) & 0xFFu);
}

struct FontRecord {
    Text face;  // GBK
    std::int32_t height = 0;
    std::int32_t width = 0;
    std::int32_t escapement = 0;
    std::int32_t orientation = 0;
    std::int32_t weight = 400;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    std::uint8_t charset = 0;
    std::uint8_t outPrecision = 0;
    std::uint8_t clipPrecision = 0;
    std::uint8_t quality = 0;
    std::uint8_t pitchAndFamily = 0;
};

struct DrawPanelProperties {
    std::int32_t border = 0;
    Colour backgroundColour = 0x00FFFFFF;
    Colour textColour = 0x00000000;
    Colour textBackgroundColour = kSystemDefaultColour;  // transparent
    FontRecord font;
    bool autoRedraw = false;
    std::int32_t drawingUnit = 0;
    std::int32_t backgroundPictureMode = 1;
    std::int32_t penType = 1;
    std::int32_t penWidth = 0;
    Colour penColour = 0x00000000;
    std::int32_t drawMode = 12;
    std::int32_t brushType = 1;
    Colour brushColour = 0x00FFFFFF;
};

}  // namespace love::runtime
