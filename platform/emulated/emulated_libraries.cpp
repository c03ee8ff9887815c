#include "platform/emulated/emulated_libraries.h"

#include <algorithm>
#include <cctype>
#include <numeric>

namespace love::platform::emulated {
namespace {

constexpr std::array<std::string_view, 6> kLibraryNames = {"Kernel32.dll", "Gdi32.dll", "User32.dll",
                                                           "Advapi32.dll", "Mpr.dll",   "Shell32.dll"};
constexpr std::size_t kUser32 = 2;

enum class Export : FunctionHandle { None = 0, GetWindowLongA, SetWindowLongA, SetLayeredWindowAttributes };

struct ExportEntry {
    std::string_view name;
    Export id;
    std::size_t argumentCount;
};

constexpr std::array<ExportEntry, 3> kUser32Exports = {{
    {"GetWindowLongA", Export::GetWindowLongA, 2},
    {"SetWindowLongA", Export::SetWindowLongA, 3},
    {"SetLayeredWindowAttributes", Export::SetLayeredWindowAttributes, 4},
}};

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

// Library handles are the library's position plus one, so 0 stays "none".
std::size_t indexOf(LibraryHandle library) { return library == 0 ? kLibraryNames.size() : library - 1; }

}  // namespace

LibraryHandle EmulatedLibraries::loadLibrary(std::string_view name) {
    for (std::size_t i = 0; i < kLibraryNames.size(); ++i) {
        if (equalsIgnoringCase(name, kLibraryNames[i])) {
            ++loads_[i];
            return i + 1;
        }
    }
    return 0;
}

void EmulatedLibraries::freeLibrary(LibraryHandle library) {
    const std::size_t i = indexOf(library);
    if (i < loads_.size() && loads_[i] > 0) --loads_[i];
}

FunctionHandle EmulatedLibraries::findFunction(LibraryHandle library, std::string_view name) const {
    const std::size_t i = indexOf(library);
    if (i != kUser32 || loads_[i] == 0) return 0;
    // Export names are case-sensitive, as GetProcAddress compares them.
    for (const ExportEntry& entry : kUser32Exports) {
        if (entry.name == name) return static_cast<FunctionHandle>(entry.id);
    }
    return 0;
}

FunctionHandle EmulatedLibraries::findOrdinal(LibraryHandle, std::uint32_t) const { return 0; }

CallResult EmulatedLibraries::callFunction(FunctionHandle function, std::span<const std::uint32_t> args) {
    const auto entry = std::find_if(kUser32Exports.begin(), kUser32Exports.end(), [&](const ExportEntry& e) {
        return static_cast<FunctionHandle>(e.id) == function;
    });
    if (entry == kUser32Exports.end() || args.size() != entry->argumentCount)
        return CallResult{.value = 0, .balanced = false};
    switch (entry->id) {
        case Export::GetWindowLongA:
            return {.value = getWindowLong(args[0], static_cast<std::int32_t>(args[1]))};
        case Export::SetWindowLongA:
            return {.value = setWindowLong(args[0], static_cast<std::int32_t>(args[1]), args[2])};
        case Export::SetLayeredWindowAttributes:
            return {.value = setLayeredWindowAttributes(args[0], args[1], args[3])};
        case Export::None:
            break;
    }
    return CallResult{.value = 0, .balanced = false};
}

std::size_t EmulatedLibraries::loadedCount() const {
    return std::accumulate(loads_.begin(), loads_.end(), std::size_t{0});
}

std::uint32_t EmulatedLibraries::extendedStyle(NativeHandle window) const {
    const auto found = extendedStyles_.find(window);
    return found == extendedStyles_.end() ? 0 : found->second;
}

void EmulatedLibraries::forgetWindow(NativeHandle window) { extendedStyles_.erase(window); }

std::uint32_t EmulatedLibraries::getWindowLong(NativeHandle window, std::int32_t index) const {
    if (!host_.isWindow(window) || index != kGwlExStyle) return 0;
    return extendedStyle(window);
}

std::uint32_t EmulatedLibraries::setWindowLong(NativeHandle window, std::int32_t index, std::uint32_t value) {
    if (!host_.isWindow(window) || index != kGwlExStyle) return 0;
    const std::uint32_t previous = extendedStyle(window);
    extendedStyles_[window] = value;
    return previous;
}

std::uint32_t EmulatedLibraries::setLayeredWindowAttributes(NativeHandle window, std::uint32_t key,
                                                            std::uint32_t flags) {
    // Like the real function: only a layered window takes attributes.
    if (!host_.isWindow(window) || (extendedStyle(window) & kWsExLayered) == 0) return 0;
    if ((flags & kLwaColorKey) != 0) host_.setColourKey(window, key & 0x00FFFFFFu);
    // A constant alpha (LWA_ALPHA) is not emulated; the window stays opaque apart from its key.
    return 1;
}

}  // namespace love::platform::emulated
