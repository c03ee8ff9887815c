// Top-level windows, child surfaces and their DIB-section pixels.
#include <algorithm>

#include "platform/win32/gbk_codec.h"
#include "platform/win32/win32_platform.h"

namespace love::platform::win32 {
namespace {

// Our own moves and sizes are not reported back as the user's.
class QuietScope {
public:
    explicit QuietScope(int& depth) : depth_(depth) { ++depth_; }
    ~QuietScope() { --depth_; }
    QuietScope(const QuietScope&) = delete;
    QuietScope& operator=(const QuietScope&) = delete;

private:
    int& depth_;
};

DWORD styleFor(const WindowSpec& windowSpec) {
    const WindowStyle& s = windowSpec.style;
    // Without a title bar the window must be a pop-up: an overlapped window always gets one.
    DWORD style = WS_CLIPCHILDREN;
    style |= (windowSpec.owner != 0 || !s.caption) ? WS_POPUP : WS_OVERLAPPED;
    if (s.caption) style |= WS_CAPTION;
    if (s.systemMenu) style |= WS_SYSMENU;
    if (s.dialogFrame) style |= WS_DLGFRAME;
    if (s.sizingFrame) style |= WS_THICKFRAME;
    if (s.maximiseBox) style |= WS_MAXIMIZEBOX;
    if (s.minimiseBox) style |= WS_MINIMIZEBOX;
    if (s.disabled) style |= WS_DISABLED;
    if (s.startMinimised) style |= WS_MINIMIZE;
    if (s.startMaximised && s.sizingFrame) style |= WS_MAXIMIZE;
    return style;
}

DWORD extendedStyleFor(const WindowStyle& s) {
    DWORD style = 0;
    if (s.toolWindow) style |= WS_EX_TOOLWINDOW;
    if (s.clientEdge) style |= WS_EX_CLIENTEDGE;
    if (s.topmost) style |= WS_EX_TOPMOST;
    return style;
}

RECT toRECT(Rect r) { return RECT{r.x, r.y, r.x + r.width, r.y + r.height}; }
Rect fromRECT(const RECT& r) { return Rect{r.left, r.top, r.right - r.left, r.bottom - r.top}; }

// The part of area that lies inside a width x height buffer.
bool clipTo(Rect& area, std::int32_t width, std::int32_t height) {
    const std::int32_t left = std::max(area.x, 0);
    const std::int32_t top = std::max(area.y, 0);
    const std::int64_t right = std::min<std::int64_t>(std::int64_t{area.x} + area.width, width);
    const std::int64_t bottom = std::min<std::int64_t>(std::int64_t{area.y} + area.height, height);
    if (right <= left || bottom <= top) return false;
    area = Rect{left, top, static_cast<std::int32_t>(right - left), static_cast<std::int32_t>(bottom - top)};
    return true;
}

// Some window systems (Wine's among them) hold window drawing back until the thread next waits
// for messages. A zero wait that handles no message and wakes for none lets it through now.
void showNow() { MsgWaitForMultipleObjectsEx(0, nullptr, 0, 0, 0); }

}  // namespace

PixelBuffer::PixelBuffer(std::int32_t width, std::int32_t height) {
    if (width <= 0 || height <= 0) return;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down: row 0 is the top row, as in PixelView
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    dc_ = CreateCompatibleDC(nullptr);
    void* bits = nullptr;
    bitmap_ = dc_ ? CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0) : nullptr;
    if (!bitmap_ || !bits) return;
    previous_ = SelectObject(dc_, bitmap_);
    pixels_ = static_cast<std::uint32_t*>(bits);
    width_ = width;
    height_ = height;
    std::fill_n(pixels_, static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0x00FFFFFFu);
}

PixelBuffer::~PixelBuffer() {
    if (dc_ && previous_) SelectObject(dc_, previous_);
    if (bitmap_) DeleteObject(bitmap_);
    if (dc_) DeleteDC(dc_);
}

WindowRecord* Win32Platform::find(HWND hwnd) const {
    const auto it = windows_.find(hwnd);
    return it == windows_.end() ? nullptr : it->second.get();
}

