#include "platform/win32/window_icon.h"

#include <cstring>
#include <vector>

namespace love::platform::win32 {
namespace {

constexpr int kProgramIconResource = 1;

HICON iconFromPixels(const IconPixels& pixels) {
    const std::size_t count = static_cast<std::size_t>(pixels.width) * static_cast<std::size_t>(pixels.height);
    if (pixels.width <= 0 || pixels.height <= 0 || pixels.argb.size() < count) return nullptr;
    BITMAPV5HEADER header{};
    header.bV5Size = sizeof(header);
    header.bV5Width = pixels.width;
    header.bV5Height = -pixels.height;  // top-down, like the pixels
    header.bV5Planes = 1;
    header.bV5BitCount = 32;
    header.bV5Compression = BI_BITFIELDS;
    header.bV5RedMask = 0x00FF0000;
    header.bV5GreenMask = 0x0000FF00;
    header.bV5BlueMask = 0x000000FF;
    header.bV5AlphaMask = 0xFF000000;
    HDC screen = GetDC(nullptr);
    void* bits = nullptr;
    HBITMAP colour =
        CreateDIBSection(screen, reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS, &bits, nullptr, 0);
    ReleaseDC(nullptr, screen);
    if (!colour || !bits) {
        if (colour) DeleteObject(colour);
        return nullptr;
    }
    std::memcpy(bits, pixels.argb.data(), count * sizeof(std::uint32_t));
    GdiFlush();
    // With an alpha channel the AND mask is ignored, but CreateIconIndirect still wants one.
    const std::vector<std::uint8_t> emptyMask(
        static_cast<std::size_t>((pixels.width + 15) / 16 * 2) * static_cast<std::size_t>(pixels.height), 0);
    HBITMAP mask = CreateBitmap(pixels.width, pixels.height, 1, 1, emptyMask.data());
    ICONINFO info{};
    info.fIcon = TRUE;
    info.hbmColor = colour;
    info.hbmMask = mask;
    HICON icon = mask ? CreateIconIndirect(&info) : nullptr;
    DeleteObject(colour);
    if (mask) DeleteObject(mask);
    return icon;
}

}  // namespace

WindowIcon::WindowIcon(const IconPixels& pixels) : icon_(iconFromPixels(pixels)) {
    if (!icon_) {
        icon_ = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kProgramIconResource));
        owned_ = false;
    }
}

WindowIcon::~WindowIcon() {
    if (icon_ && owned_) DestroyIcon(icon_);
}

WindowIcon& WindowIcon::operator=(WindowIcon&& other) noexcept {
    if (this != &other) {
        if (icon_ && owned_) DestroyIcon(icon_);
        icon_ = other.icon_;
        owned_ = other.owned_;
        other.icon_ = nullptr;
    }
    return *this;
}

}  // namespace love::platform::win32
