// Top-level windows and child surfaces: creation, window-manager hints, placement, visibility.
#include <X11/Xatom.h>
#include <X11/extensions/shape.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "platform/host_text.h"
#include "platform/utf8.h"
#include "platform/x11/x11_platform.h"

namespace love::platform::x11 {

namespace {

constexpr long kWindowEvents = ExposureMask | KeyPressMask | ButtonPressMask | ButtonReleaseMask | StructureNotifyMask |
                               FocusChangeMask | PropertyChangeMask;
constexpr long kSurfaceEvents = ExposureMask | KeyPressMask | ButtonPressMask | ButtonReleaseMask;

unsigned int atLeastOne(std::int32_t value) { return static_cast<unsigned int>(std::max(value, 1)); }

bool borderless(const WindowStyle& style) { return !style.caption && !style.dialogFrame && !style.sizingFrame; }

}  // namespace

WindowRecord* X11Platform::find(NativeHandle handle) {
    auto it = windows_.find(handle);
    return it == windows_.end() ? nullptr : &it->second;
}

const WindowRecord* X11Platform::find(NativeHandle handle) const {
    auto it = windows_.find(handle);
    return it == windows_.end() ? nullptr : &it->second;
}

NativeHandle X11Platform::handleOf(::Window xid) const {
    // Handles are the X window ids themselves (29 bits), so tools such as xdotool name the same windows.
    return windows_.count(static_cast<NativeHandle>(xid)) != 0 ? static_cast<NativeHandle>(xid) : 0;
}

WindowRecord* X11Platform::topLevelOf(::Window xid) {
    WindowRecord* record = find(static_cast<NativeHandle>(xid));
    if (record != nullptr && record->isSurface) record = find(record->parent);
    return record;
}

bool X11Platform::isWindow(NativeHandle handle) const {
    const WindowRecord* record = find(handle);
    return record != nullptr && !record->isSurface;
}

NativeHandle X11Platform::createWindow(const WindowSpec& windowSpec) {
    if (!live()) return 0;
    XSetWindowAttributes attributes{};
    attributes.background_pixmap = None;  // no server-side clearing: the client pixels are the content
    attributes.border_pixel = 0;
    attributes.backing_store = WhenMapped;
    attributes.event_mask = kWindowEvents;
    attributes.colormap = XCreateColormap(display_, root_, visual_, AllocNone);
    const ::Window xid =
        XCreateWindow(display_, root_, windowSpec.rect.x, windowSpec.rect.y, atLeastOne(windowSpec.rect.width),
                      atLeastOne(windowSpec.rect.height), 0, depth_, InputOutput, visual_,
                      CWBackPixmap | CWBorderPixel | CWBackingStore | CWEventMask | CWColormap, &attributes);
    if (xid == 0) return 0;
    const NativeHandle handle = static_cast<NativeHandle>(xid);
    WindowRecord& record = windows_[handle];
    record.xid = xid;
    record.rect = windowSpec.rect;
    record.style = windowSpec.style;
    record.owner = find(windowSpec.owner) != nullptr ? windowSpec.owner : 0;
    record.enabled = !windowSpec.style.disabled;
    record.image =
        ClientImage::create(display_, visual_, depth_, shmAvailable_, windowSpec.rect.width, windowSpec.rect.height);
    if (!record.image) {
        XDestroyWindow(display_, xid);
        windows_.erase(handle);
        return 0;
    }
    setWindowProperties(record, windowSpec);
    if (windowSpec.rect.width <= 0 || windowSpec.rect.height <= 0) {
        // X has no empty windows: an empty region stands in for the missing area.
        XShapeCombineRectangles(display_, xid, ShapeBounding, 0, 0, nullptr, 0, ShapeSet, Unsorted);
    }
    XFlush(display_);
    return handle;
}

void X11Platform::setWindowProperties(WindowRecord& record, const WindowSpec& windowSpec) {
    const ::Window xid = record.xid;
    const std::string title = toUtf8(host::decodeGbk(windowSpec.title));
    XStoreName(display_, xid, title.c_str());
    XChangeProperty(display_, xid, atoms_.netWmName, atoms_.utf8String, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(title.data()), static_cast<int>(title.size()));

    std::string className =
        windowSpec.windowClass.empty() ? std::string("LoveShow") : toUtf8(host::decodeGbk(windowSpec.windowClass));
    std::string instanceName = "love-show";
    XClassHint classHint{instanceName.data(), className.data()};
    XSetClassHint(display_, xid, &classHint);

    Atom protocols[] = {atoms_.wmDeleteWindow};
    XSetWMProtocols(display_, xid, protocols, 1);

    XWMHints hints{};
    hints.flags = InputHint | StateHint;
    hints.input = True;
    hints.initial_state = windowSpec.style.startMinimised ? IconicState : NormalState;
    XSetWMHints(display_, xid, &hints);

    XSizeHints sizeHints{};
    sizeHints.flags = USPosition | USSize | PPosition | PSize;
    sizeHints.x = windowSpec.rect.x;
    sizeHints.y = windowSpec.rect.y;
    sizeHints.width = static_cast<int>(atLeastOne(windowSpec.rect.width));
    sizeHints.height = static_cast<int>(atLeastOne(windowSpec.rect.height));
    XSetWMNormalHints(display_, xid, &sizeHints);

    // Motif hints are how a client asks the window manager for no frame at all.
    const long motifHints[5] = {2 /* decorations given */, 0, borderless(windowSpec.style) ? 0 : 1, 0, 0};
    XChangeProperty(display_, xid, atoms_.motifWmHints, atoms_.motifWmHints, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(motifHints), 5);

    if (windowSpec.icon.width > 0 && windowSpec.icon.height > 0 &&
        windowSpec.icon.argb.size() >=
            static_cast<std::size_t>(windowSpec.icon.width) * static_cast<std::size_t>(windowSpec.icon.height)) {
        // Format-32 properties are longs on the client side, whatever their width.
        std::vector<long> icon;
        icon.reserve(2 + windowSpec.icon.argb.size());
        icon.push_back(windowSpec.icon.width);
        icon.push_back(windowSpec.icon.height);
        for (std::size_t i = 0;
             i < static_cast<std::size_t>(windowSpec.icon.width) * static_cast<std::size_t>(windowSpec.icon.height);
             ++i) {
            icon.push_back(static_cast<long>(windowSpec.icon.argb[i]));
        }
        XChangeProperty(display_, xid, atoms_.netWmIcon, XA_CARDINAL, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(icon.data()), static_cast<int>(icon.size()));
    }
    const long pid = static_cast<long>(getpid());
    XChangeProperty(display_, xid, atoms_.netWmPid, XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&pid), 1);

