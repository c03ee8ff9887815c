// Sprite-sized drawing on a full-screen window, timed: the drawing board as the show uses it
// (keyed picture draw, whole-board clear) against the bare GDI calls such a draw needs at the
// least (GetDC, one BitBlt of 99 x 87 from a memory DC, ReleaseDC, GdiFlush, and the zero
// message wait that puts it on screen at once under Wine), each with the
// white colour key off and on. Prints a table; exits non-zero only if something could not be set up.
#include <chrono>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "runtime/drawing_board.h"
#include "runtime/picture_registry.h"
#include "windows/media.h"

using namespace love;
using platform::NativeHandle;

namespace {

class QuietSink final : public platform::EventSink {
public:
    void closeRequested(NativeHandle, platform::CloseCause) override {}
    void destroyRequested(NativeHandle) override {}
    void timerTicked(NativeHandle, std::uint32_t) override {}
    void paintRequested(NativeHandle, platform::Rect) override {}
    void moved(NativeHandle) override {}
    void resized(NativeHandle) override {}
    [[noreturn]] void platformEnded(int exitCode) override { std::exit(exitCode); }
};

class Functions {
public:
    explicit Functions(platform::Platform& p)
        : p_(p), user32_(p.loadLibrary("User32.dll")), gdi32_(p.loadLibrary("Gdi32.dll")) {}
    ~Functions() {
        p_.freeLibrary(user32_);
        p_.freeLibrary(gdi32_);
    }
    std::uint32_t user(const char* name, std::vector<std::uint32_t> args) { return call(user32_, name, args); }
    std::uint32_t gdi(const char* name, std::vector<std::uint32_t> args) { return call(gdi32_, name, args); }

private:
    std::uint32_t call(platform::LibraryHandle library, const char* name, const std::vector<std::uint32_t>& args) {
        auto& entry = cache_[name];
        if (!entry) entry = p_.findFunction(library, name);
        return p_.callFunction(entry, args).value;
    }
    platform::Platform& p_;
    platform::LibraryHandle user32_;
    platform::LibraryHandle gdi32_;
    std::map<std::string, platform::FunctionHandle> cache_;
};

template <typename Draw>
double millisecondsPerCall(int count, Draw draw) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < count; ++i) draw(i);
    const std::chrono::duration<double, std::milli> spent = std::chrono::steady_clock::now() - start;
    return spent.count() / count;
}

}  // namespace

int main() {
    auto p = platform::createPlatform();
    QuietSink sink;
    p->setEventSink(&sink);
    const platform::Size screen = p->screenSize();
    platform::WindowSpec windowSpec;
    windowSpec.rect = {0, 0, screen.width, screen.height};
    const NativeHandle window = p->createWindow(windowSpec);
    const NativeHandle surface = p->createSurface(window, windowSpec.rect, true);
    if (!window || !surface) return 1;
    p->show(window, platform::ShowCommand::Normal);
    p->dispatchPending();

    runtime::PictureRegistry pictures;
    const std::uint32_t sprite = pictures.load(windows::spriteGif());
    if (!sprite) return 1;
    runtime::DrawingBoard board(*p, pictures, surface, runtime::DrawPanelProperties{}, nullptr);
    board.sizeChanged();
    Functions f(*p);

    // The sprite's pixels in a memory DC, copied from where the board drew it.
    board.drawPicture(sprite, 0, 0, {}, {}, static_cast<std::int32_t>(0xFF000001u));
    const std::uint32_t windowDc = f.user("GetDC", {surface});
    const std::uint32_t memoryDc = f.gdi("CreateCompatibleDC", {windowDc});
    const std::uint32_t bitmap = f.gdi("CreateCompatibleBitmap", {windowDc, 99, 87});
    f.gdi("SelectObject", {memoryDc, bitmap});
    f.gdi("BitBlt", {memoryDc, 0, 0, 99, 87, windowDc, 0, 0, 0x00CC0020 /* SRCCOPY */});
    f.user("ReleaseDC", {surface, windowDc});

    const int draws = 300;
    auto x = [&](int i) { return static_cast<std::uint32_t>((i * 97) % (screen.width - 99)); };
    auto y = [&](int i) { return static_cast<std::uint32_t>((i * 61) % (screen.height - 87)); };
    auto boardDraw = [&](int i) {
        board.drawPicture(sprite, static_cast<std::int32_t>(x(i)), static_cast<std::int32_t>(y(i)), {}, {},
                          static_cast<std::int32_t>(0xFF000001u));
    };
    auto bareDraw = [&](int i) {
        const std::uint32_t dc = f.user("GetDC", {surface});
        f.gdi("BitBlt", {dc, x(i), y(i), 99, 87, memoryDc, 0, 0, 0x00CC0020});
        f.user("ReleaseDC", {surface, dc});
        f.gdi("GdiFlush", {});
        f.user("MsgWaitForMultipleObjectsEx", {0, 0, 0, 0, 0});  // on screen now, as the backend does
    };
    auto fullClear = [&](int) { board.clear(0, 0, screen.width, screen.height); };

    std::printf("%-26s %12s %12s\n", "operation (ms per call)", "key off", "key on");
    double boardMs[2], bareMs[2], clearMs[2];
    for (int keyed = 0; keyed < 2; ++keyed) {
        if (keyed) {
            const std::uint32_t exStyle = f.user("GetWindowLongA", {window, static_cast<std::uint32_t>(-20)});
            f.user("SetWindowLongA", {window, static_cast<std::uint32_t>(-20), exStyle | 0x00080000});
            f.user("SetLayeredWindowAttributes", {window, 0x00FFFFFF, 200, 1});
        }
        board.clear(0, 0, screen.width, screen.height);
        boardMs[keyed] = millisecondsPerCall(draws, boardDraw);
        board.clear(0, 0, screen.width, screen.height);
        bareMs[keyed] = millisecondsPerCall(draws, bareDraw);
        clearMs[keyed] = millisecondsPerCall(20, fullClear);
    }
    std::printf("%-26s %12.3f %12.3f\n", "board sprite draw", boardMs[0], boardMs[1]);
    std::printf("%-26s %12.3f %12.3f\n", "bare GDI sprite draw", bareMs[0], bareMs[1]);
    std::printf("%-26s %12.2f %12.2f\n", "ratio board / bare", boardMs[0] / bareMs[0], boardMs[1] / bareMs[1]);
    std::printf("%-26s %12.3f %12.3f\n", "board full-screen clear", clearMs[0], clearMs[1]);
    f.gdi("DeleteDC", {memoryDc});
    f.gdi("DeleteObject", {bitmap});
    return 0;
}
