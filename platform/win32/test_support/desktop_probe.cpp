// A look at another program's windows from inside the same Windows session, for the desktop
// tests. Prints UTF-8, one finding per line.
//
//   desktop_probe escape-start-window [timeout_ms]
//       Waits until the foreground window is an unowned window of another process that owns a
//       visible window (a program's start window), posts it the Esc key and prints "escape posted". Posted input is
//       taken before any timer tick, so the key wins against a timer that is about to fire.
//   desktop_probe windows
//       Lists the top-level windows of other processes: handle, rectangle, owner, visibility,
//       whether it is the foreground window, and its class.
//   desktop_probe boxes <count> [timeout_ms]
//       Prints "title|text" for each of the next <count> message boxes another process shows,
//       as each appears.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

namespace {

std::string utf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr, nullptr);
    return out;
}

std::wstring windowText(HWND window) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

bool ofAnotherProcess(HWND window) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    return process != 0 && process != GetCurrentProcessId();
}

struct OwnedSearch {
    HWND owner;
    bool found;
};

BOOL CALLBACK findVisibleOwned(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<OwnedSearch*>(data);
    if (GetWindow(window, GW_OWNER) == search->owner && IsWindowVisible(window)) {
        search->found = true;
        return FALSE;
    }
    return TRUE;
}

// A program's start window: unowned, visible, of another process, and owning a visible window
// (the desktop window, which is the foreground window while nothing else is, owns none).
bool isStartWindow(HWND window) {
    if (!window || window == GetDesktopWindow() || !ofAnotherProcess(window) || GetWindow(window, GW_OWNER) ||
        !IsWindowVisible(window)) {
        return false;
    }
    OwnedSearch search{window, false};
    EnumWindows(findVisibleOwned, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

int escapeStartWindow(DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < timeoutMs) {
        HWND foreground = GetForegroundWindow();
        if (isStartWindow(foreground)) {
            PostMessageW(foreground, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
            PostMessageW(foreground, WM_KEYUP, VK_ESCAPE, static_cast<LPARAM>(0xC0010001u));
            RECT r{};
            GetWindowRect(foreground, &r);
            std::printf("escape posted to a %ldx%ld window\n", r.right - r.left, r.bottom - r.top);
            return 0;
        }
        Sleep(1);
    }
    std::printf("no start window became the foreground window\n");
    return 1;
}

struct BoxSearch {
    std::vector<HWND>* seen;
    HWND found;
};

BOOL CALLBACK findNewBox(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<BoxSearch*>(data);
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    if (std::wcscmp(className, L"#32770") != 0 || !ofAnotherProcess(window) || !IsWindowVisible(window)) return TRUE;
    for (HWND old : *search->seen) {
        if (old == window) return TRUE;
    }
    search->found = window;
    return FALSE;
}

int watchBoxes(int count, DWORD timeoutMs) {
    std::vector<HWND> seen;
    const DWORD start = GetTickCount();
    while (count > 0 && GetTickCount() - start < timeoutMs) {
        BoxSearch search{&seen, nullptr};
        EnumWindows(findNewBox, reinterpret_cast<LPARAM>(&search));
        if (!search.found) {
            Sleep(20);
            continue;
        }
        // The box's text is its static control 0xFFFF.
        HWND label = GetDlgItem(search.found, 0xFFFF);
        const std::wstring text = label ? windowText(label) : std::wstring();
        std::printf("%s|%s\n", utf8(windowText(search.found)).c_str(), utf8(text).c_str());
        std::fflush(stdout);
        seen.push_back(search.found);
        --count;
    }
    return count == 0 ? 0 : 1;
}

BOOL CALLBACK listWindow(HWND window, LPARAM) {
    if (!ofAnotherProcess(window)) return TRUE;
    RECT r{};
    GetWindowRect(window, &r);
    wchar_t className[64] = {};
    GetClassNameW(window, className, 64);
    std::printf("%08llx %ld,%ld %ldx%ld owner=%08llx visible=%d foreground=%d class=%s\n",
                static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(window)), r.left, r.top,
                r.right - r.left, r.bottom - r.top,
                static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(GetWindow(window, GW_OWNER))),
                IsWindowVisible(window) ? 1 : 0, GetForegroundWindow() == window ? 1 : 0, utf8(className).c_str());
    return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
    _setmode(_fileno(stdout), _O_BINARY);  // the texts' own CR LF, not the console's
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "escape-start-window") {
        return escapeStartWindow(argc > 2 ? static_cast<DWORD>(std::atol(argv[2])) : 30000);
    }
    if (command == "windows") return EnumWindows(listWindow, 0) ? 0 : 1;
    if (command == "boxes" && argc > 2) {
        return watchBoxes(std::atoi(argv[2]), argc > 3 ? static_cast<DWORD>(std::atol(argv[3])) : 30000);
    }
    std::fprintf(stderr, "usage: desktop_probe escape-start-window [timeout_ms] | boxes <count> [timeout_ms]\n");
    return 2;
}