    std::vector<Atom> states;
    if (record.owner != 0) {
        XSetTransientForHint(display_, xid, find(record.owner)->xid);
    }
    if (record.owner != 0 || windowSpec.style.toolWindow) states.push_back(atoms_.netWmStateSkipTaskbar);
    if (windowSpec.style.topmost) states.push_back(atoms_.netWmStateAbove);
    if (borderless(windowSpec.style) && windowSpec.rect == primaryMonitor())
        states.push_back(atoms_.netWmStateFullscreen);
    XChangeProperty(display_, xid, atoms_.netWmState, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(states.data()), static_cast<int>(states.size()));
}

void X11Platform::setFullscreenHint(WindowRecord& record, bool fullscreen) {
    // A window of exactly the primary monitor's rectangle covers it, panels included. Without a
    // window manager the geometry alone does that; with one, the fullscreen state asks for it.
    if (!record.mapped || !windowManagerPresent()) {
        // Unmapped: the window manager reads _NET_WM_STATE when it maps the window.
        Atom type = None;
        int format = 0;
        unsigned long items = 0, after = 0;
        unsigned char* data = nullptr;
        std::vector<Atom> states;
        if (XGetWindowProperty(display_, record.xid, atoms_.netWmState, 0, 32, False, XA_ATOM, &type, &format, &items,
                               &after, &data) == Success &&
            data != nullptr) {
            const Atom* existing = reinterpret_cast<const Atom*>(data);
            for (unsigned long i = 0; i < items; ++i) {
                if (existing[i] != atoms_.netWmStateFullscreen) states.push_back(existing[i]);
            }
        }
        if (data != nullptr) XFree(data);
        if (fullscreen) states.push_back(atoms_.netWmStateFullscreen);
        XChangeProperty(display_, record.xid, atoms_.netWmState, XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(states.data()), static_cast<int>(states.size()));
        return;
    }
    XEvent message{};
    message.xclient.type = ClientMessage;
    message.xclient.window = record.xid;
    message.xclient.message_type = atoms_.netWmState;
    message.xclient.format = 32;
    message.xclient.data.l[0] = fullscreen ? 1 : 0;  // add / remove
    message.xclient.data.l[1] = static_cast<long>(atoms_.netWmStateFullscreen);
    message.xclient.data.l[3] = 1;  // from an application
    XSendEvent(display_, root_, False, SubstructureRedirectMask | SubstructureNotifyMask, &message);
}

