#include "platform/x11/x11_message_box.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "platform/host_text.h"
#include "platform/utf8.h"
#include "platform/x11/x11_platform.h"

namespace love::platform::x11 {

namespace {

constexpr std::uint32_t kFace = 0xFFFFFF;         // the text area
constexpr std::uint32_t kButtonStrip = 0xF0F0F0;  // the row of buttons
constexpr std::uint32_t kButtonFace = 0xE1E1E1;
constexpr std::uint32_t kButtonEdge = 0xADADAD;
constexpr std::uint32_t kFocusEdge = 0x0078D7;
constexpr std::uint32_t kFocusFace = 0xE5F1FB;
constexpr std::uint32_t kPressedFace = 0xCCE4F7;
constexpr std::uint32_t kTitleBar = 0x2B579A;
constexpr std::uint32_t kInk = 0x000000;
constexpr int kTitleBarHeight = 28;
constexpr int kButtonWidth = 88;
constexpr int kButtonHeight = 28;
constexpr int kButtonGap = 10;
constexpr int kStripHeight = kButtonHeight + 2 * 12;
constexpr int kIconSize = 32;
constexpr int kMargin = 22;

// Button labels, GBK.
std::string_view labelOf(int id) {
    switch (id) {
        case kIdOk:
            return "\xC8\xB7\xB6\xA8";  // 确定
        case kIdCancel:
            return "\xC8\xA1\xCF\xFB";  // 取消
        case kIdAbort:
            return "\xD6\xD0\xD6\xB9(A)";  // 中止(A)
        case kIdRetry:
            return "\xD6\xD8\xCA\xD4(R)";  // 重试(R)
        case kIdIgnore:
            return "\xBA\xF6\xC2\xD4(I)";  // 忽略(I)
        case kIdYes:
            return "\xCA\xC7(Y)";  // 是(Y)
        case kIdNo:
            return "\xB7\xF1(N)";  // 否(N)
        default:
            return "";
    }
}

// One GBK character: a lead byte 0x81..0xFE takes the next byte with it.
std::size_t gbkCharLength(std::string_view text, std::size_t at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    return (lead >= 0x81 && lead <= 0xFE && at + 1 < text.size()) ? 2 : 1;
}

std::string escapedUtf8(std::string_view gbk) {
    std::string out;
    for (char32_t c : host::decodeGbk(gbk)) {
        if (c == U'\r') {
            out += "\\r";
        } else if (c == U'\n') {
            out += "\\n";
        } else {
            out += toUtf8(std::u32string(1, c));
        }
    }
    return out;
}

void fill(PixelView view, Rect r, std::uint32_t rgb) {
    for (int y = std::max(r.y, 0); y < std::min(r.y + r.height, view.height); ++y) {
        for (int x = std::max(r.x, 0); x < std::min(r.x + r.width, view.width); ++x) view.at(x, y) = rgb;
    }
}

void frame(PixelView view, Rect r, std::uint32_t rgb, int thickness) {
    fill(view, {r.x, r.y, r.width, thickness}, rgb);
    fill(view, {r.x, r.y + r.height - thickness, r.width, thickness}, rgb);
    fill(view, {r.x, r.y, thickness, r.height}, rgb);
    fill(view, {r.x + r.width - thickness, r.y, thickness, r.height}, rgb);
}

void drawMask(PixelView view, const TextMask& mask, int left, int top, std::uint32_t rgb) {
    for (int y = 0; y < mask.height; ++y) {
        for (int x = 0; x < mask.width; ++x) {
            const int px = left + x, py = top + y;
            if (mask.coverage[static_cast<std::size_t>(y) * static_cast<std::size_t>(mask.width) +
                              static_cast<std::size_t>(x)] != 0 &&
                px >= 0 && py >= 0 && px < view.width && py < view.height) {
                view.at(px, py) = rgb;
            }
        }
    }
}

// The icons: a stop sign (a red disc with a white cross), and discs with a sign for the others.
void drawIcon(PixelView view, int left, int top, std::uint32_t iconStyle, const Font& font) {
    std::uint32_t disc = 0xE81123;
    std::string_view sign;
    if (iconStyle == 0x20) {
        disc = 0x0063B1;
        sign = "?";
    } else if (iconStyle == 0x30) {
        disc = 0xF2B600;
        sign = "!";
    } else if (iconStyle == 0x40) {
        disc = 0x0063B1;
        sign = "i";
    }
    const double centre = (kIconSize - 1) / 2.0, radius = kIconSize / 2.0 - 0.5;
    for (int y = 0; y < kIconSize; ++y) {
        for (int x = 0; x < kIconSize; ++x) {
            const double dx = x - centre, dy = y - centre;
            if (dx * dx + dy * dy > radius * radius) continue;
            std::uint32_t colour = disc;
            // The cross: two bars of width 4 along the diagonals, within a square of side 16.
            if (iconStyle == 0x10 && std::abs(dx) <= 8 && std::abs(dy) <= 8 &&
                (std::abs(dx - dy) <= 2.2 || std::abs(dx + dy) <= 2.2)) {
                colour = 0xFFFFFF;
            }
            view.at(left + x, top + y) = colour;
        }
    }
    if (!sign.empty()) {
        const TextMask mask = font.render(sign);
        drawMask(view, mask, left + (kIconSize - mask.width) / 2, top + (kIconSize - mask.height) / 2, 0xFFFFFF);
    }
}

}  // namespace

ButtonSet buttonsForStyle(std::uint32_t style) {
    ButtonSet set;
    switch (style & 0xF) {
        case 1:
            set = {{kIdOk, kIdCancel}, 0, kIdCancel};
            break;
        case 2:
            set = {{kIdAbort, kIdRetry, kIdIgnore}, 0, 0};
            break;
        case 3:
            set = {{kIdYes, kIdNo, kIdCancel}, 0, kIdCancel};
            break;
        case 4:
            set = {{kIdYes, kIdNo}, 0, 0};
            break;  // a question must be answered
        case 5:
            set = {{kIdRetry, kIdCancel}, 0, kIdCancel};
            break;
        default:
            set = {{kIdOk}, 0, kIdOk};
            break;
    }
    set.defaultIndex = std::min<std::size_t>((style >> 8) & 0xF, set.ids.size() - 1);
    return set;
}

MessageBoxWindow::MessageBoxWindow(X11Platform& platform, std::string_view gbkText, std::string_view gbkTitle,
                                   std::uint32_t style)
    : platform_(platform), display_(platform.display()), style_(style), buttons_(buttonsForStyle(style)) {
    focus_ = buttons_.defaultIndex;
    ownTitleBar_ = !platform_.windowManagerPresent();
    FontRequest request;
    request.face = "AR PL KaitiM GB";
    request.height = -17;
    request.weight = 400;
    request.charset = 134;
    font_ = host::createFont(request);
    if (std::getenv("LOVE_SHOW_TRACE_BOXES") != nullptr) {
        std::fprintf(stderr, "message box: title \"%s\" style 0x%x text \"%s\"\n", escapedUtf8(gbkTitle).c_str(), style,
                     escapedUtf8(gbkText).c_str());
        std::fflush(stderr);
    }
    layout(gbkText, gbkTitle);

    const Rect monitor = platform_.primaryMonitor();
    const int x = monitor.x + (monitor.width - size_.width) / 2, y = monitor.y + (monitor.height - size_.height) / 2;
    XSetWindowAttributes attributes{};
    attributes.background_pixmap = None;
    attributes.border_pixel = 0;
    attributes.backing_store = WhenMapped;
    attributes.event_mask = ExposureMask | KeyPressMask | ButtonPressMask | ButtonReleaseMask | StructureNotifyMask;
    attributes.colormap = XCreateColormap(display_, platform_.rootWindow(), platform_.visual(), AllocNone);
    window_ =
        XCreateWindow(display_, platform_.rootWindow(), x, y, static_cast<unsigned int>(size_.width),
                      static_cast<unsigned int>(size_.height), 0, platform_.depth(), InputOutput, platform_.visual(),
                      CWBackPixmap | CWBorderPixel | CWBackingStore | CWEventMask | CWColormap, &attributes);
    if (window_ == 0) return;
    const Atoms& atoms = platform_.atoms();
    const std::string title = toUtf8(host::decodeGbk(gbkTitle));
    XStoreName(display_, window_, title.c_str());
    XChangeProperty(display_, window_, atoms.netWmName, atoms.utf8String, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(title.data()), static_cast<int>(title.size()));
    std::string instanceName = "love-show", className = "LoveShow";
    XClassHint classHint{instanceName.data(), className.data()};
    XSetClassHint(display_, window_, &classHint);
    Atom protocols[] = {atoms.wmDeleteWindow};
    XSetWMProtocols(display_, window_, protocols, 1);
    XSizeHints sizeHints{};
    sizeHints.flags = USPosition | USSize | PMinSize | PMaxSize;
    sizeHints.x = x;
    sizeHints.y = y;
    sizeHints.width = sizeHints.min_width = sizeHints.max_width = size_.width;
    sizeHints.height = sizeHints.min_height = sizeHints.max_height = size_.height;
    XSetWMNormalHints(display_, window_, &sizeHints);
    XWMHints hints{};
    hints.flags = InputHint | StateHint;
    hints.input = True;
    hints.initial_state = NormalState;
    XSetWMHints(display_, window_, &hints);
    XChangeProperty(display_, window_, atoms.netWmWindowType, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&atoms.netWmWindowTypeDialog), 1);
    XChangeProperty(display_, window_, atoms.netWmState, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&atoms.netWmStateAbove), 1);
    gc_ = XCreateGC(display_, window_, 0, nullptr);
    image_ = ClientImage::create(display_, platform_.visual(), platform_.depth(), platform_.shmAvailable(), size_.width,
                                 size_.height);
    render();
    XMapRaised(display_, window_);
    XFlush(display_);
}

