// The runtime around the program's own logic: the window registry, events, timers, delays,
// message boxes, platform-function calls, the program's end and the runtime error report. One
// Runtime object holds all of its state; the free functions below act on the current one.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "platform/platform.h"
#include "runtime/drawing_board.h"
#include "runtime/media_services.h"
#include "runtime/picture_registry.h"
#include "runtime/random.h"
#include "runtime/text.h"
#include "runtime/trace.h"
#include "runtime/window_description.h"

namespace love::runtime {

using Handler = void (*)();

struct HandlerEntry {
    HandlerId id;
    Handler handler;
};

// A platform function the program declares: its name ("#n" for an ordinal) and its library
// (empty: looked up in the system libraries).
struct PlatformFunctionDeclaration {
    Text name;
    Text library;
};

// What the program brings to the runtime: its window descriptions, the handlers their event
// bindings name, its platform functions and its icon.
struct ProgramDeclarations {
    std::span<const WindowDescription> windows{};
    std::span<const HandlerEntry> handlers{};
    std::span<const PlatformFunctionDeclaration> platformFunctions{};
    platform::IconPixels programIcon{};
};

class Runtime final : private platform::EventSink {
public:
    // Becomes the current runtime until it is destroyed. media and trace may be null.
    Runtime(platform::Platform& platform, ProgramDeclarations program, MediaServices* media = nullptr,
            DrawingTrace* trace = nullptr);
    ~Runtime() override;
    Runtime(const Runtime&) = delete;
    Runtime& operator=(const Runtime&) = delete;

    // Process start: calls the entry routine, then ends the process with exit code 0.
    [[noreturn]] void runProcess(int (*entryRoutine)());

    void initialise();
    void registerExitRoutine(void (*routine)()) { exitRoutine_ = routine; }
    void loadStartWindow(WindowId window);
    void runMessageLoop();
    bool loadWindow(WindowId window, std::optional<WindowId> parent = {}, bool dialog = false);
    void destroy(WindowId window, bool atOnce = false);
    [[noreturn]] void endProgram(int exitCode);
    [[noreturn]] void raiseErrorReport(int code, const Text& text);
    void delay(std::int32_t milliseconds);
    std::int32_t messageBox(const Text& text, std::int32_t style = 0, std::optional<Text> title = {});
    std::int32_t screenWidth() const;
    std::int32_t screenHeight() const;
    platform::NativeHandle nativeHandle(WindowId window, UnitIndex unit = kWindowUnit);
    std::int32_t callPlatformFunction(std::size_t row, std::span<const std::uint32_t> args);
    void propertyWrite(WindowId window, UnitIndex unit, std::int32_t number, std::int32_t value);
    // The drawing board of a live DrawPanel control, by name.
    DrawingBoard& board(WindowId window, std::string_view controlName);
    // A unit of the window's description by name (0 for the window itself).
    UnitIndex unitIndex(WindowId window, std::string_view name);

    platform::Platform& platform() { return platform_; }
    RandomGenerator& randomGenerator() { return random_; }
    PictureRegistry& pictures() { return pictures_; }
    MediaServices* media() const { return media_; }
    DrawingTrace* trace() const { return trace_; }
    void setTrace(DrawingTrace* trace) { trace_ = trace; }

    // State, for tests.
    int suppressionCount() const { return suppression_; }
    bool loopRunning() const { return loopRunning_; }
    bool isLoaded(WindowId window) const;
    bool isDestroyPending(WindowId window) const;
    // The value stored in the registry's working copy (properties 0 to 3).
    std::int32_t storedProperty(WindowId window, UnitIndex unit, std::int32_t number) const;
    std::int32_t livePosition(WindowId window) const;
    std::int32_t timerPeriod(WindowId window, UnitIndex unit) const;
    bool timerRunning(WindowId window, UnitIndex unit) const;

private:
    struct LiveUnit {
        platform::NativeHandle handle = 0;  // a surface; 0 for a Timer
        std::int32_t timerPeriod = 0;
        bool timerRunning = false;
        std::unique_ptr<DrawingBoard> board;
    };
    struct RegistryEntry {
        const WindowDescription* original = nullptr;
        WindowDescription working;  // properties 0..7 written while not loaded land here
        std::map<std::pair<UnitIndex, std::int32_t>, Handler> handlers;
        bool loaded = false;
        platform::NativeHandle window = 0;
        std::optional<WindowId> owner;
        std::uint64_t loadOrder = 0;
        bool destroyPending = false;
        bool beingDestroyed = false;
        WindowProperties live;        // the live window's own properties (8 and above)
        std::vector<LiveUnit> units;  // parallel to working.units; [0] unused
    };
    struct PlatformFunctionRow {
        Text name;
        Text library;
        platform::FunctionHandle entry = 0;
    };

