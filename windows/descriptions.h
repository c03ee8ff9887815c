// The program's three window descriptions, and the ids by which they name the program's handlers.
#pragma once

#include <span>

#include "runtime/window_description.h"

namespace love::windows {

inline constexpr runtime::WindowId kStartWindow{0};
inline constexpr runtime::WindowId kShowWindow{1};
inline constexpr runtime::WindowId kPhotoWindow{2};

// Units of the start window and of the show window.
inline constexpr runtime::UnitIndex kStartTimer = 1;  // 时钟1
inline constexpr runtime::UnitIndex kShowBoard = 1;   // 画板1
inline constexpr runtime::UnitIndex kShowTimer = 2;   // 时钟1

// The handlers the descriptions bind; the program supplies a function for each.
enum HandlerIds : runtime::HandlerId {
    kStartWindowCreatedHandler = 1,
    kClosingQuestionsHandler = 2,
    kShowWindowCreatedHandler = 3,
    kShowScriptHandler = 4,
};

// In registry order: the start window, the show window, the photo window.
std::span<const runtime::WindowDescription> windowDescriptions();

// The board's stored properties (the show window's 画板1).
runtime::DrawPanelProperties showBoardProperties();

}  // namespace love::windows
