#include "windows/media_services.h"

#include <cstring>
#include <map>

#include "windows/background_picture.h"
#include "windows/music_player.h"

namespace love::windows {

namespace {

bool isWaveFile(std::span<const std::uint8_t> bytes) {
    return bytes.size() >= 12 && std::memcmp(bytes.data(), "RIFF", 4) == 0 &&
           std::memcmp(bytes.data() + 8, "WAVE", 4) == 0;
}

class WindowsMediaServices final : public runtime::MediaServices {
public:
    void bind(platform::Platform* platform) { platform_ = platform; }

    void startMusic(platform::NativeHandle, std::span<const std::uint8_t> music, std::int32_t playCount) override {
        if (platform_ == nullptr || music.empty() || (playCount != 0 && playCount != 1)) return;
        // Other sound formats are not played.
        if (!isWaveFile(music)) return;
        musicPlayers().start(music, playCount == 0, audioAccessOf(*platform_));
    }

    // Any window's destruction stops every player: the program has one piece of music.
    void stopMusic(platform::NativeHandle) override { musicPlayers().stopAll(false); }

    void stopAllMusic(bool wait) override { musicPlayers().stopAll(wait); }

    void paintBackground(platform::NativeHandle window, platform::PixelView client, platform::Rect area,
                         std::span<const std::uint8_t> picture, std::int32_t mode,
                         std::uint32_t backgroundRgb) override {
        pictures_[window].paint(client, area, picture, mode, backgroundRgb);
    }

    void forgetWindow(platform::NativeHandle window) override { pictures_.erase(window); }

private:
    platform::Platform* platform_ = nullptr;
    std::map<platform::NativeHandle, BackgroundPicture> pictures_;  // UI thread only
};

WindowsMediaServices& services() {
    static WindowsMediaServices instance;
    return instance;
}

}  // namespace

runtime::MediaServices& mediaServices() { return services(); }
void bindMediaPlatform(platform::Platform& platform) { services().bind(&platform); }
void unbindMediaPlatform() { services().bind(nullptr); }

}  // namespace love::windows
