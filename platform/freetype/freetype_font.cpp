// A line of text rasterised with FreeType into a 1-bit mask, sized the way the Windows font
// mapper sizes a font record.
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <type_traits>

#include "platform/freetype/font_choice.h"
#include "platform/host_text.h"
#include "platform/utf8.h"

namespace love::platform::host {
namespace {

constexpr std::uint8_t kGb2312Charset = 134;
constexpr std::int32_t kDefaultPixelHeight = 16;  // a font record with height 0
constexpr std::int32_t kLargestPixelHeight = 2048;
// A line wider than this is cut off: nothing could show it, and the mask stays affordable.
constexpr std::int32_t kWidestLine = 32768;

struct LibraryDeleter {
    void operator()(FT_Library library) const { FT_Done_FreeType(library); }
};
struct FaceDeleter {
    void operator()(FT_Face face) const { FT_Done_Face(face); }
};
using Library = std::unique_ptr<std::remove_pointer_t<FT_Library>, LibraryDeleter>;
using Face = std::unique_ptr<std::remove_pointer_t<FT_Face>, FaceDeleter>;

// Used when no face could be opened: lines are empty masks of the requested height.
class BlankFont final : public Font {
public:
    explicit BlankFont(std::int32_t cellHeight) : cellHeight_(cellHeight) {}
    std::int32_t cellHeight() const override { return cellHeight_; }
    TextMask render(std::string_view) const override { return TextMask{0, cellHeight_, {}}; }

private:
    std::int32_t cellHeight_;
};

class FreeTypeFont final : public Font {
public:
    FreeTypeFont(Library library, Face face, const FontRequest& request)
        : library_(std::move(library)), face_(std::move(face)) {
        bold_ = request.weight >= 600;
        italic_ = request.italic;
        setSize(request);
    }

    std::int32_t cellHeight() const override { return cellHeight_; }

    TextMask render(std::string_view gbkLine) const override {
        const std::u32string text = decodeGbk(gbkLine);
        TextMask mask;
        mask.height = cellHeight_;
        // First the advances, so that the mask is allocated once.
        std::int64_t width = 0;
        for (char32_t c : text) width += advanceOf(c);
        mask.width = static_cast<std::int32_t>(std::clamp<std::int64_t>(width, 0, kWidestLine));
        mask.coverage.assign(static_cast<std::size_t>(mask.width) * static_cast<std::size_t>(mask.height), 0);

        std::int64_t penX = 0;
        for (char32_t c : text) {
            if (penX >= mask.width) break;
            if (loadGlyph(c)) blit(mask, penX);
            penX += advanceOf(c);
        }
        return mask;
    }

private:
    void setSize(const FontRequest& request) {
        FT_Face face = face_.get();
        const TT_OS2* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
        const std::int64_t unitsPerEm = face->units_per_EM > 0 ? face->units_per_EM : 1;
        std::int64_t winAscent = os2 ? os2->usWinAscent : 0;
        std::int64_t winDescent = os2 ? os2->usWinDescent : 0;
        if (winAscent + winDescent <= 0) {
            winAscent = face->ascender;
            winDescent = -static_cast<std::int64_t>(face->descender);
        }
        if (winAscent + winDescent <= 0) {
            winAscent = unitsPerEm;
            winDescent = 0;
        }

        // A negative height is the em (character height without internal leading); a positive
        // one is the whole cell.
        const std::int64_t requested = request.height;
        std::int64_t pixelsPerEm = kDefaultPixelHeight;
        if (requested < 0) {
            pixelsPerEm = -requested;
        } else if (requested > 0) {
            pixelsPerEm = (requested * unitsPerEm + (winAscent + winDescent) / 2) / (winAscent + winDescent);
        }
        pixelsPerEm = std::clamp<std::int64_t>(pixelsPerEm, 1, kLargestPixelHeight);

        std::int64_t widthPixels = 0;  // 0: the face's own proportions
        if (request.width > 0 && os2 && os2->xAvgCharWidth > 0) {
            widthPixels = std::clamp<std::int64_t>(
                (static_cast<std::int64_t>(request.width) * unitsPerEm + os2->xAvgCharWidth / 2) / os2->xAvgCharWidth,
                1, kLargestPixelHeight);
        }
        FT_Set_Pixel_Sizes(face, static_cast<FT_UInt>(widthPixels), static_cast<FT_UInt>(pixelsPerEm));

        const double scale = static_cast<double>(pixelsPerEm) / static_cast<double>(unitsPerEm);
        cellHeight_ = static_cast<std::int32_t>(std::lround(static_cast<double>(winAscent + winDescent) * scale));
        cellHeight_ = std::max(cellHeight_, 1);
        ascent_ = std::min(static_cast<std::int32_t>(std::ceil(static_cast<double>(winAscent) * scale)), cellHeight_);
    }

