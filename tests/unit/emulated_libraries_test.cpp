// Our own system libraries: which names load, what User32.dll exports, and the colour key.
#include "platform/emulated/emulated_libraries.h"

#include <gtest/gtest.h>

#include <set>

namespace {

using love::platform::NativeHandle;
using love::platform::emulated::EmulatedLibraries;

class FakeHost final : public love::platform::emulated::LayeredWindowHost {
public:
    std::set<NativeHandle> windows{7};
    std::vector<std::pair<NativeHandle, std::uint32_t>> keys;
    bool isWindow(NativeHandle window) const override { return windows.contains(window); }
    void setColourKey(NativeHandle window, std::uint32_t colorref) override { keys.emplace_back(window, colorref); }
};

TEST(EmulatedLibraries, TheSixSystemNamesLoadInAnyCaseAndAreCounted) {
    FakeHost host;
    EmulatedLibraries libraries(host);
    for (const char* name : {"Kernel32.dll", "GDI32.DLL", "user32.dll", "Advapi32.dll", "mpr.dll", "Shell32.dll"}) {
        EXPECT_NE(libraries.loadLibrary(name), 0u) << name;
    }
    EXPECT_EQ(libraries.loadLibrary("Comctl32.dll"), 0u);
    EXPECT_EQ(libraries.loadLibrary("User32"), 0u);
    EXPECT_EQ(libraries.loadedCount(), 6u);
    const auto user32 = libraries.loadLibrary("User32.dll");
    EXPECT_EQ(libraries.loadedCount(), 7u);
    libraries.freeLibrary(user32);
    libraries.freeLibrary(user32);
    libraries.freeLibrary(0);
    EXPECT_EQ(libraries.loadedCount(), 5u);
}

TEST(EmulatedLibraries, OnlyUser32ExportsTheThreeWindowFunctions) {
    FakeHost host;
    EmulatedLibraries libraries(host);
    const auto kernel32 = libraries.loadLibrary("Kernel32.dll");
    const auto user32 = libraries.loadLibrary("User32.dll");
    for (const char* name : {"GetWindowLongA", "SetWindowLongA", "SetLayeredWindowAttributes"}) {
        EXPECT_EQ(libraries.findFunction(kernel32, name), 0u) << name;
        EXPECT_NE(libraries.findFunction(user32, name), 0u) << name;
    }
    EXPECT_EQ(libraries.findFunction(user32, "getwindowlonga"), 0u);  // export names keep their case
    EXPECT_EQ(libraries.findFunction(user32, "MessageBoxA"), 0u);
    EXPECT_EQ(libraries.findOrdinal(user32, 1), 0u);
    libraries.freeLibrary(user32);
    EXPECT_EQ(libraries.findFunction(user32, "GetWindowLongA"), 0u);  // not loaded any more
}

TEST(EmulatedLibraries, AWrongNumberOfArgumentsComesBackUnbalanced) {
    FakeHost host;
    EmulatedLibraries libraries(host);
    const auto user32 = libraries.loadLibrary("User32.dll");
    const auto get = libraries.findFunction(user32, "GetWindowLongA");
    const auto set = libraries.findFunction(user32, "SetWindowLongA");
    const auto layered = libraries.findFunction(user32, "SetLayeredWindowAttributes");
    const std::vector<std::pair<love::platform::FunctionHandle, std::vector<std::uint32_t>>> wrong = {
        {get, {7}}, {get, {7, 0xFFFFFFEC, 0}}, {set, {7, 0xFFFFFFEC}}, {layered, {7, 0xFFFFFF, 200}}, {999, {}}};
    for (const auto& [function, args] : wrong) {
        EXPECT_FALSE(libraries.callFunction(function, args).balanced) << args.size() << " arguments";
    }
    EXPECT_EQ(libraries.extendedStyle(7), 0u);
    EXPECT_TRUE(libraries.callFunction(get, std::vector<std::uint32_t>{7, 0xFFFFFFEC}).balanced);
}

TEST(EmulatedLibraries, AColourKeyNeedsTheLayeredStyleAndTheKeyFlag) {
    FakeHost host;
    EmulatedLibraries libraries(host);
    const auto user32 = libraries.loadLibrary("User32.dll");
    const auto call = [&](const char* name, std::vector<std::uint32_t> args) {
        return libraries.callFunction(libraries.findFunction(user32, name), args).value;
    };
    const std::uint32_t exStyle = static_cast<std::uint32_t>(-20);
    EXPECT_EQ(call("SetLayeredWindowAttributes", {7, 0xFFFFFF, 200, 1}), 0u);  // not layered yet
    EXPECT_TRUE(host.keys.empty());

    EXPECT_EQ(call("SetWindowLongA", {7, exStyle, 0x00080008}), 0u);  // returns the previous style
    EXPECT_EQ(call("GetWindowLongA", {7, exStyle}), 0x00080008u);
    EXPECT_EQ(call("SetWindowLongA", {8, exStyle, 0x00080000}), 0u);  // no such window
    EXPECT_EQ(libraries.extendedStyle(8), 0u);

    EXPECT_EQ(call("SetLayeredWindowAttributes", {7, 0x00FFFFFF, 200, 2}), 1u);  // alpha only: no key
    EXPECT_TRUE(host.keys.empty());
    EXPECT_EQ(call("SetLayeredWindowAttributes", {7, 0x00FFFFFF, 200, 1}), 1u);
    EXPECT_EQ(host.keys, (std::vector<std::pair<NativeHandle, std::uint32_t>>{{7, 0x00FFFFFF}}));

    libraries.forgetWindow(7);
    EXPECT_EQ(libraries.extendedStyle(7), 0u);
}

}  // namespace