NativeHandle X11Platform::createSurface(NativeHandle parentHandle, Rect rect, bool visible) {
    WindowRecord* parent = find(parentHandle);
    if (!live() || parent == nullptr || parent->isSurface) return 0;
    XSetWindowAttributes attributes{};
    attributes.background_pixmap = None;
    attributes.border_pixel = 0;
    // A store of its own: the top-level window's store does not cover its children, and without
    // one every change of the colour-key region throws away surface pixels presented earlier
    // (roses cut off where a later one's rectangle fell, lines that never showed).
    attributes.backing_store = WhenMapped;
    attributes.event_mask = kSurfaceEvents;
    const ::Window xid =
        XCreateWindow(display_, parent->xid, rect.x, rect.y, atLeastOne(rect.width), atLeastOne(rect.height), 0, depth_,
                      InputOutput, visual_, CWBackPixmap | CWBorderPixel | CWBackingStore | CWEventMask, &attributes);
    if (xid == 0) return 0;
    // New children go on top in X; in the descriptions the first control lies on top.
    XLowerWindow(display_, xid);
    const NativeHandle handle = static_cast<NativeHandle>(xid);
    WindowRecord record;
    record.xid = xid;
    record.isSurface = true;
    record.parent = parentHandle;
    record.rect = rect;
    record.visible = visible;
    record.image = ClientImage::create(display_, visual_, depth_, shmAvailable_, rect.width, rect.height);
    if (!record.image) {
        XDestroyWindow(display_, xid);
        return 0;
    }
    windows_.emplace(handle, std::move(record));
    parent = find(parentHandle);  // the map may have moved nothing, but stay safe
    parent->surfaces.push_back(handle);
    if (visible && rect.width > 0 && rect.height > 0) XMapWindow(display_, xid);
    if (parent->colourKeyed && visible) updateShapeArea(*parent, rect);
    XFlush(display_);
    return handle;
}

void X11Platform::forgetRecord(NativeHandle handle) {
    for (auto it = timers_.begin(); it != timers_.end();) {
        it = it->first.first == handle ? timers_.erase(it) : std::next(it);
    }
    // A request posted to a window that is gone is never delivered.
    std::erase_if(posted_, [handle](const Posted& posted) {
        return posted.kind == Posted::Kind::Destroy && posted.window == handle;
    });
    if (focused_ == handle) focused_ = 0;
    libraries_.forgetWindow(handle);
    windows_.erase(handle);
}

void X11Platform::destroy(NativeHandle handle) {
    WindowRecord* record = find(handle);
    if (record == nullptr) return;
    if (record->isSurface) {
        const NativeHandle parentHandle = record->parent;
        const Rect area = record->rect;
        const bool wasVisible = record->visible;
        if (live()) XDestroyWindow(display_, record->xid);
        forgetRecord(handle);
        if (WindowRecord* parent = find(parentHandle)) {
            std::erase(parent->surfaces, handle);
            if (parent->colourKeyed && wasVisible && live()) updateShapeArea(*parent, area);
        }
        if (live()) XFlush(display_);
        return;
    }
    // Owned windows go with their owner.
    std::vector<NativeHandle> owned;
    for (const auto& [other, otherRecord] : windows_) {
        if (!otherRecord.isSurface && otherRecord.owner == handle) owned.push_back(other);
    }
    for (NativeHandle other : owned) destroy(other);
    record = find(handle);
    if (record == nullptr) return;
    const std::vector<NativeHandle> surfaces = record->surfaces;
    if (live()) XDestroyWindow(display_, record->xid);  // its child windows go with it
    for (NativeHandle surface : surfaces) forgetRecord(surface);
    forgetRecord(handle);
    if (live()) XFlush(display_);
}

void X11Platform::raiseOwnedAbove(NativeHandle owner) {
    for (auto& [handle, record] : windows_) {
        if (!record.isSurface && record.owner == owner && record.visible) {
            XRaiseWindow(display_, record.xid);
            raiseOwnedAbove(handle);
        }
    }
}

