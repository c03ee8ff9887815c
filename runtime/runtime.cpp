// The runtime object: start-up, the registry's bookkeeping, the message loop and the end.
#include "runtime/runtime.h"

#include <algorithm>
#include <cstdlib>
#include <stdexcept>

#include "runtime/error_report.h"
#include "runtime/runtime_texts.h"

namespace love::runtime {
namespace {

Runtime* currentRuntime = nullptr;

}  // namespace

Runtime::Runtime(platform::Platform& platform, ProgramDeclarations program, MediaServices* media, DrawingTrace* trace)
    : platform_(platform), program_(program), media_(media), trace_(trace) {
    currentRuntime = this;
}

Runtime::~Runtime() {
    // A run cut short (not by the ending) must still not leave music playing on its own.
    if (!ending_ && media_ != nullptr) media_->stopAllMusic(true);
    platform_.setEventSink(nullptr);
    if (currentRuntime == this) currentRuntime = nullptr;
}

Runtime& runtime() {
    if (currentRuntime == nullptr) throw std::logic_error("no runtime is running");
    return *currentRuntime;
}

bool hasRuntime() { return currentRuntime != nullptr; }

void Runtime::runProcess(int (*entryRoutine)()) {
    const int exitCode = entryRoutine();
    releaseForEnd();
    if (trace_ != nullptr) trace_->programEnded(exitCode);
    platform_.terminate(exitCode);
    std::abort();  // a backend's terminate never comes back
}

void Runtime::initialise() {
    // The folder of the program file becomes the working directory.
    platform_.setWorkingDirectory(platform_.programFolder());
    platform_.setEventSink(this);

    registry_.clear();
    registry_.reserve(program_.windows.size());
    bool readable = true;
    for (const WindowDescription& description : program_.windows) {
        RegistryEntry& added = registry_.emplace_back();
        added.original = &description;
        added.working = description;
        if (description.units.empty() || description.units.front().type != UnitType::Window) readable = false;
        for (UnitIndex unit = 0; unit < description.units.size(); ++unit) {
            for (const EventBinding& binding : description.units[unit].events) {
                Handler handler = nullptr;
                for (const HandlerEntry& candidate : program_.handlers) {
                    if (candidate.id == binding.handler) handler = candidate.handler;
                }
                if (handler == nullptr) readable = false;
                added.handlers[{unit, binding.eventIndex}] = handler;
            }
        }
    }
    if (!readable) raiseErrorReport(0, Text(texts::kDescriptionsUnreadable));

    platformFunctions_.clear();
    for (const PlatformFunctionDeclaration& declaration : program_.platformFunctions) {
        platformFunctions_.push_back({declaration.name, declaration.library, 0});
    }
}

Runtime::RegistryEntry& Runtime::entry(WindowId window) { return registry_.at(static_cast<std::size_t>(window)); }

const Runtime::RegistryEntry& Runtime::entry(WindowId window) const {
    return registry_.at(static_cast<std::size_t>(window));
}

Runtime::RegistryEntry* Runtime::entryOfWindow(platform::NativeHandle window) {
    for (RegistryEntry& candidate : registry_) {
        if (candidate.loaded && candidate.window == window) return &candidate;
    }
    return nullptr;
}

WindowId Runtime::idOf(const RegistryEntry& of) const {
    return static_cast<WindowId>(static_cast<std::uint32_t>(&of - registry_.data()));
}

bool Runtime::isLoaded(WindowId window) const {
    return static_cast<std::size_t>(window) < registry_.size() && isLive(entry(window));
}

bool Runtime::isDestroyPending(WindowId window) const {
    return static_cast<std::size_t>(window) < registry_.size() && entry(window).destroyPending;
}

std::int32_t Runtime::storedProperty(WindowId window, UnitIndex unit, std::int32_t number) const {
    const CommonProperties& common = entry(window).working.units.at(unit).common;
    switch (number) {
        case property::kLeft:
            return common.left;
        case property::kTop:
            return common.top;
        case property::kWidth:
            return common.width;
        case property::kHeight:
            return common.height;
        case property::kVisible:
            return common.visible ? 1 : 0;
        case property::kDisabled:
            return common.disabled ? 1 : 0;
        default:
            return 0;
    }
}

std::int32_t Runtime::livePosition(WindowId window) const { return entry(window).live.position; }

std::int32_t Runtime::timerPeriod(WindowId window, UnitIndex unit) const {
    const RegistryEntry& of = entry(window);
    return isLive(of) ? of.units.at(unit).timerPeriod : of.working.units.at(unit).timer.period;
}

bool Runtime::timerRunning(WindowId window, UnitIndex unit) const {
    const RegistryEntry& of = entry(window);
    return isLive(of) && of.units.at(unit).timerRunning;
}

UnitIndex Runtime::unitIndex(WindowId window, std::string_view name) {
    const WindowDescription& description = entry(window).working;
    for (UnitIndex unit = 1; unit < description.units.size(); ++unit) {
        if (description.units[unit].name == name) return unit;
    }
    raiseErrorReport(0, Text(texts::kUnitMissingOrNotLoaded));
}

void Runtime::raiseEvent(WindowId window, UnitIndex unit, std::int32_t eventIndex) {
    if (suppression_ > 0) return;
    if (static_cast<std::size_t>(window) >= registry_.size()) raiseErrorReport(0, Text(texts::kEventWindowNotFound));
    RegistryEntry& of = entry(window);
    if (unit >= of.working.units.size()) raiseErrorReport(0, Text(texts::kEventUnitNotFound));
    const auto bound = of.handlers.find({unit, eventIndex});
    if (bound == of.handlers.end() || bound->second == nullptr) return;
    bound->second();
}

void Runtime::runMessageLoop() {
    loopRunning_ = true;
    bool anyLoaded = false;
    for (const RegistryEntry& candidate : registry_) anyLoaded = anyLoaded || isLive(candidate);
    if (!anyLoaded) return;
    while (platform_.waitAndDispatch()) {
    }
}

void Runtime::delay(std::int32_t milliseconds) {
    const std::int32_t ms = milliseconds < 0 ? 0 : milliseconds;
    if (trace_ != nullptr) trace_->delayed(ms);
    // A plain sleep: no message is handled meanwhile.
    if (ms > 0) platform_.sleep(static_cast<std::uint32_t>(ms));
}

std::int32_t Runtime::messageBox(const Text& text, std::int32_t style, std::optional<Text> title) {
    constexpr std::uint32_t kSystemModal = 0x1000;
    constexpr std::uint32_t kTaskModal = 0x2000;
    auto word = static_cast<std::uint32_t>(style);
    if ((word & kSystemModal) == 0) word |= kTaskModal;
    const std::string_view shownTitle = title ? std::string_view(*title) : texts::kDefaultMessageBoxTitle;
    switch (platform_.messageBox(text, shownTitle, word)) {
        case 1:  // IDOK
            return 0;
        case 2:  // IDCANCEL
            return 1;
        case 3:  // IDABORT
            return 2;
        case 4:  // IDRETRY
            return 3;
        case 5:  // IDIGNORE
            return 4;
        case 6:  // IDYES
            return 5;
        case 7:  // IDNO
            return 6;
        default:
            return 0;
    }
}

std::int32_t Runtime::screenWidth() const { return platform_.screenSize().width; }
std::int32_t Runtime::screenHeight() const { return platform_.screenSize().height; }

platform::NativeHandle Runtime::nativeHandle(WindowId window, UnitIndex unit) {
    if (static_cast<std::size_t>(window) >= registry_.size()) raiseErrorReport(0, Text(texts::kUnitMissingOrNotLoaded));
    RegistryEntry& of = entry(window);
    if (!isLive(of) || unit >= of.units.size()) raiseErrorReport(0, Text(texts::kUnitMissingOrNotLoaded));
    if (unit == kWindowUnit) return of.window;
    // A timer has no window of its own; it answers with its window's.
    return of.units[unit].handle != 0 ? of.units[unit].handle : of.window;
}

DrawingBoard& Runtime::board(WindowId window, std::string_view controlName) {
    const UnitIndex unit = unitIndex(window, controlName);
    RegistryEntry& of = entry(window);
    if (!isLive(of) || !of.units.at(unit).board) raiseErrorReport(0, Text(texts::kUnitMissingOrNotLoaded));
    return *of.units[unit].board;
}

void Runtime::releaseForEnd() {
    // 1. From here on no handler runs.
    ++suppression_;
    ending_ = true;
    // 2. The registry goes; the windows stay on the screen until the process ends.
    for (RegistryEntry& released : registry_) {
        released.units.clear();
        released.loaded = false;
    }
    // 3. The exit routine, once.
    if (void (*routine)() = exitRoutine_) {
        exitRoutine_ = nullptr;
        routine();
    }
    // 4. Libraries kept for platform functions.
    for (platform::LibraryHandle library : librariesKept_) platform_.freeLibrary(library);
    librariesKept_.clear();
    for (PlatformFunctionRow& row : platformFunctions_) row.entry = 0;
    // 6. The music, waited for, and every picture.
    if (media_ != nullptr) media_->stopAllMusic(true);
    pictures_.releaseAll();
    // 7. The platform services set up at start-up.
    platform_.setEventSink(nullptr);
}

void Runtime::endProgram(int exitCode) {
    if (!ending_) releaseForEnd();
    if (trace_ != nullptr) trace_->programEnded(exitCode);
    platform_.terminate(exitCode);
    std::abort();  // a backend's terminate never comes back
}

// --- the platform's events ---

void Runtime::closeRequested(platform::NativeHandle window, platform::CloseCause cause) {
    RegistryEntry* of = entryOfWindow(window);
    if (of == nullptr || of->beingDestroyed) return;
    if (cause == platform::CloseCause::EscapeKey && !of->live.escCloses) return;
    const WindowId id = idOf(*of);
    // This program's handlers return nothing, so a can-be-closed handler cannot refuse.
    raiseEvent(id, kWindowUnit, event::kCanBeClosed);
    if (stillLive(entry(id), window)) destroyNow(id);
}

void Runtime::destroyRequested(platform::NativeHandle window) {
    RegistryEntry* of = entryOfWindow(window);
    if (of == nullptr || !of->destroyPending) return;
    of->destroyPending = false;
    destroyNow(idOf(*of));
}

void Runtime::timerTicked(platform::NativeHandle window, std::uint32_t timerId) {
    RegistryEntry* of = entryOfWindow(window);
    if (of == nullptr || timerId >= of->units.size() || !of->units[timerId].timerRunning) return;
    raiseEvent(idOf(*of), timerId, event::kPeriodic);
}

void Runtime::paintRequested(platform::NativeHandle windowOrSurface, platform::Rect area) {
    for (RegistryEntry& of : registry_) {
        if (!isLive(of)) continue;
        if (of.window == windowOrSurface) {
            const platform::PixelView client = platform_.pixels(windowOrSurface);
            const std::uint32_t rgb = of.live.backgroundColour == kSystemDefaultColour
                                          ? platform_.buttonFaceColour()
                                          : colourToRgb(of.live.backgroundColour);
            const platform::Rect clipped{std::max(area.x, 0), std::max(area.y, 0),
                                         std::min(area.x + area.width, client.width) - std::max(area.x, 0),
                                         std::min(area.y + area.height, client.height) - std::max(area.y, 0)};
            if (client.pixels == nullptr || clipped.width <= 0 || clipped.height <= 0) return;
            if (media_ != nullptr) {
                media_->paintBackground(windowOrSurface, client, clipped, of.live.backgroundPicture,
                                        of.live.backgroundPictureMode, rgb);
                platform_.present(windowOrSurface, clipped);
            } else {
                for (std::int32_t y = clipped.y; y < clipped.y + clipped.height; ++y) {
                    for (std::int32_t x = clipped.x; x < clipped.x + clipped.width; ++x) client.at(x, y) = rgb;
                }
                platform_.presentFill(windowOrSurface, clipped, rgb);
            }
            return;
        }
        for (LiveUnit& unit : of.units) {
            if (unit.handle == windowOrSurface && unit.board) {
                unit.board->repaint(area);
                return;
            }
        }
    }
}

void Runtime::moved(platform::NativeHandle window) {
    if (RegistryEntry* of = entryOfWindow(window)) raiseEvent(idOf(*of), kWindowUnit, event::kPositionChanged);
}

void Runtime::resized(platform::NativeHandle window) {
    if (RegistryEntry* of = entryOfWindow(window)) raiseEvent(idOf(*of), kWindowUnit, event::kSizeChanged);
}

void Runtime::platformEnded(int exitCode) { endProgram(exitCode); }

// --- free functions over the current runtime ---

void initialiseRuntime() { runtime().initialise(); }
void registerExitRoutine(void (*routine)()) { runtime().registerExitRoutine(routine); }
void loadStartWindow(WindowId window) { runtime().loadStartWindow(window); }
void runMessageLoop() { runtime().runMessageLoop(); }
bool loadWindow(WindowId window, std::optional<WindowId> parent, bool dialog) {
    return runtime().loadWindow(window, parent, dialog);
}
void destroy(WindowId window, bool atOnce) { runtime().destroy(window, atOnce); }
void endProgram(int exitCode) { runtime().endProgram(exitCode); }
void delay(std::int32_t milliseconds) { runtime().delay(milliseconds); }
std::int32_t messageBox(const Text& text, std::int32_t style, std::optional<Text> title) {
    return runtime().messageBox(text, style, std::move(title));
}
std::int32_t screenWidth() { return runtime().screenWidth(); }
std::int32_t screenHeight() { return runtime().screenHeight(); }
platform::NativeHandle nativeHandle(WindowId window, UnitIndex unit) { return runtime().nativeHandle(window, unit); }
void propertyWrite(WindowId window, UnitIndex unit, std::int32_t number, std::int32_t value) {
    runtime().propertyWrite(window, unit, number, value);
}
void reseed() { runtime().randomGenerator().reseed(runtime().platform().tickCount()); }
std::int32_t random(std::int32_t min, std::int32_t max) { return runtime().randomGenerator().draw(min, max); }
std::uint32_t loadPicture(std::span<const std::uint8_t> bytes) { return runtime().pictures().load(bytes); }
DrawingBoard& board(WindowId window, std::string_view controlName) { return runtime().board(window, controlName); }
std::int32_t callPlatformFunction(std::size_t row, std::span<const std::uint32_t> args) {
    return runtime().callPlatformFunction(row, args);
}

}  // namespace love::runtime
