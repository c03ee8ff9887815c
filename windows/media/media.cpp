// Spans over the media bytes that media.S links into the program.
#include "windows/media.h"

#include <cstddef>

extern "C" {
extern const std::uint8_t love_media_sprite_begin[];
extern const std::uint64_t love_media_sprite_size;
extern const std::uint8_t love_media_music_begin[];
extern const std::uint64_t love_media_music_size;
extern const std::uint8_t love_media_photo_begin[];
extern const std::uint64_t love_media_photo_size;
// 0xAARRGGBB little-endian words, aligned to 16 bytes by media.S.
extern const std::uint32_t love_media_icon_begin[];
extern const std::uint64_t love_media_icon_size;
}

namespace love::windows {

namespace {
constexpr std::int32_t kIconSide = 48;
}  // namespace

std::span<const std::uint8_t> spriteGif() {
    return {love_media_sprite_begin, static_cast<std::size_t>(love_media_sprite_size)};
}

std::span<const std::uint8_t> showMusicWav() {
    return {love_media_music_begin, static_cast<std::size_t>(love_media_music_size)};
}

std::span<const std::uint8_t> photoJpeg() {
    return {love_media_photo_begin, static_cast<std::size_t>(love_media_photo_size)};
}

platform::IconPixels programIcon() {
    const std::size_t words = static_cast<std::size_t>(love_media_icon_size) / sizeof(std::uint32_t);
    const std::size_t wanted = static_cast<std::size_t>(kIconSide) * kIconSide;
    // A short icon file would be a build fault; hand out no icon rather than read past its end.
    if (words < wanted) return {};
    return {kIconSide, kIconSide, {love_media_icon_begin, wanted}};
}

}  // namespace love::windows
