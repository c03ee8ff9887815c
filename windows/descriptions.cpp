#include "windows/descriptions.h"

#include <string_view>
#include <vector>

#include "windows/media.h"

namespace love::windows {
namespace {

using runtime::UnitDescription;
using runtime::UnitType;
using runtime::WindowDescription;

constexpr std::string_view kBoardName =
    "\xBB\xAD\xB0\xE5"
    "1";  // 画板1
constexpr std::string_view kTimerName =
    "\xCA\xB1\xD6\xD3"
    "1";                                                          // 时钟1
constexpr std::string_view kKaiFace = "\xBF\xAC\xCC\xE5_GB2312";  // 楷体_GB2312

UnitDescription windowUnit(runtime::CommonProperties common, runtime::WindowProperties properties,
                           std::vector<runtime::EventBinding> events) {
    UnitDescription unit;
    unit.type = UnitType::Window;
    unit.common = std::move(common);
    unit.window = std::move(properties);
    unit.events = std::move(events);
    return unit;
}

UnitDescription timerUnit(runtime::CommonProperties common, std::vector<runtime::EventBinding> events) {
    UnitDescription unit;
    unit.type = UnitType::Timer;
    unit.name = runtime::Text(kTimerName);
    unit.common = std::move(common);
    unit.timer.period = 0;
    unit.events = std::move(events);
    return unit;
}

std::vector<WindowDescription> buildDescriptions() {
    std::vector<WindowDescription> all(3);

    // The start window: no area, no frame, white; it owns the others and carries the taskbar entry.
    all[0].units.push_back(windowUnit({.left = 0, .top = 0, .width = 0, .height = 0, .visible = true},
                                      {.border = 0,
                                       .backgroundColour = 0x00FFFFFF,
                                       .backgroundPictureMode = 3,
                                       .playCount = 1,
                                       .controlButton = true,
                                       .position = runtime::kPositionCentred},
                                      {{runtime::event::kCreated, kStartWindowCreatedHandler},
                                       {runtime::event::kWillBeDestroyed, kClosingQuestionsHandler}}));
    all[0].units.push_back(timerUnit({.left = 552, .top = 0, .width = 40, .height = 32, .visible = false}, {}));

    // The show window: the stage, with the board, the show timer and the music.
    all[1].units.push_back(windowUnit({.left = 50, .top = 50, .width = 110, .height = 67, .visible = true},
                                      {.border = 0,
                                       .backgroundColour = runtime::kSystemDefaultColour,
                                       .backgroundPictureMode = 1,
                                       .backgroundMusic = showMusicWav(),
                                       .playCount = 0,
                                       .controlButton = true,
                                       .position = runtime::kPositionCentred},
                                      {{runtime::event::kCreated, kShowWindowCreatedHandler}}));
    UnitDescription board;
    board.type = UnitType::DrawPanel;
    board.name = runtime::Text(kBoardName);
    board.common = {.left = 0, .top = 0, .width = 96, .height = 56, .visible = true};
    board.drawPanel = showBoardProperties();
    all[1].units.push_back(std::move(board));
    all[1].units.push_back(timerUnit({.left = 328, .top = 0, .width = 48, .height = 40, .visible = false},
                                     {{runtime::event::kPeriodic, kShowScriptHandler}}));

    // The photo window: loaded hidden, never shown.
    all[2].units.push_back(windowUnit({.left = 0, .top = 0, .width = 131, .height = 119, .visible = false},
                                      {.border = 0,
                                       .backgroundColour = runtime::kSystemDefaultColour,
                                       .backgroundPicture = photoJpeg(),
                                       .backgroundPictureMode = 3,
                                       .playCount = 0,
                                       .controlButton = true,
                                       .position = runtime::kPositionNormal},
                                      {}));
    return all;
}

}  // namespace

std::span<const WindowDescription> windowDescriptions() {
    static const std::vector<WindowDescription> descriptions = buildDescriptions();
    return descriptions;
}

runtime::DrawPanelProperties showBoardProperties() {
    runtime::DrawPanelProperties p;
    p.border = 0;
    p.backgroundColour = 0x00FFFFFF;
    p.textColour = 0x00FF0090;
    p.textBackgroundColour = runtime::kSystemDefaultColour;  // transparent
    p.font = {.face = runtime::Text(kKaiFace),
              .height = -56,
              .width = 0,
              .escapement = 0,
              .orientation = 0,
              .weight = 400,
              .italic = false,
              .underline = false,
              .strikeOut = false,
              .charset = 134,
              .outPrecision = 3,
              .clipPrecision = 2,
              .quality = 1,
              .pitchAndFamily = 0x31};
    p.autoRedraw = false;
    p.drawingUnit = 0;
    p.backgroundPictureMode = 1;
    p.penType = 1;
    p.penWidth = 0;
    p.penColour = 0x00000000;
    p.drawMode = 12;
    p.brushType = 1;
    p.brushColour = 0x00FFFFFF;
    return p;
}

}  // namespace love::windows