WindowRecord* Win32Platform::find(NativeHandle handle) const { return handle ? find(toHwnd(handle)) : nullptr; }

void Win32Platform::resizePixels(WindowRecord& record) {
    RECT client{};
    GetClientRect(record.hwnd, &client);
    const std::int32_t width = client.right - client.left;
    const std::int32_t height = client.bottom - client.top;
    if (record.pixels && record.pixels->width() == width && record.pixels->height() == height) return;
    record.pixels = std::make_unique<PixelBuffer>(width, height);
}

NativeHandle Win32Platform::createWindow(const WindowSpec& windowSpec) {
    QuietScope quiet(quietDepth_);
    const std::wstring& windowClass = classFor(windowSpec.windowClass);
    const std::wstring title = widenGbk(windowSpec.title);
    HWND owner = windowSpec.owner ? toHwnd(windowSpec.owner) : nullptr;
    if (windowSpec.owner && !find(windowSpec.owner)) return 0;
    auto record = std::make_unique<WindowRecord>();
    HWND hwnd = CreateWindowExW(extendedStyleFor(windowSpec.style), windowClass.c_str(), title.c_str(),
                                styleFor(windowSpec), windowSpec.rect.x, windowSpec.rect.y, windowSpec.rect.width,
                                windowSpec.rect.height, owner, nullptr, instance_, this);
    if (!hwnd) return 0;
    record->hwnd = hwnd;
    WindowRecord& added = *(windows_[hwnd] = std::move(record));

    // The system may have grown the window to a least size of its own: ask for the exact one.
    RECT outer{};
    GetWindowRect(hwnd, &outer);
    if (!IsIconic(hwnd) && !IsZoomed(hwnd) && fromRECT(outer) != windowSpec.rect) {
        SetWindowPos(hwnd, nullptr, windowSpec.rect.x, windowSpec.rect.y, windowSpec.rect.width, windowSpec.rect.height,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
    added.icon = WindowIcon(windowSpec.icon);
    if (added.icon.get()) {
        SendMessageW(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(added.icon.get()));
        SendMessageW(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(added.icon.get()));
    }
    SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    if (windowSpec.style.noMoveCommand) {
        if (HMENU menu = GetSystemMenu(hwnd, FALSE)) DeleteMenu(menu, SC_MOVE, MF_BYCOMMAND);
    }
    resizePixels(added);
    return toNative(hwnd);
}

NativeHandle Win32Platform::createSurface(NativeHandle parent, Rect rect, bool visible) {
    QuietScope quiet(quietDepth_);
    WindowRecord* parentRecord = find(parent);
    if (!parentRecord) return 0;
    auto record = std::make_unique<WindowRecord>();
    record->surface = true;
    const DWORD style = WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | (visible ? WS_VISIBLE : 0);
    HWND hwnd = CreateWindowExW(0, surfaceClass_.c_str(), L"", style, rect.x, rect.y, rect.width, rect.height,
                                parentRecord->hwnd, nullptr, instance_, this);
    if (!hwnd) return 0;
    record->hwnd = hwnd;
    WindowRecord& added = *(windows_[hwnd] = std::move(record));
    // Surfaces are made in stacking order, the first on top: each new one goes below the others.
    SetWindowPos(hwnd, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    resizePixels(added);
    return toNative(hwnd);
}

void Win32Platform::destroy(NativeHandle windowOrSurface) {
    if (WindowRecord* record = find(windowOrSurface)) {
        QuietScope quiet(quietDepth_);
        DestroyWindow(record->hwnd);  // WM_NCDESTROY drops the records of it and its children
    }
}

void Win32Platform::show(NativeHandle window, ShowCommand command) {
    WindowRecord* record = find(window);
    if (!record) return;
    int how = SW_HIDE;
    switch (command) {
        case ShowCommand::Hide:
            how = SW_HIDE;
            break;
        case ShowCommand::Normal:
            how = SW_SHOWNORMAL;
            break;
        case ShowCommand::Minimised:
            how = SW_SHOWMINIMIZED;
            break;
        case ShowCommand::Maximised:
            how = SW_SHOWMAXIMIZED;
            break;
    }
    ShowWindow(record->hwnd, how);
    if (command != ShowCommand::Hide && !record->surface) SetForegroundWindow(record->hwnd);
    resizePixels(*record);
}

void Win32Platform::activate(NativeHandle window) {
    if (WindowRecord* record = find(window)) {
        SetForegroundWindow(record->hwnd);
        SetActiveWindow(record->hwnd);
    }
}

void Win32Platform::setRect(NativeHandle windowOrSurface, Rect rect) {
    WindowRecord* record = find(windowOrSurface);
    if (!record) return;
    QuietScope quiet(quietDepth_);
    SetWindowPos(record->hwnd, nullptr, rect.x, rect.y, rect.width, rect.height, SWP_NOZORDER | SWP_NOACTIVATE);
    resizePixels(*record);
}

Rect Win32Platform::rect(NativeHandle windowOrSurface) const {
    WindowRecord* record = find(windowOrSurface);
    if (!record) return {};
    RECT r{};
    GetWindowRect(record->hwnd, &r);
    if (record->surface) MapWindowPoints(HWND_DESKTOP, GetParent(record->hwnd), reinterpret_cast<POINT*>(&r), 2);
    return fromRECT(r);
}

bool Win32Platform::isVisible(NativeHandle windowOrSurface) const {
    WindowRecord* record = find(windowOrSurface);
    return record && (GetWindowLongW(record->hwnd, GWL_STYLE) & WS_VISIBLE) != 0;
}

bool Win32Platform::isMinimised(NativeHandle window) const {
    WindowRecord* record = find(window);
    return record && IsIconic(record->hwnd);
}

bool Win32Platform::isMaximised(NativeHandle window) const {
    WindowRecord* record = find(window);
    return record && IsZoomed(record->hwnd);
}

void Win32Platform::enable(NativeHandle window, bool enabled) {
    if (WindowRecord* record = find(window)) EnableWindow(record->hwnd, enabled);
}

void Win32Platform::setVisible(NativeHandle surface, bool visible) {
    if (WindowRecord* record = find(surface)) {
        ShowWindow(record->hwnd, visible ? SW_SHOWNA : SW_HIDE);
    }
}

PixelView Win32Platform::pixels(NativeHandle windowOrSurface) {
    WindowRecord* record = find(windowOrSurface);
    if (!record) return {};
    resizePixels(*record);
    GdiFlush();  // the pixels are written directly: GDI must be done with the section first
    return record->pixels->view();
}

void Win32Platform::present(NativeHandle windowOrSurface, Rect area) {
    WindowRecord* record = find(windowOrSurface);
    if (!record || !record->pixels || !clipTo(area, record->pixels->width(), record->pixels->height())) return;
    HDC dc = GetDC(record->hwnd);
    if (!dc) return;
    BitBlt(dc, area.x, area.y, area.width, area.height, record->pixels->dc(), area.x, area.y, SRCCOPY);
    ReleaseDC(record->hwnd, dc);
    GdiFlush();
    showNow();
}

void Win32Platform::presentFill(NativeHandle windowOrSurface, Rect area, std::uint32_t rgb) {
    WindowRecord* record = find(windowOrSurface);
    if (!record || !record->pixels || !clipTo(area, record->pixels->width(), record->pixels->height())) return;
    HDC dc = GetDC(record->hwnd);
    if (!dc) return;
    HBRUSH brush = CreateSolidBrush(RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF));
    const RECT r = toRECT(area);
    FillRect(dc, &r, brush);
    DeleteObject(brush);
    ReleaseDC(record->hwnd, dc);
    GdiFlush();
    showNow();
}

std::uint32_t Win32Platform::buttonFaceColour() const {
    const COLORREF bgr = GetSysColor(COLOR_BTNFACE);
    return (static_cast<std::uint32_t>(GetRValue(bgr)) << 16) | (static_cast<std::uint32_t>(GetGValue(bgr)) << 8) |
           GetBValue(bgr);
}

}  // namespace love::platform::win32
