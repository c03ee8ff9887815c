// Platform functions from the system's own libraries, called for real.
#include <string>
#include <vector>

#include "platform/win32/win32_platform.h"

extern "C" std::uint64_t love_win32_checked_call(const void* function, const std::uint64_t* args, std::uint64_t count,
                                                 std::int64_t* stackMoved);

namespace love::platform::win32 {

LibraryHandle Win32Platform::loadLibrary(std::string_view name) {
    const std::string file(name);
    return reinterpret_cast<LibraryHandle>(LoadLibraryA(file.c_str()));
}

void Win32Platform::freeLibrary(LibraryHandle library) {
    if (library) FreeLibrary(reinterpret_cast<HMODULE>(library));
}

FunctionHandle Win32Platform::findFunction(LibraryHandle library, std::string_view name) {
    if (!library || name.empty()) return 0;
    const std::string symbol(name);
    return reinterpret_cast<FunctionHandle>(GetProcAddress(reinterpret_cast<HMODULE>(library), symbol.c_str()));
}

FunctionHandle Win32Platform::findOrdinal(LibraryHandle library, std::uint32_t ordinal) {
    // Ordinals are 16-bit; a larger number would be read as a name pointer.
    if (!library || ordinal == 0 || ordinal > 0xFFFF) return 0;
    return reinterpret_cast<FunctionHandle>(
        GetProcAddress(reinterpret_cast<HMODULE>(library), MAKEINTRESOURCEA(static_cast<WORD>(ordinal))));
}

// The program's arguments are 32-bit values. Each goes into its 64-bit slot sign-extended:
// a negative int such as GWL_EXSTYLE (-20) arrives as that int, a window handle (whose 32
// significant bits Windows sign-extends) as the handle itself, and for DWORD, UINT and
// COLORREF parameters the callee reads only the low 32 bits, which are the value as given.
CallResult Win32Platform::callFunction(FunctionHandle function, std::span<const std::uint32_t> args) {
    if (!function) return {0, true};
    std::vector<std::uint64_t> slots;
    slots.reserve(args.size());
    for (const std::uint32_t arg : args) {
        slots.push_back(static_cast<std::uint64_t>(static_cast<std::int64_t>(static_cast<std::int32_t>(arg))));
    }
    std::int64_t stackMoved = 0;
    const std::uint64_t value =
        love_win32_checked_call(reinterpret_cast<const void*>(function), slots.data(), slots.size(), &stackMoved);
    return {static_cast<std::uint32_t>(value), stackMoved == 0};
}

}  // namespace love::platform::win32
