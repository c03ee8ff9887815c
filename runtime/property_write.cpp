// The property write: the program's way to change a property of a window or control.
#include <algorithm>

#include "runtime/error_report.h"
#include "runtime/runtime.h"
#include "runtime/runtime_texts.h"

namespace love::runtime {
namespace {

constexpr std::int32_t kCoordinateLimit = 32627;

std::int32_t clampTo(std::int32_t value, std::int32_t low, std::int32_t high) { return std::clamp(value, low, high); }

}  // namespace

void Runtime::writeRect(RegistryEntry& of, UnitIndex unit, std::int32_t number, std::int32_t value) {
    CommonProperties& common = of.working.units[unit].common;
    const bool coordinate = number == property::kLeft || number == property::kTop;
    const std::int32_t stored =
        coordinate ? clampTo(value, -kCoordinateLimit, kCoordinateLimit) : clampTo(value, 0, kCoordinateLimit);
    switch (number) {
        case property::kLeft:
            common.left = stored;
            break;
        case property::kTop:
            common.top = stored;
            break;
        case property::kWidth:
            common.width = stored;
            break;
        default:
            common.height = stored;
            break;
    }
    if (!isLive(of)) return;
    const platform::NativeHandle handle = unit == kWindowUnit ? of.window : of.units[unit].handle;
    if (handle == 0) return;  // a timer's rectangle has no effect
    platform::Rect r = platform_.rect(handle);
    switch (number) {
        case property::kLeft:
            r.x = stored;
            break;
        case property::kTop:
            r.y = stored;
            break;
        case property::kWidth:
            r.width = stored;
            break;
        default:
            r.height = stored;
            break;
    }
    platform_.setRect(handle, r);
    if (!coordinate && of.units[unit].board) of.units[unit].board->sizeChanged();
}

void Runtime::setTimerPeriod(RegistryEntry& of, UnitIndex unit, std::int32_t period) {
    LiveUnit& timer = of.units[unit];
    const std::int32_t v = std::max(period, 0);
    if (v == timer.timerPeriod) return;  // a running timer is not restarted
    timer.timerPeriod = v;
    if (timer.timerRunning) {
        platform_.stopTimer(of.window, unit);
        timer.timerRunning = false;
    }
    if (v > 0) {
        platform_.startTimer(of.window, unit, static_cast<std::uint32_t>(v));
        timer.timerRunning = true;
    }
}

void Runtime::writeWindowProperty(RegistryEntry& of, std::int32_t number, std::int32_t value) {
    WindowProperties& live = of.live;
    const bool on = value != 0;
    const std::int32_t choice = std::max(value, 0);
    switch (number) {
        case property::kBorder:
            live.border = std::min(choice, 6);
            break;
        case property::kBackgroundColour:
            live.backgroundColour = static_cast<Colour>(value);
            break;
        case property::kBackgroundPictureMode:
            live.backgroundPictureMode = std::min(choice, 3);
            break;
        case property::kPlayCount:
            live.playCount = std::min(choice, 2);
            break;
        case property::kControlButton:
            live.controlButton = on;
            break;
        case property::kMaximiseButton:
            live.maximiseButton = on;
            break;
        case property::kMinimiseButton:
            live.minimiseButton = on;
            break;
        case property::kPosition:
            live.position = std::min(choice, 3);
            // A hidden window only keeps the value; its first show applies it.
            if (platform_.isVisible(of.window)) applyPosition(of, live.position);
            break;
        case property::kMovable:
            live.movable = on;
            break;
        case property::kEnterMovesFocus:
            live.enterMovesFocus = on;
            break;
        case property::kEscCloses:
            live.escCloses = on;
            break;
        case property::kF1OpensHelp:
            live.f1OpensHelp = on;
            break;
        case property::kHelpContext:
            live.helpContext = value;
            break;
        case property::kShowInTaskbar:
            live.showInTaskbar = on;
            break;
        case property::kDragAnywhere:
            live.dragAnywhere = on;
            break;
        case property::kShape:
            live.shape = std::min(choice, 29);
            break;
        case property::kAlwaysOnTop:
            live.alwaysOnTop = on;
            break;
        case property::kKeepTitleActive:
            live.keepTitleActive = on;
            break;
        default:
            // Texts and byte data are not written as numbers.
            break;
    }
}

void Runtime::propertyWrite(WindowId window, UnitIndex unit, std::int32_t number, std::int32_t value) {
    if (static_cast<std::size_t>(window) >= registry_.size()) {
        raiseErrorReport(0, Text(texts::kPropertyWindowNotInRegistry));
    }
    RegistryEntry& of = entry(window);
    if (unit >= of.working.units.size() || number < 0) raiseErrorReport(0, Text(texts::kUnitMissingOrNotLoaded));
    const UnitType type = of.working.units[unit].type;

    if (number <= property::kHeight) {
        writeRect(of, unit, number, value);
        return;
    }
    if (number <= property::kMousePointer) {
        CommonProperties& common = of.working.units[unit].common;
        const bool on = value != 0;
        if (number == property::kVisible) {
            common.visible = on;
            if (isLive(of)) {
                if (unit == kWindowUnit) {
                    platform_.show(of.window, on ? platform::ShowCommand::Normal : platform::ShowCommand::Hide);
                } else if (of.units[unit].handle != 0) {
                    platform_.setVisible(of.units[unit].handle, on);
                }
            }
        } else if (number == property::kDisabled) {
            common.disabled = on;
            if (isLive(of)) {
                const platform::NativeHandle handle = unit == kWindowUnit ? of.window : of.units[unit].handle;
                if (handle != 0) platform_.enable(handle, !on);
            }
        }
        // The tag is a text and the mouse pointer byte data: a number changes neither.
        return;
    }
    // A unit's own properties need the live unit.
    if (!isLive(of)) raiseErrorReport(0, Text(texts::kWindowNotLoaded));
    switch (type) {
        case UnitType::Window:
            writeWindowProperty(of, number, value);
            break;
        case UnitType::Timer:
            if (number == property::kPeriod) setTimerPeriod(of, unit, value);
            break;
        case UnitType::DrawPanel:
            // The board's own properties stay as stored; the program writes none of them.
            break;
    }
}

}  // namespace love::runtime
