// X11 has no standard message box, so this is ours: a small dialog centred on the primary
// monitor with a title, the text wrapped in a CJK face, an optional icon and the buttons the
// style word selects, answered with the keyboard or the mouse.
#pragma once

#include <X11/Xlib.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/x11/x11_image.h"

namespace love::platform::x11 {

class X11Platform;

// The Win32 button ids a box returns.
enum ButtonId : int { kIdOk = 1, kIdCancel = 2, kIdAbort = 3, kIdRetry = 4, kIdIgnore = 5, kIdYes = 6, kIdNo = 7 };

// Which buttons a style word gives, which one has the focus first, and what closing the box
// without choosing means (0: it cannot be closed that way). Pure, so it can be tested alone.
struct ButtonSet {
    std::vector<int> ids;
    std::size_t defaultIndex = 0;
    int closeResult = 0;
};
ButtonSet buttonsForStyle(std::uint32_t style);

class MessageBoxWindow {
public:
    MessageBoxWindow(X11Platform& platform, std::string_view gbkText, std::string_view gbkTitle, std::uint32_t style);
    ~MessageBoxWindow();
    MessageBoxWindow(const MessageBoxWindow&) = delete;
    MessageBoxWindow& operator=(const MessageBoxWindow&) = delete;

    bool valid() const { return window_ != 0; }
    bool owns(::Window window) const { return window != 0 && window == window_; }
    void handle(XEvent& event);
    bool done() const { return result_ != 0; }
    int result() const { return result_; }

private:
    struct Button {
        int id;
        Rect rect;
    };
    void layout(std::string_view gbkText, std::string_view gbkTitle);
    void render();
    void paint();
    void choose(int id);
    void moveFocus(int step);
    int buttonAt(int x, int y) const;

    X11Platform& platform_;
    Display* display_;
    std::uint32_t style_;
    ButtonSet buttons_;
    std::vector<Button> buttonRects_;
    std::size_t focus_ = 0;
    int pressed_ = -1;
    int result_ = 0;
    bool ownTitleBar_ = false;  // without a window manager the box draws its own title bar
    std::unique_ptr<Font> font_;
    std::vector<std::string> lines_;  // GBK, wrapped
    std::string title_;               // GBK
    Size size_;
    Rect textArea_;
    int lineHeight_ = 0;
    ::Window window_ = 0;
    GC gc_ = nullptr;
    std::unique_ptr<ClientImage> image_;
};

}  // namespace love::platform::x11
