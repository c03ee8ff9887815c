// The window procedure, the UI thread's message queue and timers.
#include "platform/win32/gbk_codec.h"
#include "platform/win32/win32_platform.h"

namespace love::platform::win32 {
namespace {

// Posted to a window: the runtime's destroy request, taken in queue order like any message.
constexpr UINT kDestroyRequest = WM_APP + 1;

LRESULT CALLBACK windowProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* platform = reinterpret_cast<Win32Platform*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!platform) return DefWindowProcW(hwnd, message, wParam, lParam);
    return platform->handleMessage(hwnd, message, wParam, lParam);
}

}  // namespace

const std::wstring& Win32Platform::classFor(const std::string& gbkClass) {
    std::wstring name = gbkClass.empty() ? std::wstring(L"LoveShowWindow") : widenGbk(gbkClass);
    auto it = registeredClasses_.find(name);
    if (it != registeredClasses_.end()) return it->second;
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = CS_DBLCLKS;
    windowClass.lpfnWndProc = windowProcedure;
    windowClass.hInstance = instance_;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = nullptr;  // the runtime paints every pixel
    windowClass.lpszClassName = name.c_str();
    RegisterClassExW(&windowClass);  // a class of that name that already exists is used as it is
    return registeredClasses_.emplace(name, name).first->second;
}

LRESULT Win32Platform::handleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    WindowRecord* record = find(hwnd);
    if (!record) return DefWindowProcW(hwnd, message, wParam, lParam);
    const NativeHandle handle = toNative(hwnd);
    switch (message) {
        case WM_CLOSE:
            // The runtime decides; the default would destroy the window at once.
            if (sink_) sink_->closeRequested(handle, CloseCause::CloseBox);
            return 0;
        case WM_QUERYENDSESSION:
            if (sink_ && !record->surface) sink_->closeRequested(handle, CloseCause::SystemClose);
            return TRUE;
        case kDestroyRequest:
            if (sink_) sink_->destroyRequested(handle);
            return 0;
        case WM_TIMER:
            if (sink_) sink_->timerTicked(handle, static_cast<std::uint32_t>(wParam));
            return 0;
        case WM_ERASEBKGND:
            return 1;  // the paint that follows covers the whole area
        case WM_PAINT:
            paint(*record);
            return 0;
        case WM_MOVE:
            if (sink_ && quietDepth_ == 0 && !record->surface) sink_->moved(handle);
            return 0;
        case WM_SIZE:
            resizePixels(*record);
            if (sink_ && quietDepth_ == 0 && !record->surface) sink_->resized(handle);
            return 0;
        case WM_NCDESTROY: {
            const LRESULT result = DefWindowProcW(hwnd, message, wParam, lParam);
            windows_.erase(hwnd);
            return result;
        }
        default:
            return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

void Win32Platform::paint(WindowRecord& record) {
    RECT area{};
    if (!GetUpdateRect(record.hwnd, &area, FALSE)) return;
    // Validate first: the runtime presents through a DC of its own, and an update region left
    // behind would bring the same WM_PAINT straight back.
    ValidateRect(record.hwnd, nullptr);
    if (sink_) {
        sink_->paintRequested(toNative(record.hwnd),
                              Rect{area.left, area.top, area.right - area.left, area.bottom - area.top});
    }
}

bool Win32Platform::takeEscape(const MSG& message) {
    if (message.message != WM_KEYDOWN || message.wParam != VK_ESCAPE || !message.hwnd || !sink_) return false;
    HWND topLevel = GetAncestor(message.hwnd, GA_ROOT);
    if (!find(topLevel)) return false;
    sink_->closeRequested(toNative(topLevel), CloseCause::EscapeKey);
    return true;
}

void Win32Platform::dispatch(const MSG& message) {
    if (takeEscape(message)) return;
    TranslateMessage(&message);
    DispatchMessageW(&message);
}

bool Win32Platform::waitAndDispatch() {
    MSG message{};
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got == 0 || got == -1) return false;
    dispatch(message);
    return true;
}

void Win32Platform::dispatchPending() {
    MSG message{};
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            // Leave it for the message loop: the queue posts it again once nothing else waits.
            PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        dispatch(message);
    }
}

void Win32Platform::postDestroyRequest(NativeHandle window) {
    if (WindowRecord* record = find(window)) PostMessageW(record->hwnd, kDestroyRequest, 0, 0);
}

void Win32Platform::postQuit() { PostQuitMessage(0); }

void Win32Platform::startTimer(NativeHandle window, std::uint32_t timerId, std::uint32_t periodMs) {
    // Setting a timer id again restarts it, so its first tick is one period after this call.
    if (WindowRecord* record = find(window)) SetTimer(record->hwnd, timerId, periodMs, nullptr);
}

void Win32Platform::stopTimer(NativeHandle window, std::uint32_t timerId) {
    if (WindowRecord* record = find(window)) KillTimer(record->hwnd, timerId);
}

}  // namespace love::platform::win32