void X11Platform::show(NativeHandle handle, ShowCommand command) {
    WindowRecord* record = find(handle);
    if (!live() || record == nullptr || record->isSurface) return;
    const bool wm = windowManagerPresent();
    switch (command) {
        case ShowCommand::Hide:
            if (wm) {
                XWithdrawWindow(display_, record->xid, screen_);
            } else {
                XUnmapWindow(display_, record->xid);
            }
            record->visible = false;
            break;
        case ShowCommand::Minimised:
            record->minimised = true;
            record->visible = true;
            if (wm) {
                if (!record->mapped) {
                    XWMHints hints{};
                    hints.flags = InputHint | StateHint;
                    hints.input = True;
                    hints.initial_state = IconicState;
                    XSetWMHints(display_, record->xid, &hints);
                    XMapWindow(display_, record->xid);
                } else {
                    XIconifyWindow(display_, record->xid, screen_);
                }
            } else {
                XUnmapWindow(display_, record->xid);  // no window manager, no icons: out of sight
            }
            break;
        case ShowCommand::Maximised:
        case ShowCommand::Normal: {
            const bool maximise = command == ShowCommand::Maximised;
            if (maximise && !wm) {
                const Rect monitor = primaryMonitor();
                record->rect = monitor;
                record->configureSerial = NextRequest(display_);
                XMoveResizeWindow(display_, record->xid, monitor.x, monitor.y, atLeastOne(monitor.width),
                                  atLeastOne(monitor.height));
                resizeImage(*record, monitor.width, monitor.height);
            } else if (wm && (maximise || record->maximised) && record->mapped) {
                XEvent message{};
                message.xclient.type = ClientMessage;
                message.xclient.window = record->xid;
                message.xclient.message_type = atoms_.netWmState;
                message.xclient.format = 32;
                message.xclient.data.l[0] = maximise ? 1 : 0;
                message.xclient.data.l[1] = static_cast<long>(atoms_.netWmStateMaximisedVert);
                message.xclient.data.l[2] = static_cast<long>(atoms_.netWmStateMaximisedHorz);
                message.xclient.data.l[3] = 1;
                XSendEvent(display_, root_, False, SubstructureRedirectMask | SubstructureNotifyMask, &message);
            }
            record->maximised = maximise;
            if (record->colourKeyed) rebuildShape(*record);  // in place before the window appears
            XMapRaised(display_, record->xid);
            record->minimised = false;
            record->visible = true;
            activate(handle);
            break;
        }
    }
    XFlush(display_);
}

void X11Platform::activate(NativeHandle handle) {
    WindowRecord* record = find(handle);
    if (!live() || record == nullptr || record->isSurface || !record->visible) return;
    if (windowManagerPresent()) {
        XEvent message{};
        message.xclient.type = ClientMessage;
        message.xclient.window = record->xid;
        message.xclient.message_type = atoms_.netActiveWindow;
        message.xclient.format = 32;
        message.xclient.data.l[0] = 1;  // from an application
        message.xclient.data.l[1] = CurrentTime;
        XSendEvent(display_, root_, False, SubstructureRedirectMask | SubstructureNotifyMask, &message);
        XRaiseWindow(display_, record->xid);
        if (record->mapped) XSetInputFocus(display_, record->xid, RevertToParent, CurrentTime);
    } else {
        XRaiseWindow(display_, record->xid);
        XSetInputFocus(display_, record->xid, RevertToParent, CurrentTime);
    }
    focused_ = handle;
    // Owned windows stay above their owner.
    raiseOwnedAbove(handle);
    XFlush(display_);
}

void X11Platform::resizeImage(WindowRecord& record, std::int32_t width, std::int32_t height) {
    if (record.image && record.image->width() == width && record.image->height() == height) return;
    auto image = ClientImage::create(display_, visual_, depth_, shmAvailable_, width, height);
    if (!image) return;  // keeps the old pixels; nothing better can be done without memory
    if (record.image) {
        const PixelView from = record.image->view(), to = image->view();
        const std::int32_t rows = std::min(from.height, to.height), columns = std::min(from.width, to.width);
        for (std::int32_t y = 0; y < rows; ++y)
            std::memcpy(&to.at(0, y), &from.at(0, y), static_cast<std::size_t>(columns) * 4);
    }
    record.image = std::move(image);
}