MessageBoxWindow::~MessageBoxWindow() {
    if (window_ == 0 || display_ == nullptr) return;
    image_.reset();
    XFreeGC(display_, gc_);
    XDestroyWindow(display_, window_);
    XFlush(display_);
}

void MessageBoxWindow::layout(std::string_view gbkText, std::string_view gbkTitle) {
    title_ = std::string(gbkTitle);
    lineHeight_ = font_->cellHeight() + 4;
    const Rect monitor = platform_.primaryMonitor();
    const int maxTextWidth = std::clamp(monitor.width * 5 / 8 - 2 * kMargin - kIconSize, 200, 900);

    // Paragraphs at CR, LF or CR LF; each wrapped at the last character that still fits.
    int widest = 0;
    std::size_t start = 0;
    while (start <= gbkText.size()) {
        std::size_t end = start;
        while (end < gbkText.size() && gbkText[end] != '\r' && gbkText[end] != '\n') end += gbkCharLength(gbkText, end);
        std::string_view paragraph = gbkText.substr(start, end - start);
        std::size_t lineStart = 0;
        do {
            std::size_t lineEnd = lineStart, fits = lineStart;
            while (lineEnd < paragraph.size()) {
                lineEnd += gbkCharLength(paragraph, lineEnd);
                if (font_->render(paragraph.substr(lineStart, lineEnd - lineStart)).width > maxTextWidth &&
                    fits > lineStart)
                    break;
                fits = lineEnd;
            }
            const std::string line(paragraph.substr(lineStart, fits - lineStart));
            widest = std::max(widest, font_->render(line).width);
            lines_.push_back(line);
            lineStart = fits;
        } while (lineStart < paragraph.size());
        if (end >= gbkText.size()) break;
        start = end + ((gbkText[end] == '\r' && end + 1 < gbkText.size() && gbkText[end + 1] == '\n') ? 2 : 1);
    }
    // A text ending in a line break leaves no empty last line behind.
    while (lines_.size() > 1 && lines_.back().empty()) lines_.pop_back();

    const bool icon = (style_ & 0xF0) != 0;
    const int titleHeight = ownTitleBar_ ? kTitleBarHeight : 0;
    const int textLeft = kMargin + (icon ? kIconSize + 14 : 0);
    const int textHeight = static_cast<int>(lines_.size()) * lineHeight_;
    const int contentHeight = std::max(textHeight, icon ? kIconSize : 0);
    const int buttonsWidth = static_cast<int>(buttons_.ids.size()) * (kButtonWidth + kButtonGap) - kButtonGap;
    const int titleWidth = ownTitleBar_ ? font_->render(title_).width + 40 : 0;
    size_.width = std::max({textLeft + widest + kMargin, buttonsWidth + 2 * kMargin, titleWidth, 220});
    size_.height = titleHeight + kMargin + contentHeight + kMargin + kStripHeight;
    textArea_ = {textLeft, titleHeight + kMargin + (contentHeight - textHeight) / 2, widest, textHeight};
    int x = size_.width - kMargin - buttonsWidth + 0;
    if (buttons_.ids.size() == 1) x = size_.width - kMargin - kButtonWidth;
    for (int id : buttons_.ids) {
        buttonRects_.push_back({id, Rect{x, size_.height - kStripHeight + (kStripHeight - kButtonHeight) / 2,
                                         kButtonWidth, kButtonHeight}});
        x += kButtonWidth + kButtonGap;
    }
}

