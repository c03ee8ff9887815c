// The UI thread's queue: X events and posted requests first, timer ticks only when nothing else
// waits (at most one per timer, never piling up), and a poll() on the X connection and the signal
// pipe with the time-out to the next due timer in between, so an idle program uses no CPU.
#include <X11/Xatom.h>
#include <X11/keysym.h>
#include <poll.h>

#include <algorithm>
#include <limits>

#include "platform/x11/x11_message_box.h"
#include "platform/x11/x11_platform.h"

namespace love::platform::x11 {

void X11Platform::postDestroyRequest(NativeHandle window) { posted_.push_back({Posted::Kind::Destroy, window}); }

void X11Platform::postQuit() { posted_.push_back({Posted::Kind::Quit, 0}); }

void X11Platform::startTimer(NativeHandle window, std::uint32_t timerId, std::uint32_t periodMs) {
    periodMs = std::max<std::uint32_t>(periodMs, 1);
    timers_[{window, timerId}] = Timer{periodMs, Clock::now() + std::chrono::milliseconds(periodMs)};
}

void X11Platform::stopTimer(NativeHandle window, std::uint32_t timerId) { timers_.erase({window, timerId}); }

int X11Platform::millisecondsToNextTimer() const {
    if (timers_.empty()) return -1;
    auto next = Clock::time_point::max();
    for (const auto& [key, timer] : timers_) next = std::min(next, timer.due);
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(next - Clock::now()).count();
    return static_cast<int>(std::clamp<long long>(wait, 0, std::numeric_limits<int>::max()));
}

bool X11Platform::deliverDueTimer() {
    const auto now = Clock::now();
    auto due = timers_.end();
    for (auto it = timers_.begin(); it != timers_.end(); ++it) {
        if (it->second.due <= now && (due == timers_.end() || it->second.due < due->second.due)) due = it;
    }
    if (due == timers_.end()) return false;
    // The next tick is a period after this delivery, however late it is: ticks never pile up.
    due->second.due = now + std::chrono::milliseconds(due->second.periodMs);
    const auto [window, timerId] = due->first;
    if (sink_ != nullptr) sink_->timerTicked(window, timerId);
    return true;
}

void X11Platform::waitForInput(int timeoutMs) {
    if (!live()) return;
    XFlush(display_);
    pollfd fds[2] = {{ConnectionNumber(display_), POLLIN, 0}, {signalPipe_[0], POLLIN, 0}};
    ::poll(fds, 2, timeoutMs);
}

bool X11Platform::waitAndDispatch() {
    for (;;) {
        checkSignals();
        if (!posted_.empty()) {
            const Posted request = posted_.front();
            posted_.pop_front();
            if (request.kind == Posted::Kind::Quit) return false;
            if (find(request.window) != nullptr && sink_ != nullptr) sink_->destroyRequested(request.window);
            return true;
        }
        if (live() && XPending(display_) > 0) {
            XEvent event;
            XNextEvent(display_, &event);
            handleEvent(event, openBox_);
            return true;
        }
        if (deliverDueTimer()) return true;
        waitForInput(millisecondsToNextTimer());
    }
}

void X11Platform::dispatchPending() {
    checkSignals();
    // Only what waits now: what the handlers post meanwhile waits for the next turn.
    for (std::size_t waiting = posted_.size(); waiting > 0 && !posted_.empty(); --waiting) {
        if (posted_.front().kind == Posted::Kind::Quit) break;  // stays queued for the loop
        const Posted request = posted_.front();
        posted_.pop_front();
        if (find(request.window) != nullptr && sink_ != nullptr) sink_->destroyRequested(request.window);
    }
    if (live()) {
        for (int waiting = XPending(display_); waiting > 0 && live(); --waiting) {
            XEvent event;
            XNextEvent(display_, &event);
            handleEvent(event, openBox_);
        }
    }
    std::vector<std::pair<NativeHandle, std::uint32_t>> due;
    const auto now = Clock::now();
    for (const auto& [key, timer] : timers_) {
        if (timer.due <= now) due.push_back(key);
    }
    for (const auto& key : due) {
        auto it = timers_.find(key);
        if (it == timers_.end()) continue;  // stopped by an earlier tick's handler
        it->second.due = Clock::now() + std::chrono::milliseconds(it->second.periodMs);
        if (sink_ != nullptr) sink_->timerTicked(key.first, key.second);
    }
}

void X11Platform::runModalStep(MessageBoxWindow& box) {
    checkSignals();
    if (live() && XPending(display_) > 0) {
        XEvent event;
        XNextEvent(display_, &event);
        handleEvent(event, &box);
        return;
    }
    if (!posted_.empty() && posted_.front().kind == Posted::Kind::Destroy) {
        const Posted request = posted_.front();
        posted_.pop_front();
        if (find(request.window) != nullptr && sink_ != nullptr) sink_->destroyRequested(request.window);
        return;
    }
    if (deliverDueTimer()) return;
    waitForInput(millisecondsToNextTimer());
}

void X11Platform::handleEvent(XEvent& event, MessageBoxWindow* modal) {
    if (modal != nullptr && modal->owns(event.xany.window)) {
        modal->handle(event);
        return;
    }
    const NativeHandle handle = handleOf(event.xany.window);
    if (handle == 0 || sink_ == nullptr) return;
    WindowRecord* record = find(handle);
    switch (event.type) {
        case Expose:
            sink_->paintRequested(handle,
                                  Rect{event.xexpose.x, event.xexpose.y, event.xexpose.width, event.xexpose.height});
            break;
        case KeyPress: {
            if (modal != nullptr) break;  // a box is modal to every window of the program
            const KeySym key = XLookupKeysym(&event.xkey, 0);
            WindowRecord* topLevel = topLevelOf(event.xkey.window);
            if (key == XK_Escape && topLevel != nullptr && topLevel->enabled) {
                sink_->closeRequested(static_cast<NativeHandle>(topLevel->xid), CloseCause::EscapeKey);
            }
            break;
        }
        case ClientMessage:
            if (modal == nullptr && event.xclient.message_type == atoms_.wmProtocols &&
                static_cast<Atom>(event.xclient.data.l[0]) == atoms_.wmDeleteWindow && !record->isSurface) {
                sink_->closeRequested(handle, CloseCause::CloseBox);
            }
            break;
        case MapNotify:
            record->mapped = true;
            if (focused_ == handle) XSetInputFocus(display_, record->xid, RevertToParent, CurrentTime);
            break;
        case UnmapNotify:
            record->mapped = false;
            break;
        case FocusIn:
            if (!record->isSurface && event.xfocus.mode == NotifyNormal) focused_ = handle;
            break;
        case ConfigureNotify: {
            if (record->isSurface || event.xconfigure.serial < record->configureSerial) break;
            Rect now{event.xconfigure.x, event.xconfigure.y, event.xconfigure.width, event.xconfigure.height};
            if (!event.xconfigure.send_event) {
                // A reparenting window manager reports the position inside its frame.
                ::Window child = 0;
                XTranslateCoordinates(display_, record->xid, root_, 0, 0, &now.x, &now.y, &child);
            }
            const Rect asked = record->rect;
            // The empty start window is 1 x 1 in X; that is not a resize.
            const bool sizeChanged = (asked.width != now.width && !(asked.width <= 0 && now.width == 1)) ||
                                     (asked.height != now.height && !(asked.height <= 0 && now.height == 1));
            const bool moved = asked.x != now.x || asked.y != now.y;
            if (!sizeChanged && !moved) break;
            if (sizeChanged) {
                record->rect.width = now.width;
                record->rect.height = now.height;
                resizeImage(*record, now.width, now.height);
                if (record->colourKeyed) rebuildShape(*record);
            }
            if (moved) {
                record->rect.x = now.x;
                record->rect.y = now.y;
                sink_->moved(handle);
            }
            if (sizeChanged && find(handle) != nullptr) sink_->resized(handle);
            break;
        }
        default:
            break;
    }
}

}  // namespace love::platform::x11
