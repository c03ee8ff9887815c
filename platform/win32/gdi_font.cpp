// Fonts through the GDI font mapper, rasterised without smoothing: on the colour-keyed show
// window a grey edge pixel would stay visible as a fringe.
#include <windows.h>

#include <cstring>
#include <memory>

#include "platform/host_text.h"
#include "platform/win32/gbk_codec.h"

namespace love::platform::host {
namespace {

using win32::widenGbk;

bool faceInstalled(HDC dc, const std::wstring& face, BYTE charset) {
    if (face.empty() || face.size() >= LF_FACESIZE) return false;
    LOGFONTW query{};
    query.lfCharSet = charset;
    std::memcpy(query.lfFaceName, face.c_str(), (face.size() + 1) * sizeof(wchar_t));
    bool found = false;
    EnumFontFamiliesExW(
        dc, &query,
        [](const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) -> int {
            *reinterpret_cast<bool*>(found) = true;
            return 0;
        },
        reinterpret_cast<LPARAM>(&found), 0);
    return found;
}

// An installed face with glyphs for the character set: fixed pitch first, as the stored record
// asks; vertical ("@") faces never.
std::wstring faceForCharset(HDC dc, BYTE charset) {
    struct Found {
        std::wstring fixedPitch;
        std::wstring any;
    } found;
    LOGFONTW query{};
    query.lfCharSet = charset;
    EnumFontFamiliesExW(
        dc, &query,
        [](const LOGFONTW* font, const TEXTMETRICW*, DWORD, LPARAM data) -> int {
            auto* found = reinterpret_cast<Found*>(data);
            const std::wstring face = font->lfFaceName;
            if (face.empty() || face[0] == L'@') return 1;
            if (found->any.empty()) found->any = face;
            if (found->fixedPitch.empty() && (font->lfPitchAndFamily & 3) == FIXED_PITCH) found->fixedPitch = face;
            return 1;
        },
        reinterpret_cast<LPARAM>(&found), 0);
    return found.fixedPitch.empty() ? found.any : found.fixedPitch;
}

// The face as asked; a missing "楷体_GB2312" as the newer "楷体"; otherwise an installed face of
// the character set (preferring fixed pitch), and only without any such face the font mapper's
// own choice for the character set and a fixed-pitch modern family. The mapper alone may pick a
// Latin face and borrow the glyphs, with the Latin face's taller cell.
LOGFONTW chooseFace(const FontRequest& request) {
    LOGFONTW font{};
    font.lfHeight = request.height;
    font.lfWidth = request.width;
    font.lfWeight = request.weight;
    font.lfItalic = request.italic;
    font.lfUnderline = request.underline;
    font.lfStrikeOut = request.strikeOut;
    font.lfCharSet = request.charset;
    font.lfOutPrecision = request.outPrecision;
    font.lfClipPrecision = request.clipPrecision;
    font.lfQuality = NONANTIALIASED_QUALITY;
    font.lfPitchAndFamily = request.pitchAndFamily;

    HDC screen = GetDC(nullptr);
    std::wstring face = widenGbk(request.face);
    const std::wstring newerKai = L"\u6977\u4F53";  // 楷体
    if (!faceInstalled(screen, face, request.charset)) {
        if (face == L"\u6977\u4F53_GB2312" && faceInstalled(screen, newerKai, request.charset)) {
            face = newerKai;
        } else {
            face = faceForCharset(screen, request.charset);
            if (face.empty()) font.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
        }
    }
    ReleaseDC(nullptr, screen);
    if (face.size() < LF_FACESIZE) std::memcpy(font.lfFaceName, face.c_str(), (face.size() + 1) * sizeof(wchar_t));
    return font;
}

class GdiFont final : public Font {
public:
    explicit GdiFont(const FontRequest& request) : dc_(CreateCompatibleDC(nullptr)) {
        const LOGFONTW chosen = chooseFace(request);
        font_ = CreateFontIndirectW(&chosen);
        if (dc_ && font_) {
            previousFont_ = SelectObject(dc_, font_);
            TEXTMETRICW metrics{};
            if (GetTextMetricsW(dc_, &metrics)) cellHeight_ = metrics.tmHeight;
        }
        if (cellHeight_ <= 0) cellHeight_ = request.height < 0 ? -request.height : request.height;
    }
    ~GdiFont() override {
        if (dc_ && previousFont_) SelectObject(dc_, previousFont_);
        if (font_) DeleteObject(font_);
        if (dc_) DeleteDC(dc_);
    }
    GdiFont(const GdiFont&) = delete;
    GdiFont& operator=(const GdiFont&) = delete;

    std::int32_t cellHeight() const override { return cellHeight_; }

    TextMask render(std::string_view gbkLine) const override {
        TextMask mask;
        mask.height = cellHeight_;
        const std::wstring line = widenGbk(gbkLine);
        if (line.empty() || !dc_ || !font_) return mask;
        SIZE extent{};
        if (!GetTextExtentPoint32W(dc_, line.c_str(), static_cast<int>(line.size()), &extent) || extent.cx <= 0)
            return mask;
        mask.width = extent.cx;
        mask.coverage.assign(static_cast<std::size_t>(mask.width) * static_cast<std::size_t>(mask.height), 0);

        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = mask.width;
        info.bmiHeader.biHeight = -mask.height;  // top-down
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        HBITMAP bitmap = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        if (!bitmap || !bits) {
            if (bitmap) DeleteObject(bitmap);
            mask.coverage.clear();
            mask.width = 0;
            return mask;
        }
        HGDIOBJ previous = SelectObject(dc_, bitmap);
        const std::size_t count = mask.coverage.size();
        std::memset(bits, 0, count * 4);
        SetBkMode(dc_, TRANSPARENT);
        SetTextColor(dc_, RGB(255, 255, 255));
        SetTextAlign(dc_, TA_LEFT | TA_TOP | TA_NOUPDATECP);
        TextOutW(dc_, 0, 0, line.c_str(), static_cast<int>(line.size()));
        GdiFlush();
        const auto* pixels = static_cast<const std::uint32_t*>(bits);
        // Should the system smooth the glyphs anyway, cut at half coverage.
        for (std::size_t i = 0; i < count; ++i) mask.coverage[i] = ((pixels[i] >> 8) & 0xFF) >= 128 ? 1 : 0;
        SelectObject(dc_, previous);
        DeleteObject(bitmap);
        return mask;
    }

private:
    HDC dc_ = nullptr;
    HFONT font_ = nullptr;
    HGDIOBJ previousFont_ = nullptr;
    std::int32_t cellHeight_ = 0;
};

}  // namespace

std::unique_ptr<Font> createFont(const FontRequest& request) { return std::make_unique<GdiFont>(request); }

}  // namespace love::platform::host