void MessageBoxWindow::render() {
    if (!image_) return;
    const PixelView view = image_->view();
    fill(view, {0, 0, size_.width, size_.height}, kFace);
    const int titleHeight = ownTitleBar_ ? kTitleBarHeight : 0;
    if (ownTitleBar_) {
        fill(view, {0, 0, size_.width, kTitleBarHeight}, kTitleBar);
        const TextMask mask = font_->render(title_);
        drawMask(view, mask, 10, (kTitleBarHeight - mask.height) / 2, 0xFFFFFF);
    }
    if ((style_ & 0xF0) != 0)
        drawIcon(view, kMargin, titleHeight + kMargin + std::max(0, (textArea_.height - kIconSize) / 2), style_ & 0xF0,
                 *font_);
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        drawMask(view, font_->render(lines_[i]), textArea_.x, textArea_.y + static_cast<int>(i) * lineHeight_ + 2,
                 kInk);
    }
    fill(view, {0, size_.height - kStripHeight, size_.width, kStripHeight}, kButtonStrip);
    for (std::size_t i = 0; i < buttonRects_.size(); ++i) {
        const Rect r = buttonRects_[i].rect;
        const bool focused = i == focus_;
        fill(view, r, pressed_ == static_cast<int>(i) ? kPressedFace : focused ? kFocusFace : kButtonFace);
        frame(view, r, focused ? kFocusEdge : kButtonEdge, focused ? 2 : 1);
        const TextMask label = font_->render(labelOf(buttonRects_[i].id));
        drawMask(view, label, r.x + (r.width - label.width) / 2, r.y + (r.height - label.height) / 2, kInk);
    }
    frame(view, {0, 0, size_.width, size_.height}, ownTitleBar_ ? kTitleBar : kButtonEdge, 1);
}