    std::int64_t advanceOf(char32_t c) const {
        if (FT_Load_Char(face_.get(), c, FT_LOAD_DEFAULT | FT_LOAD_TARGET_MONO) != 0) return 0;
        if (bold_) FT_GlyphSlot_Embolden(face_->glyph);
        return (face_->glyph->advance.x + 32) >> 6;
    }

    bool loadGlyph(char32_t c) const {
        FT_Face face = face_.get();
        if (FT_Load_Char(face, c, FT_LOAD_DEFAULT | FT_LOAD_TARGET_MONO) != 0) return false;
        if (italic_) FT_GlyphSlot_Oblique(face->glyph);
        if (bold_) FT_GlyphSlot_Embolden(face->glyph);
        if (FT_Render_Glyph(face->glyph, FT_RENDER_MODE_MONO) != 0) return false;
        return face->glyph->bitmap.pixel_mode == FT_PIXEL_MODE_MONO;
    }

    void blit(TextMask& mask, std::int64_t penX) const {
        const FT_GlyphSlot slot = face_->glyph;
        const FT_Bitmap& bitmap = slot->bitmap;
        const std::int64_t left = penX + slot->bitmap_left;
        const std::int64_t top = static_cast<std::int64_t>(ascent_) - slot->bitmap_top;
        for (unsigned row = 0; row < bitmap.rows; ++row) {
            const std::int64_t y = top + row;
            if (y < 0 || y >= mask.height) continue;
            const unsigned char* bits = bitmap.buffer + static_cast<std::ptrdiff_t>(row) * bitmap.pitch;
            for (unsigned column = 0; column < bitmap.width; ++column) {
                const std::int64_t x = left + column;
                if (x < 0 || x >= mask.width) continue;
                if (bits[column >> 3] & (0x80u >> (column & 7))) {
                    mask.coverage[static_cast<std::size_t>(y) * static_cast<std::size_t>(mask.width) +
                                  static_cast<std::size_t>(x)] = 1;
                }
            }
        }
    }

    Library library_;
    Face face_;
    bool bold_ = false;
    bool italic_ = false;
    std::int32_t cellHeight_ = 1;
    std::int32_t ascent_ = 1;
};

// The cell height a blank font reports for this request.
std::int32_t blankCellHeight(const FontRequest& request) {
    const std::int64_t h =
        request.height == 0 ? kDefaultPixelHeight : std::llabs(static_cast<long long>(request.height));
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(h, 1, kLargestPixelHeight));
}

}  // namespace

std::unique_ptr<Font> createFont(const FontRequest& request) {
    const std::string family = toUtf8(decodeGbk(request.face));
    const std::optional<FontFile> file = chooseFontFile(family, request.charset == kGb2312Charset);
    if (!file) return std::make_unique<BlankFont>(blankCellHeight(request));

    FT_Library rawLibrary = nullptr;
    if (FT_Init_FreeType(&rawLibrary) != 0) return std::make_unique<BlankFont>(blankCellHeight(request));
    Library library(rawLibrary);
    FT_Face rawFace = nullptr;
    if (FT_New_Face(library.get(), file->path.c_str(), file->faceIndex, &rawFace) != 0) {
        return std::make_unique<BlankFont>(blankCellHeight(request));
    }
    Face face(rawFace);
    if (!FT_IS_SCALABLE(face.get())) return std::make_unique<BlankFont>(blankCellHeight(request));
    return std::make_unique<FreeTypeFont>(std::move(library), std::move(face), request);
}

}  // namespace love::platform::host
