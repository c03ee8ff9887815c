#include "show/program.h"

#include <array>

#include "runtime/runtime.h"
#include "show/closing_questions.h"
#include "show/globals.h"
#include "show/heart_outlines.h"
#include "show/show_script.h"
#include "windows/descriptions.h"
#include "windows/media.h"
#include "windows/media_services.h"

namespace love::show {
namespace {

// The program's platform functions, by row.
enum PlatformFunctionRow : std::size_t { kGetWindowLong = 0, kSetWindowLong = 1, kSetLayeredWindowAttributes = 2 };

constexpr std::int32_t kGwlExStyle = -20;
constexpr std::int32_t kWsExLayered = 0x00080000;
constexpr std::uint32_t kWhite = 0x00FFFFFF;
constexpr std::uint32_t kLwaColorKey = 1;
constexpr std::int32_t kShowTimerPeriodMs = 200;

const std::array<runtime::PlatformFunctionDeclaration, 3>& platformFunctions() {
    static const std::array<runtime::PlatformFunctionDeclaration, 3> rows = {{
        {"GetWindowLongA", ""},
        {"SetWindowLongA", ""},
        {"SetLayeredWindowAttributes", ""},
    }};
    return rows;
}

constexpr std::array<runtime::HandlerEntry, 4> kHandlers = {{
    {windows::kStartWindowCreatedHandler, &startWindowCreated},
    {windows::kClosingQuestionsHandler, &closingQuestions},
    {windows::kShowWindowCreatedHandler, &showWindowCreated},
    {windows::kShowScriptHandler, &showScript},
}};

// The music players play on the platform of the run; they let go of it when the run is over.
class MediaPlatformBinding {
public:
    explicit MediaPlatformBinding(platform::Platform& platform) { windows::bindMediaPlatform(platform); }
    ~MediaPlatformBinding() { windows::unbindMediaPlatform(); }
    MediaPlatformBinding(const MediaPlatformBinding&) = delete;
    MediaPlatformBinding& operator=(const MediaPlatformBinding&) = delete;
};

}  // namespace

runtime::ProgramDeclarations programDeclarations() {
    return {
        .windows = windows::windowDescriptions(),
        .handlers = kHandlers,
        .platformFunctions = platformFunctions(),
        .programIcon = windows::programIcon(),
    };
}

void runProgram(platform::Platform& platform, runtime::DrawingTrace* trace) {
    const MediaPlatformBinding binding(platform);
    runtime::Runtime process(platform, programDeclarations(), &windows::mediaServices(), trace);
    process.runProcess(&entryRoutine);
}

int entryRoutine() {
    runtime::initialiseRuntime();
    releaseGlobals();  // the eight arrays start empty
    runtime::registerExitRoutine(&exitRoutine);
    runtime::loadStartWindow(windows::kStartWindow);
    runtime::runMessageLoop();
    return 0;
}

void exitRoutine() { releaseGlobals(); }

void startWindowCreated() { runtime::loadWindow(windows::kShowWindow, windows::kStartWindow, false); }

void showWindowCreated() {
    using runtime::propertyWrite;
    namespace property = runtime::property;

    // Still hidden: the value is kept and the first show covers the screen with it.
    propertyWrite(windows::kShowWindow, runtime::kWindowUnit, property::kPosition, runtime::kPositionMaximised);
    propertyWrite(windows::kShowWindow, windows::kShowBoard, property::kLeft, 0);
    propertyWrite(windows::kShowWindow, windows::kShowBoard, property::kTop, 0);
    propertyWrite(windows::kShowWindow, windows::kShowBoard, property::kWidth, runtime::screenWidth());
    propertyWrite(windows::kShowWindow, windows::kShowBoard, property::kHeight, runtime::screenHeight());

    buildOutlines();

    // Colour-keyed on white before the window is ever shown, so it never appears as a white sheet.
    const platform::NativeHandle window = runtime::nativeHandle(windows::kShowWindow);
    const std::int32_t extendedStyle = runtime::callPlatformFunction(kGetWindowLong, window, kGwlExStyle);
    runtime::callPlatformFunction(kSetWindowLong, window, kGwlExStyle, runtime::bitwiseOr(extendedStyle, kWsExLayered));
    runtime::callPlatformFunction(kSetLayeredWindowAttributes, runtime::nativeHandle(windows::kShowWindow), kWhite,
                                  std::uint32_t{200}, kLwaColorKey);

    runtime::loadWindow(windows::kPhotoWindow, windows::kStartWindow, false);
    propertyWrite(windows::kShowWindow, windows::kShowTimer, property::kPeriod, kShowTimerPeriodMs);
}

}  // namespace love::show
