// The model of a window description: a window unit followed by its controls, each with its
// properties by number and its event bindings. Descriptions are constant data; the runtime keeps
// a working copy of each in its window registry.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "runtime/draw_panel_properties.h"
#include "runtime/text.h"

namespace love::runtime {

enum class UnitType { Window, DrawPanel, Timer };

// A window in the registry: its position among the program's descriptions.
enum class WindowId : std::uint32_t {};
// A unit of a window: 0 is the window itself, then its controls in description order.
using UnitIndex = std::uint32_t;
inline constexpr UnitIndex kWindowUnit = 0;

// Names the program's handler for an event; the program supplies the function for each id.
using HandlerId = std::uint32_t;

struct EventBinding {
    std::int32_t eventIndex;
    HandlerId handler;
};

namespace event {
// window
inline constexpr std::int32_t kCreated = 0;
inline constexpr std::int32_t kCanBeClosed = 1;
inline constexpr std::int32_t kWillBeDestroyed = 2;
inline constexpr std::int32_t kPositionChanged = 3;
inline constexpr std::int32_t kSizeChanged = 4;
// Timer
inline constexpr std::int32_t kPeriodic = 0;
}  // namespace event

namespace property {
// common to every unit type
inline constexpr std::int32_t kLeft = 0;
inline constexpr std::int32_t kTop = 1;
inline constexpr std::int32_t kWidth = 2;
inline constexpr std::int32_t kHeight = 3;
inline constexpr std::int32_t kTag = 4;
inline constexpr std::int32_t kVisible = 5;
inline constexpr std::int32_t kDisabled = 6;
inline constexpr std::int32_t kMousePointer = 7;
// window
inline constexpr std::int32_t kCaption = 8;
inline constexpr std::int32_t kBorder = 9;
inline constexpr std::int32_t kBackgroundColour = 10;
inline constexpr std::int32_t kBackgroundPicture = 11;
inline constexpr std::int32_t kBackgroundPictureMode = 12;
inline constexpr std::int32_t kBackgroundMusic = 13;
inline constexpr std::int32_t kPlayCount = 14;
inline constexpr std::int32_t kControlButton = 15;
inline constexpr std::int32_t kMaximiseButton = 16;
inline constexpr std::int32_t kMinimiseButton = 17;
inline constexpr std::int32_t kPosition = 18;
inline constexpr std::int32_t kMovable = 19;
inline constexpr std::int32_t kIcon = 20;
inline constexpr std::int32_t kEnterMovesFocus = 21;
inline constexpr std::int32_t kEscCloses = 22;
inline constexpr std::int32_t kF1OpensHelp = 23;
inline constexpr std::int32_t kHelpFile = 24;
inline constexpr std::int32_t kHelpContext = 25;
inline constexpr std::int32_t kShowInTaskbar = 26;
inline constexpr std::int32_t kDragAnywhere = 27;
inline constexpr std::int32_t kShape = 28;
inline constexpr std::int32_t kAlwaysOnTop = 29;
inline constexpr std::int32_t kKeepTitleActive = 30;
inline constexpr std::int32_t kWindowClass = 31;
// Timer
inline constexpr std::int32_t kPeriod = 8;
}  // namespace property

// Window positions (property 18).
enum WindowPosition : std::int32_t {
    kPositionNormal = 0,
    kPositionCentred = 1,
    kPositionMinimised = 2,
    kPositionMaximised = 3
};

using ByteData = std::span<const std::uint8_t>;  // empty: none

struct CommonProperties {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    Text tag{};
    bool visible = true;
    bool disabled = false;
    ByteData mousePointer{};  // empty: the standard arrow
};

struct WindowProperties {
    Text caption{};
    std::int32_t border = 2;  // 0..6
    Colour backgroundColour = kSystemDefaultColour;
    ByteData backgroundPicture{};
    std::int32_t backgroundPictureMode = 1;  // 0..3
    ByteData backgroundMusic{};
    std::int32_t playCount = 0;  // 0..2
    bool controlButton = true;
    bool maximiseButton = false;
    bool minimiseButton = false;
    std::int32_t position = kPositionCentred;  // 0..3
    bool movable = true;
    ByteData icon{};  // empty: the program's own icon
    bool enterMovesFocus = false;
    bool escCloses = true;
    bool f1OpensHelp = false;
    Text helpFile{};
    std::int32_t helpContext = 0;
    bool showInTaskbar = true;
    bool dragAnywhere = false;
    std::int32_t shape = 0;  // 0..29
    bool alwaysOnTop = false;
    bool keepTitleActive = false;
    Text windowClass{};
};

struct TimerProperties {
    std::int32_t period = 0;  // milliseconds; 0: stopped
};

struct UnitDescription {
    UnitType type = UnitType::Window;
    Text name{};  // GBK; empty for the window unit
    CommonProperties common{};
    WindowProperties window{};        // UnitType::Window
    TimerProperties timer{};          // UnitType::Timer
    DrawPanelProperties drawPanel{};  // UnitType::DrawPanel
    std::vector<EventBinding> events{};
};

struct WindowDescription {
    std::vector<UnitDescription> units;  // units[0] is the window, then its controls, topmost first
};

}  // namespace love::runtime