    // EventSink
    void closeRequested(platform::NativeHandle window, platform::CloseCause cause) override;
    void destroyRequested(platform::NativeHandle window) override;
    void timerTicked(platform::NativeHandle window, std::uint32_t timerId) override;
    void paintRequested(platform::NativeHandle windowOrSurface, platform::Rect area) override;
    void moved(platform::NativeHandle window) override;
    void resized(platform::NativeHandle window) override;
    [[noreturn]] void platformEnded(int exitCode) override;

    RegistryEntry& entry(WindowId window);
    const RegistryEntry& entry(WindowId window) const;
    RegistryEntry* entryOfWindow(platform::NativeHandle window);
    WindowId idOf(const RegistryEntry& entry) const;
    bool isLive(const RegistryEntry& entry) const { return entry.loaded && entry.window != 0; }
    // Still the same live window as when `handle` was read.
    bool stillLive(const RegistryEntry& entry, platform::NativeHandle handle) const {
        return entry.loaded && entry.window == handle;
    }

    void raiseEvent(WindowId window, UnitIndex unit, std::int32_t eventIndex);
    platform::WindowSpec windowSpec(const RegistryEntry& entry, std::optional<WindowId> parent, bool dialog);
    void buildControls(RegistryEntry& entry);
    void showAtFirst(RegistryEntry& entry);
    void applyPosition(RegistryEntry& entry, std::int32_t position);
    void fitToScreen(RegistryEntry& entry);
    void centre(RegistryEntry& entry);
    void destroyNow(WindowId window);
    void setTimerPeriod(RegistryEntry& entry, UnitIndex unit, std::int32_t period);
    void writeWindowProperty(RegistryEntry& entry, std::int32_t number, std::int32_t value);
    void writeRect(RegistryEntry& entry, UnitIndex unit, std::int32_t number, std::int32_t value);
    void resolve(PlatformFunctionRow& row);
    platform::NativeHandle hiddenOwner();
    // Ending steps 1 to 7.
    void releaseForEnd();

    platform::Platform& platform_;
    ProgramDeclarations program_;
    MediaServices* media_;
    DrawingTrace* trace_;
    RandomGenerator random_;
    PictureRegistry pictures_;
    std::vector<RegistryEntry> registry_;
    std::vector<PlatformFunctionRow> platformFunctions_;
    std::vector<platform::LibraryHandle> librariesKept_;
    int suppression_ = 0;
    bool loopRunning_ = false;
    bool ending_ = false;
    void (*exitRoutine_)() = nullptr;
    std::uint64_t loadCounter_ = 0;
    platform::NativeHandle hiddenOwner_ = 0;
};

// The current runtime; a logic error when there is none.
Runtime& runtime();
bool hasRuntime();

// The program's services, on the current runtime.
void initialiseRuntime();
void registerExitRoutine(void (*routine)());
void loadStartWindow(WindowId window);
void runMessageLoop();
bool loadWindow(WindowId window, std::optional<WindowId> parent = {}, bool dialog = false);
void destroy(WindowId window, bool atOnce = false);
[[noreturn]] void endProgram(int exitCode);
void delay(std::int32_t milliseconds);
std::int32_t messageBox(const Text& text, std::int32_t style = 0, std::optional<Text> title = {});
std::int32_t screenWidth();
std::int32_t screenHeight();
platform::NativeHandle nativeHandle(WindowId window, UnitIndex unit = kWindowUnit);
void propertyWrite(WindowId window, UnitIndex unit, std::int32_t number, std::int32_t value);
void reseed();
std::int32_t random(std::int32_t min, std::int32_t max);
std::uint32_t loadPicture(std::span<const std::uint8_t> bytes);
DrawingBoard& board(WindowId window, std::string_view controlName);

// The 32-bit OR of all the values.
template <typename... Values>
constexpr std::int32_t bitwiseOr(std::int32_t first, Values... rest) {
    return static_cast<std::int32_t>((static_cast<std::uint32_t>(first) | ... | static_cast<std::uint32_t>(rest)));
}

std::int32_t callPlatformFunction(std::size_t row, std::span<const std::uint32_t> args);
template <typename... Args>
std::int32_t callPlatformFunction(std::size_t row, Args... args) {
    const std::array<std::uint32_t, sizeof...(Args)> values{static_cast<std::uint32_t>(args)...};
    return callPlatformFunction(row, std::span<const std::uint32_t>(values));
}

}  // namespace love::runtime
