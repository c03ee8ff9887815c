// Calls of the program's platform functions, resolved on first use.
#include <charconv>

#include "runtime/error_report.h"
#include "runtime/runtime.h"
#include "runtime/runtime_texts.h"

namespace love::runtime {
namespace {

// The system libraries a row without a library is looked up in, in this order.
constexpr std::array<std::string_view, 6> kSystemLibraries = {"Kernel32.dll", "Gdi32.dll", "User32.dll",
                                                              "Advapi32.dll", "Mpr.dll",   "Shell32.dll"};

}  // namespace

void Runtime::resolve(PlatformFunctionRow& row) {
    const bool byOrdinal = !row.name.empty() && row.name.front() == '#';
    std::uint32_t ordinal = 0;
    if (byOrdinal) {
        const char* first = row.name.data() + 1;
        const char* last = row.name.data() + row.name.size();
        const auto [end, error] = std::from_chars(first, last, ordinal);
        if (error != std::errc{} || end != last) ordinal = 0;
    }
    const auto find = [&](platform::LibraryHandle library) {
        if (byOrdinal) return ordinal == 0 ? platform::FunctionHandle{0} : platform_.findOrdinal(library, ordinal);
        return platform_.findFunction(library, row.name);
    };

    if (row.library.empty()) {
        std::vector<platform::LibraryHandle> tried;
        for (std::string_view name : kSystemLibraries) {
            const platform::LibraryHandle library = platform_.loadLibrary(name);
            if (library == 0) continue;
            if (const platform::FunctionHandle function = find(library)) {
                row.entry = function;
                librariesKept_.push_back(library);
                break;
            }
            tried.push_back(library);
        }
        for (platform::LibraryHandle library : tried) platform_.freeLibrary(library);
        if (row.entry == 0) {
            raiseErrorReport(0, Text(texts::kFunctionNotFoundBefore) + row.name + Text(texts::kQuoteClose));
        }
        return;
    }
    const platform::LibraryHandle library = platform_.loadLibrary(row.library);
    if (library != 0) {
        row.entry = find(library);
        if (row.entry != 0) {
            librariesKept_.push_back(library);
            return;
        }
        platform_.freeLibrary(library);
    }
    raiseErrorReport(0, Text(texts::kLibraryFunctionNotFoundBefore) + row.library +
                            Text(texts::kLibraryFunctionNotFoundMiddle) + row.name + Text(texts::kQuoteClose));
}

std::int32_t Runtime::callPlatformFunction(std::size_t row, std::span<const std::uint32_t> args) {
    if (row >= platformFunctions_.size()) {
        raiseErrorReport(0, Text(texts::kFunctionNotFoundBefore) + Text(texts::kQuoteClose));
    }
    PlatformFunctionRow& declared = platformFunctions_[row];
    if (declared.entry == 0) resolve(declared);
    const platform::CallResult result = platform_.callFunction(declared.entry, args);
    if (!result.balanced) raiseErrorReport(kUnbalancedCall, Text{});
    return static_cast<std::int32_t>(result.value);
}

}  // namespace love::runtime
