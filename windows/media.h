// The media the program carries inside its binary. The program opens no file.
#pragma once

#include <cstdint>
#include <span>

#include "platform/platform.h"

namespace love::windows {

std::span<const std::uint8_t> spriteGif();     // 99 x 87 GIF89a, a rose on pure white
std::span<const std::uint8_t> showMusicWav();  // the show window's background music (PCM WAV)
std::span<const std::uint8_t> photoJpeg();     // the photo window's background picture (800 x 599)
platform::IconPixels programIcon();            // 48 x 48, 32 bits per pixel

}  // namespace love::windows
