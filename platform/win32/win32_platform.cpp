// The backend object: surface class, screen, message boxes, clock, process, text and audio.
#include "platform/win32/win32_platform.h"

#include <cstdio>

#include "platform/host_text.h"
#include "platform/win32/gbk_codec.h"
#include "platform/win32/wave_out_audio.h"

namespace love::platform::win32 {

Win32Platform::Win32Platform() : instance_(GetModuleHandleW(nullptr)) {
    // Child surfaces share the default class's procedure; the class name only tells them apart.
    surfaceClass_ = classFor("LoveShowSurface");
}

Win32Platform::~Win32Platform() {
    // Owned windows and children go with their owners and parents; collect the top ones first.
    std::vector<HWND> topLevel;
    for (const auto& [hwnd, record] : windows_) {
        if (!record->surface) topLevel.push_back(hwnd);
    }
    for (HWND hwnd : topLevel) {
        if (IsWindow(hwnd)) DestroyWindow(hwnd);
    }
    windows_.clear();
    for (const auto& [name, registered] : registeredClasses_) UnregisterClassW(registered.c_str(), instance_);
}

Size Win32Platform::screenSize() const { return {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}; }

int Win32Platform::messageBox(std::string_view gbkText, std::string_view gbkTitle, std::uint32_t style) {
    const std::wstring text = widenGbk(gbkText);
    const std::wstring title = widenGbk(gbkTitle);
    return MessageBoxW(nullptr, text.c_str(), title.c_str(), style);
}

std::uint32_t Win32Platform::tickCount() const { return GetTickCount(); }

void Win32Platform::sleep(std::uint32_t milliseconds) { Sleep(milliseconds); }

std::string Win32Platform::programFolder() const {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    const std::size_t slash = path.find_last_of(L"\\/");
    if (slash != std::wstring::npos) path.resize(slash);
    return narrowToGbk(path);
}

void Win32Platform::setWorkingDirectory(const std::string& folder) {
    const std::wstring wide = widenGbk(folder);
    SetCurrentDirectoryW(wide.c_str());
}

void Win32Platform::terminate(int exitCode) {
    std::fflush(nullptr);
    ExitProcess(static_cast<UINT>(exitCode));
}

std::unique_ptr<Font> Win32Platform::createFont(const FontRequest& request) { return host::createFont(request); }

std::u32string Win32Platform::decodeGbk(std::string_view gbk) const { return host::decodeGbk(gbk); }

bool Win32Platform::hasAudioOutput() { return waveOutGetNumDevs() > 0; }

std::unique_ptr<AudioOutput> Win32Platform::openAudio(std::span<const std::uint8_t> format, AudioDoneCallback done) {
    return WaveOutAudio::open(format, std::move(done));
}

}  // namespace love::platform::win32

namespace love::platform {

std::unique_ptr<Platform> createPlatform() { return std::make_unique<win32::Win32Platform>(); }

}  // namespace love::platform
