// fontconfig answers every family query with its best guess, which for an unknown Chinese face
// name is a Latin face; so each match is checked for the family and coverage that were asked for.
#include "platform/freetype/font_choice.h"

#include <fontconfig/fontconfig.h>

#include <memory>

namespace love::platform::host {
namespace {

constexpr const char* kChineseLanguage = "zh-cn";
constexpr const char* kKaiFamily = "AR PL KaitiM GB";

struct PatternDeleter {
    void operator()(FcPattern* p) const { FcPatternDestroy(p); }
};
using Pattern = std::unique_ptr<FcPattern, PatternDeleter>;

// A configuration of our own rather than fontconfig's process-wide default, so that everything
// it loads is released again once the face is chosen.
struct ConfigDeleter {
    void operator()(FcConfig* c) const { FcConfigDestroy(c); }
};
using Config = std::unique_ptr<FcConfig, ConfigDeleter>;

const FcChar8* fc(const char* s) { return reinterpret_cast<const FcChar8*>(s); }

bool hasFamily(FcPattern* match, const std::string& family) {
    FcChar8* value = nullptr;
    for (int i = 0; FcPatternGetString(match, FC_FAMILY, i, &value) == FcResultMatch; ++i) {
        if (FcStrCmpIgnoreCase(value, fc(family.c_str())) == 0) return true;
    }
    return false;
}

bool coversChinese(FcPattern* match) {
    FcLangSet* languages = nullptr;
    if (FcPatternGetLangSet(match, FC_LANG, 0, &languages) != FcResultMatch) return false;
    return FcLangSetHasLang(languages, fc(kChineseLanguage)) == FcLangEqual;
}

// The best match for the query; family empty asks for Chinese coverage alone.
Pattern bestMatch(FcConfig* config, const std::string& family, bool wantChinese) {
    Pattern query(FcPatternCreate());
    if (!query) return nullptr;
    if (!family.empty()) FcPatternAddString(query.get(), FC_FAMILY, fc(family.c_str()));
    if (wantChinese) {
        // The stored font asks for fixed pitch; prefer it, never require it.
        FcPatternAddString(query.get(), FC_LANG, fc(kChineseLanguage));
        FcPatternAddInteger(query.get(), FC_SPACING, FC_MONO);
    }
    FcPatternAddBool(query.get(), FC_OUTLINE, FcTrue);
    if (!FcConfigSubstitute(config, query.get(), FcMatchPattern)) return nullptr;
    FcDefaultSubstitute(query.get());
    FcResult result = FcResultNoMatch;
    Pattern match(FcFontMatch(config, query.get(), &result));
    if (result != FcResultMatch) return nullptr;
    return match;
}

std::optional<FontFile> fileOf(FcPattern* match) {
    FcChar8* path = nullptr;
    if (FcPatternGetString(match, FC_FILE, 0, &path) != FcResultMatch || path == nullptr) return std::nullopt;
    int index = 0;
    if (FcPatternGetInteger(match, FC_INDEX, 0, &index) != FcResultMatch) index = 0;
    return FontFile{reinterpret_cast<const char*>(path), index};
}

}  // namespace

std::optional<FontFile> chooseFontFile(const std::string& family, bool needsChinese) {
    const Config config(FcInitLoadConfigAndFonts());
    if (!config) return std::nullopt;

    if (!family.empty()) {
        Pattern match = bestMatch(config.get(), family, needsChinese);
        if (match && hasFamily(match.get(), family) && (!needsChinese || coversChinese(match.get()))) {
            return fileOf(match.get());
        }
    }
    if (Pattern kai = bestMatch(config.get(), kKaiFamily, true);
        kai && hasFamily(kai.get(), kKaiFamily) && coversChinese(kai.get())) {
        return fileOf(kai.get());
    }
    if (Pattern any = bestMatch(config.get(), {}, true); any && coversChinese(any.get())) return fileOf(any.get());
    return std::nullopt;
}

}  // namespace love::platform::host
