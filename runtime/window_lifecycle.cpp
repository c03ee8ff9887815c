// Loading, showing and destroying windows from their descriptions.
#include <algorithm>

#include "runtime/error_report.h"
#include "runtime/runtime.h"
#include "runtime/runtime_texts.h"

namespace love::runtime {

void Runtime::loadStartWindow(WindowId window) {
    if (static_cast<std::size_t>(window) >= registry_.size() || !loadWindow(window)) {
        raiseErrorReport(0, Text(texts::kStartWindowLoadFailed));
    }
}

platform::NativeHandle Runtime::hiddenOwner() {
    // A zero-size tool window that owns unowned windows kept out of the taskbar.
    if (hiddenOwner_ == 0) {
        platform::WindowSpec request;
        request.style.toolWindow = true;
        request.icon = program_.programIcon;
        hiddenOwner_ = platform_.createWindow(request);
    }
    return hiddenOwner_;
}

platform::WindowSpec Runtime::windowSpec(const RegistryEntry& of, std::optional<WindowId> parent, bool dialog) {
    const CommonProperties& common = of.working.units.front().common;
    const WindowProperties& window = of.working.units.front().window;
    platform::WindowSpec request;
    request.title = window.caption;
    request.windowClass = window.windowClass;
    request.icon = program_.programIcon;
    platform::WindowStyle& style = request.style;
    style.disabled = common.disabled;
    if (window.border != 0) {
        style.caption = !window.caption.empty() || window.controlButton;
        style.systemMenu = window.controlButton;
        style.dialogFrame = true;
        style.sizingFrame = window.border == 1 || window.border == 3 || window.border == 5;
        style.toolWindow = window.border == 3 || window.border == 4;
        style.clientEdge = window.border == 5 || window.border == 6;
    }
    style.maximiseBox = window.maximiseButton;
    style.minimiseBox = window.minimiseButton;
    style.noMoveCommand = !window.movable;
    style.topmost = window.alwaysOnTop;
    request.rect = {common.left, common.top, common.width, common.height};
    switch (window.position) {
        case kPositionCentred: {
            const platform::Size screen = platform_.screenSize();
            // Integer division rounds toward zero, as the placement asks.
            request.rect.x = (screen.width - common.width) / 2;
            request.rect.y = (screen.height - common.height) / 2;
            break;
        }
        case kPositionMinimised:
            style.startMinimised = true;
            break;
        case kPositionMaximised:
            style.startMaximised = style.sizingFrame;
            break;
        default:
            break;
    }
    if (parent) {
        request.owner = entry(*parent).window;
    } else if (!window.showInTaskbar || dialog) {
        request.owner = hiddenOwner();
    }
    return request;
}

void Runtime::buildControls(RegistryEntry& of) {
    const WindowDescription& description = of.working;
    of.units.clear();
    of.units.resize(description.units.size());
    for (UnitIndex unit = 1; unit < description.units.size(); ++unit) {
        const UnitDescription& control = description.units[unit];
        LiveUnit& live = of.units[unit];
        switch (control.type) {
            case UnitType::Timer:
                live.timerPeriod = std::max(control.timer.period, 0);
                if (live.timerPeriod > 0) {
                    platform_.startTimer(of.window, unit, static_cast<std::uint32_t>(live.timerPeriod));
                    live.timerRunning = true;
                }
                break;
            case UnitType::DrawPanel: {
                const CommonProperties& c = control.common;
                live.handle = platform_.createSurface(of.window, {c.left, c.top, c.width, c.height}, false);
                if (live.handle != 0) {
                    live.board =
                        std::make_unique<DrawingBoard>(platform_, pictures_, live.handle, control.drawPanel, trace_);
                    if (c.disabled) platform_.enable(live.handle, false);
                }
                break;
            }
            case UnitType::Window:
                break;
        }
    }
    // Shown once every unit of the window is built.
    for (UnitIndex unit = 1; unit < description.units.size(); ++unit) {
        if (of.units[unit].handle != 0 && description.units[unit].common.visible) {
            platform_.setVisible(of.units[unit].handle, true);
        }
    }
}

bool Runtime::loadWindow(WindowId window, std::optional<WindowId> parent, bool dialog) {
    if (static_cast<std::size_t>(window) >= registry_.size()) return false;
    // 1. A parent must be a loaded, live window.
    if (parent && (static_cast<std::size_t>(*parent) >= registry_.size() || !isLive(entry(*parent)))) return false;
    // 2. Already loaded: brought forward, no event.
    {
        RegistryEntry& of = entry(window);
        if (isLive(of)) {
            if (!of.destroyPending) {
                if (platform_.isMinimised(of.window)) {
                    platform_.show(of.window, platform::ShowCommand::Normal);
                } else {
                    platform_.activate(of.window);
                }
                return true;
            }
            of.destroyPending = false;
            destroyNow(window);
        }
    }
    // 3. What waits in the queue is handled, events live.
    platform_.dispatchPending();
    // 4.-7. Built with events held back.
    ++suppression_;
    RegistryEntry& of = entry(window);
    const platform::WindowSpec request = windowSpec(of, parent, dialog);
    const platform::NativeHandle handle = platform_.createWindow(request);
    if (handle == 0) {
        --suppression_;
        return false;
    }
    of.loaded = true;
    of.window = handle;
    of.owner = parent;
    of.loadOrder = ++loadCounter_;
    of.destroyPending = false;
    of.beingDestroyed = false;
    of.live = of.working.units.front().window;
    const platform::Rect made = platform_.rect(handle);
    if (made.width != request.rect.width || made.height != request.rect.height) {
        if (!request.style.startMaximised && !request.style.startMinimised) platform_.setRect(handle, request.rect);
    }
    // The last step of building the window itself: its music, before its controls and events.
    if (media_ != nullptr && !of.live.backgroundMusic.empty()) {
        media_->startMusic(handle, of.live.backgroundMusic, of.live.playCount);
    }
    buildControls(of);
    platform_.dispatchPending();
    --suppression_;
    // 8. Created, then position changed, then size changed, each while the window lasts.
    raiseEvent(window, kWindowUnit, event::kCreated);
    if (stillLive(entry(window), handle)) raiseEvent(window, kWindowUnit, event::kPositionChanged);
    if (stillLive(entry(window), handle)) raiseEvent(window, kWindowUnit, event::kSizeChanged);
    // 9. Shown by its position.
    if (stillLive(entry(window), handle) && entry(window).working.units.front().common.visible) {
        showAtFirst(entry(window));
    }
    return true;
}

void Runtime::fitToScreen(RegistryEntry& of) {
    const platform::Size screen = platform_.screenSize();
    const platform::Rect full{0, 0, screen.width, screen.height};
    if (platform_.isMinimised(of.window) || platform_.isMaximised(of.window)) {
        platform_.show(of.window, platform::ShowCommand::Normal);
    }
    if (platform_.rect(of.window) != full) platform_.setRect(of.window, full);
}

void Runtime::centre(RegistryEntry& of) {
    if (platform_.isMinimised(of.window) || platform_.isMaximised(of.window)) {
        platform_.show(of.window, platform::ShowCommand::Normal);
    }
    const platform::Size screen = platform_.screenSize();
    platform::Rect r = platform_.rect(of.window);
    const platform::Rect centred{(screen.width - r.width) / 2, (screen.height - r.height) / 2, r.width, r.height};
    if (r != centred) platform_.setRect(of.window, centred);
}

void Runtime::showAtFirst(RegistryEntry& of) {
    const bool sizingFrame = of.working.units.front().window.border == 1 ||
                             of.working.units.front().window.border == 3 || of.working.units.front().window.border == 5;
    switch (of.live.position) {
        case kPositionMinimised:
            platform_.show(of.window, platform::ShowCommand::Minimised);
            break;
        case kPositionMaximised:
            if (sizingFrame) {
                platform_.show(of.window, platform::ShowCommand::Maximised);
            } else {
                fitToScreen(of);
                platform_.show(of.window, platform::ShowCommand::Normal);
            }
            break;
        default:
            platform_.show(of.window, platform::ShowCommand::Normal);
            break;
    }
    // Showing makes the window the active one.
    platform_.activate(of.window);
}

void Runtime::applyPosition(RegistryEntry& of, std::int32_t position) {
    switch (position) {
        case kPositionNormal:
            platform_.show(of.window, platform::ShowCommand::Normal);
            break;
        case kPositionCentred:
            centre(of);
            break;
        case kPositionMinimised:
            platform_.show(of.window, platform::ShowCommand::Minimised);
            break;
        default:
            showAtFirst(of);
            break;
    }
}

void Runtime::destroy(WindowId window, bool atOnce) {
    if (static_cast<std::size_t>(window) >= registry_.size() || !isLive(entry(window))) {
        raiseErrorReport(0, Text(texts::kUnitMissingOrNotLoaded));
    }
    RegistryEntry& of = entry(window);
    of.destroyPending = true;
    if (atOnce) {
        of.destroyPending = false;
        destroyNow(window);
    } else {
        // Delivered later by the loop; a window already gone by then ignores it.
        platform_.postDestroyRequest(of.window);
    }
}

void Runtime::destroyNow(WindowId window) {
    if (!isLive(entry(window)) || entry(window).beingDestroyed) return;
    entry(window).beingDestroyed = true;
    const platform::NativeHandle handle = entry(window).window;

    // The windows it owns go first, in the order they were loaded.
    std::vector<std::pair<std::uint64_t, WindowId>> owned;
    for (const RegistryEntry& candidate : registry_) {
        if (isLive(candidate) && candidate.owner == window && !candidate.beingDestroyed) {
            owned.emplace_back(candidate.loadOrder, idOf(candidate));
        }
    }
    std::sort(owned.begin(), owned.end());
    for (const auto& [order, id] : owned) destroyNow(id);

    // Its controls still exist while the handler runs.
    raiseEvent(window, kWindowUnit, event::kWillBeDestroyed);

    RegistryEntry& of = entry(window);
    if (!of.loaded || of.window != handle) return;  // the end of the program came meanwhile
    for (UnitIndex unit = 1; unit < of.units.size(); ++unit) {
        if (of.units[unit].timerRunning) platform_.stopTimer(handle, unit);
    }
    if (media_ != nullptr) {
        media_->stopMusic(handle);
        media_->forgetWindow(handle);
    }
    for (LiveUnit& unit : of.units) {
        unit.board.reset();
        if (unit.handle != 0) platform_.destroy(unit.handle);
    }
    platform_.destroy(handle);
    // Back to not loaded, with the values stored in the description.
    of.units.clear();
    of.loaded = false;
    of.window = 0;
    of.owner.reset();
    of.destroyPending = false;
    of.beingDestroyed = false;
    of.working = *of.original;

    bool anyLoaded = false;
    for (const RegistryEntry& candidate : registry_) anyLoaded = anyLoaded || isLive(candidate);
    if (!anyLoaded && loopRunning_) platform_.postQuit();
}

}  // namespace love::runtime
