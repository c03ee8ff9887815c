// Property writes with arbitrary windows, units, numbers and values on a headless runtime: values
// out of range are brought into it, and exactly the writes that cannot be carried out end in the
// runtime error report.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "platform/headless/headless_platform.h"
#include "runtime/runtime.h"

namespace {

namespace rt = love::runtime;
namespace property = rt::property;
using love::platform::Rect;
using love::platform::headless::HeadlessPlatform;
using love::platform::headless::Terminated;

constexpr rt::WindowId kLoaded{0};
constexpr std::uint32_t kWindowCount = 2;
constexpr rt::UnitIndex kBoard = 1;
constexpr rt::UnitIndex kTimer = 2;
constexpr std::int32_t kCoordinateLimit = 32627;
// The headless backend keeps every pixel of a window or board: keep the fuzzer's areas small.
constexpr std::int64_t kLargestArea = std::int64_t{1} << 16;

rt::UnitDescription windowUnit(rt::CommonProperties common) {
    rt::UnitDescription unit;
    unit.common = common;
    unit.window.border = 0;
    unit.window.position = rt::kPositionNormal;
    return unit;
}

std::vector<rt::WindowDescription> describeWindows() {
    std::vector<rt::WindowDescription> all(kWindowCount);
    all[0].units.push_back(windowUnit({.left = 10, .top = 10, .width = 200, .height = 150}));
    rt::UnitDescription board;
    board.type = rt::UnitType::DrawPanel;
    board.name = "b";
    board.common = {.left = 0, .top = 0, .width = 64, .height = 48};
    board.drawPanel.font.height = -12;
    all[0].units.push_back(board);
    rt::UnitDescription timer;
    timer.type = rt::UnitType::Timer;
    timer.name = "t";
    timer.common.visible = false;
    all[0].units.push_back(timer);
    all[1].units.push_back(windowUnit({.left = 0, .top = 0, .width = 50, .height = 40}));
    return all;
}

const std::vector<rt::WindowDescription>& windows() {
    static const std::vector<rt::WindowDescription> all = describeWindows();
    return all;
}

struct Write {
    std::uint32_t window;
    rt::UnitIndex unit;
    std::int32_t number;
    std::int32_t value;
};

// Reads writes of 6 bytes: window and unit (1 byte), the number (1 byte: -4 to 59; or, with its
// top bit set, 4 more bytes), the value (4 bytes). Window 1 is never loaded.
class WriteReader {
public:
    WriteReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool next(Write& write) {
        if (size_ - at_ < 6) return false;
        const std::uint8_t target = data_[at_++];
        // Mostly writes that can be carried out: each failing one costs a new runtime.
        const std::uint8_t window = target >> 4;
        write.window = window < 12 ? 0 : window < 15 ? 1 : kWindowCount;  // one id beyond the registry
        const std::uint8_t unit = target & 0x0F;
        write.unit = unit < 12 ? unit % 3 : unit - 9;  // units beyond the window's too
        const std::uint8_t number = data_[at_++];
        if ((number & 0x80) != 0 && size_ - at_ >= 8) {
            write.number = readInt32();
        } else {
            write.number = (number & 0x3F) - 4;  // -4 ... 59
        }
        write.value = readInt32();
        return true;
    }

private:
    std::int32_t readInt32() {
        std::uint32_t v = 0;
        std::memcpy(&v, data_ + at_, sizeof v);
        at_ += sizeof v;
        return static_cast<std::int32_t>(v);
    }
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

struct Session {
    HeadlessPlatform platform;
    rt::Runtime runtime{platform, rt::ProgramDeclarations{.windows = windows()}};
    Session() {
        platform.setScreenSize({320, 240});
        runtime.initialise();
        FUZZ_CHECK(runtime.loadWindow(kLoaded));
    }
    std::size_t units(std::uint32_t window) const { return windows()[window].units.size(); }
    bool live(std::uint32_t window) const { return window == static_cast<std::uint32_t>(kLoaded); }
};

bool mustFail(const Session& session, const Write& w) {
    if (w.window >= kWindowCount) return true;
    if (w.unit >= session.units(w.window) || w.number < 0) return true;
    return w.number > property::kMousePointer && !session.live(w.window);
}

std::int32_t expectedStored(std::int32_t number, std::int32_t value) {
    return number <= property::kTop ? std::clamp(value, -kCoordinateLimit, kCoordinateLimit)
                                    : std::clamp(value, 0, kCoordinateLimit);
}

// Keeps a width or height write from making an area the backend cannot hold in memory.
std::int32_t boundedSize(Session& session, const Write& w) {
    if (w.window >= kWindowCount || w.unit >= session.units(w.window)) return w.value;
    if (w.number != property::kWidth && w.number != property::kHeight) return w.value;
    const rt::WindowId window{w.window};
    const std::int32_t otherNumber = w.number == property::kWidth ? property::kHeight : property::kWidth;
    std::int64_t other = session.runtime.storedProperty(window, w.unit, otherNumber);
    if (session.live(w.window)) {
        const Rect r = session.platform.rect(session.runtime.nativeHandle(window, w.unit));
        other = std::max<std::int64_t>(other, otherNumber == property::kWidth ? r.width : r.height);
    }
    const std::int64_t area = std::int64_t{expectedStored(w.number, w.value)} * std::max<std::int64_t>(other, 1);
    return area > kLargestArea ? (w.value & 0x3FF) : w.value;
}

void checkApplied(Session& session, const Write& w) {
    const rt::WindowId window{w.window};
    rt::Runtime& runtime = session.runtime;
    if (w.number <= property::kHeight) {
        const std::int32_t stored = expectedStored(w.number, w.value);
        FUZZ_CHECK(runtime.storedProperty(window, w.unit, w.number) == stored);
        if (session.live(w.window) && w.unit == kBoard) {
            const Rect r = session.platform.rect(runtime.nativeHandle(window, w.unit));
            const std::int32_t live[] = {r.x, r.y, r.width, r.height};
            FUZZ_CHECK(live[w.number] == stored);
        }
    } else if (w.number == property::kVisible) {
        FUZZ_CHECK(runtime.storedProperty(window, w.unit, w.number) == (w.value != 0 ? 1 : 0));
        if (session.live(w.window) && w.unit == kBoard) {
            FUZZ_CHECK(session.platform.isVisible(runtime.nativeHandle(window, w.unit)) == (w.value != 0));
        }
    } else if (w.number == property::kPeriod && w.unit == kTimer) {
        FUZZ_CHECK(runtime.timerPeriod(window, w.unit) == std::max(w.value, 0));
        FUZZ_CHECK(runtime.timerRunning(window, w.unit) == (w.value > 0));
    }
}

}  // namespace

// One runtime serves input after input (building one makes a font, which is slow); a write that
// ends the program also ends that runtime and the input, and the next input gets a fresh one.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static std::unique_ptr<Session> session;
    if (!session) session = std::make_unique<Session>();
    WriteReader reader(data, size);
    Write write{};
    while (reader.next(write)) {
        write.value = boundedSize(*session, write);
        const bool fails = mustFail(*session, write);
        try {
            session->runtime.propertyWrite(rt::WindowId{write.window}, write.unit, write.number, write.value);
        } catch (const Terminated& ended) {
            FUZZ_CHECK(fails);
            FUZZ_CHECK(ended.exitCode == -1);
            FUZZ_CHECK(!session->platform.messageBoxes().empty());
            session.reset();  // the program has ended: the rest of the input would run on another
            return 0;
        }
        FUZZ_CHECK(!fails);
        checkApplied(*session, write);
    }
    return 0;
}