void X11Platform::setRect(NativeHandle handle, Rect rect) {
    WindowRecord* record = find(handle);
    if (!live() || record == nullptr) return;
    const Rect old = record->rect;
    record->rect = rect;
    if (record->isSurface) {
        WindowRecord* parent = find(record->parent);
        XMoveResizeWindow(display_, record->xid, rect.x, rect.y, atLeastOne(rect.width), atLeastOne(rect.height));
        const bool empty = rect.width <= 0 || rect.height <= 0;
        if (empty) {
            XUnmapWindow(display_, record->xid);
        } else if (record->visible) {
            XMapWindow(display_, record->xid);
        }
        resizeImage(*record, rect.width, rect.height);
        if (parent != nullptr && parent->colourKeyed && record->visible) {
            updateShapeArea(*parent, old);
            updateShapeArea(*parent, rect);
        }
        XFlush(display_);
        return;
    }
    record->configureSerial = NextRequest(display_);
    XMoveResizeWindow(display_, record->xid, rect.x, rect.y, atLeastOne(rect.width), atLeastOne(rect.height));
    XSizeHints sizeHints{};
    sizeHints.flags = USPosition | USSize | PPosition | PSize;
    sizeHints.x = rect.x;
    sizeHints.y = rect.y;
    sizeHints.width = static_cast<int>(atLeastOne(rect.width));
    sizeHints.height = static_cast<int>(atLeastOne(rect.height));
    XSetWMNormalHints(display_, record->xid, &sizeHints);
    if (borderless(record->style)) setFullscreenHint(*record, rect == primaryMonitor());
    const bool sizeChanged = old.width != rect.width || old.height != rect.height;
    if (sizeChanged) resizeImage(*record, rect.width, rect.height);
    if (record->colourKeyed) {
        if (sizeChanged) rebuildShape(*record);
    } else if (rect.width <= 0 || rect.height <= 0) {
        XShapeCombineRectangles(display_, record->xid, ShapeBounding, 0, 0, nullptr, 0, ShapeSet, Unsorted);
    } else if (old.width <= 0 || old.height <= 0) {
        XShapeCombineMask(display_, record->xid, ShapeBounding, 0, 0, None, ShapeSet);
    }
    XFlush(display_);
}

Rect X11Platform::rect(NativeHandle handle) const {
    const WindowRecord* record = find(handle);
    return record != nullptr ? record->rect : Rect{};
}

bool X11Platform::isVisible(NativeHandle handle) const {
    const WindowRecord* record = find(handle);
    if (record == nullptr || !record->visible) return false;
    return record->isSurface ? isVisible(record->parent) : true;
}

bool X11Platform::isMinimised(NativeHandle handle) const {
    const WindowRecord* record = find(handle);
    return record != nullptr && record->minimised;
}

bool X11Platform::isMaximised(NativeHandle handle) const {
    const WindowRecord* record = find(handle);
    return record != nullptr && record->maximised;
}

void X11Platform::enable(NativeHandle handle, bool enabled) {
    if (WindowRecord* record = find(handle)) record->enabled = enabled;
}

void X11Platform::setVisible(NativeHandle handle, bool visible) {
    WindowRecord* record = find(handle);
    if (!live() || record == nullptr || !record->isSurface || record->visible == visible) return;
    record->visible = visible;
    if (visible && record->rect.width > 0 && record->rect.height > 0) {
        XMapWindow(display_, record->xid);
    } else {
        XUnmapWindow(display_, record->xid);
    }
    WindowRecord* parent = find(record->parent);
    if (parent != nullptr && parent->colourKeyed) updateShapeArea(*parent, record->rect);
    XFlush(display_);
}

PixelView X11Platform::pixels(NativeHandle handle) {
    WindowRecord* record = find(handle);
    if (record == nullptr || !record->image) return {};
    return record->image->view();
}

void X11Platform::setColourKey(NativeHandle handle, std::uint32_t colorref) {
    WindowRecord* record = find(handle);
    if (!live() || record == nullptr || record->isSurface) return;
    record->colourKeyed = true;
    record->keyRgb = ((colorref & 0xFFu) << 16) | (colorref & 0xFF00u) | ((colorref >> 16) & 0xFFu);
    rebuildShape(*record);
    XFlush(display_);
}

}  // namespace love::platform::x11
