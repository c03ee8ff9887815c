// The services that are not about windows: platform functions (our own emulated system
// libraries, whose colour key comes back to this backend) and sound (ALSA).
#include "platform/x11/alsa_audio.h"
#include "platform/x11/x11_platform.h"

namespace love::platform::x11 {

LibraryHandle X11Platform::loadLibrary(std::string_view name) { return libraries_.loadLibrary(name); }

void X11Platform::freeLibrary(LibraryHandle library) { libraries_.freeLibrary(library); }

FunctionHandle X11Platform::findFunction(LibraryHandle library, std::string_view name) {
    return libraries_.findFunction(library, name);
}

FunctionHandle X11Platform::findOrdinal(LibraryHandle library, std::uint32_t ordinal) {
    return libraries_.findOrdinal(library, ordinal);
}

CallResult X11Platform::callFunction(FunctionHandle function, std::span<const std::uint32_t> args) {
    return libraries_.callFunction(function, args);
}

bool X11Platform::hasAudioOutput() { return alsaOutputAvailable(); }

std::unique_ptr<AudioOutput> X11Platform::openAudio(std::span<const std::uint8_t> format, AudioDoneCallback done) {
    return openAlsaOutput(format, std::move(done));
}

}  // namespace love::platform::x11