void MessageBoxWindow::paint() {
    if (!image_) return;
    image_->put(window_, gc_, {0, 0, size_.width, size_.height});
    XSync(display_, False);
}

void MessageBoxWindow::choose(int id) {
    result_ = id;
    if (std::getenv("LOVE_SHOW_TRACE_BOXES") != nullptr) {
        std::fprintf(stderr, "message box: answered %d\n", id);
        std::fflush(stderr);
    }
}

void MessageBoxWindow::moveFocus(int step) {
    const int count = static_cast<int>(buttonRects_.size());
    focus_ = static_cast<std::size_t>(((static_cast<int>(focus_) + step) % count + count) % count);
    render();
    paint();
}

int MessageBoxWindow::buttonAt(int x, int y) const {
    for (std::size_t i = 0; i < buttonRects_.size(); ++i) {
        const Rect r = buttonRects_[i].rect;
        if (x >= r.x && y >= r.y && x < r.x + r.width && y < r.y + r.height) return static_cast<int>(i);
    }
    return -1;
}

void MessageBoxWindow::handle(XEvent& event) {
    switch (event.type) {
        case Expose:
            if (event.xexpose.count == 0) paint();
            break;
        case MapNotify:
            XSetInputFocus(display_, window_, RevertToParent, CurrentTime);
            paint();
            break;
        case KeyPress: {
            const KeySym key = XLookupKeysym(&event.xkey, 0);
            auto pick = [this](int id) {
                if (std::find(buttons_.ids.begin(), buttons_.ids.end(), id) != buttons_.ids.end()) choose(id);
            };
            switch (key) {
                case XK_Return:
                case XK_KP_Enter:
                case XK_space:
                    choose(buttonRects_[focus_].id);
                    break;
                case XK_Tab:
                    moveFocus((event.xkey.state & ShiftMask) != 0 ? -1 : 1);
                    break;
                case XK_ISO_Left_Tab:
                case XK_Left:
                case XK_Up:
                    moveFocus(-1);
                    break;
                case XK_Right:
                case XK_Down:
                    moveFocus(1);
                    break;
                case XK_Escape:
                    if (buttons_.closeResult != 0) choose(buttons_.closeResult);
                    break;
                case XK_y:
                    pick(kIdYes);
                    break;
                case XK_n:
                    pick(kIdNo);
                    break;
                case XK_a:
                    pick(kIdAbort);
                    break;
                case XK_r:
                    pick(kIdRetry);
                    break;
                case XK_i:
                    pick(kIdIgnore);
                    break;
                default:
                    break;
            }
            break;
        }
        case ButtonPress:
            if (event.xbutton.button == Button1) {
                pressed_ = buttonAt(event.xbutton.x, event.xbutton.y);
                if (pressed_ >= 0) {
                    focus_ = static_cast<std::size_t>(pressed_);
                    render();
                    paint();
                }
            }
            break;
        case ButtonRelease:
            if (event.xbutton.button == Button1 && pressed_ >= 0) {
                const int released = buttonAt(event.xbutton.x, event.xbutton.y);
                const int wasPressed = pressed_;
                pressed_ = -1;
                if (released == wasPressed) {
                    choose(buttonRects_[static_cast<std::size_t>(released)].id);
                } else {
                    render();
                    paint();
                }
            }
            break;
        case ClientMessage:
            if (event.xclient.message_type == platform_.atoms().wmProtocols &&
                static_cast<Atom>(event.xclient.data.l[0]) == platform_.atoms().wmDeleteWindow &&
                buttons_.closeResult != 0) {
                choose(buttons_.closeResult);
            }
            break;
        default:
            break;
    }
}

int X11Platform::messageBox(std::string_view gbkText, std::string_view gbkTitle, std::uint32_t style) {
    if (!live()) return 0;
    MessageBoxWindow box(*this, gbkText, gbkTitle, style);
    if (!box.valid()) return 0;
    MessageBoxWindow* outer = openBox_;
    openBox_ = &box;
    while (!box.done() && live()) runModalStep(box);
    openBox_ = outer;
    return box.result();
}

}  // namespace love::platform::x11
