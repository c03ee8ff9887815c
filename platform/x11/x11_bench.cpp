// love-x11-bench: on the current X display, how much the backend adds to each sprite over the
// bare X requests a sprite needs, what the show's drawing and wipe cost, CPU while idle and the
// peak resident size. Run it on an otherwise idle Xvfb of 1920 x 1080.
//
//   love-x11-bench [--hold SECONDS]   (--hold keeps the last picture on screen for a screenshot)
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <X11/extensions/shape.h>
#include <sys/ipc.h>
#include <sys/resource.h>
#include <sys/shm.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "platform/emulated/emulated_libraries.h"
#include "platform/platform.h"

namespace {

using love::platform::NativeHandle;
using love::platform::Platform;
using love::platform::Rect;
using Clock = std::chrono::steady_clock;

constexpr int kSpriteWidth = 99, kSpriteHeight = 87;
constexpr std::uint32_t kWhite = 0x00FFFFFF;

// A rose-like blob on pure white: a flower of five lobes and a stem, no white inside.
std::vector<std::uint32_t> makeSprite() {
    std::vector<std::uint32_t> pixels(kSpriteWidth * kSpriteHeight, kWhite);
    for (int y = 0; y < kSpriteHeight; ++y) {
        for (int x = 0; x < kSpriteWidth; ++x) {
            const double dx = x - 49.0, dy = y - 36.0;
            const double angle = std::atan2(dy, dx), radius = std::hypot(dx, dy);
            if (radius < 26 + 8 * std::cos(5 * angle)) {
                pixels[y * kSpriteWidth + x] = 0x00C00000u + (static_cast<std::uint32_t>(radius * 2) << 8);
            } else if (std::abs(x - 49) < 3 && y > 60) {
                pixels[y * kSpriteWidth + x] = 0x00208020;
            }
        }
    }
    return pixels;
}

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Draws the sprite as the drawing board does (white left out), then presents the rectangle.
void drawSprite(Platform& platform, NativeHandle board, const std::vector<std::uint32_t>& sprite, int left, int top) {
    const auto view = platform.pixels(board);
    for (int y = 0; y < kSpriteHeight; ++y) {
        for (int x = 0; x < kSpriteWidth; ++x) {
            const int px = left + x, py = top + y;
            const std::uint32_t colour = sprite[y * kSpriteWidth + x];
            if (colour != kWhite && px >= 0 && py >= 0 && px < view.width && py < view.height) view.at(px, py) = colour;
        }
    }
    platform.present(board, Rect{left, top, kSpriteWidth, kSpriteHeight});
}

void fillBoard(Platform& platform, NativeHandle board, Rect area, std::uint32_t rgb) {
    const auto view = platform.pixels(board);
    for (int y = std::max(area.y, 0); y < std::min(area.y + area.height, view.height); ++y) {
        std::fill_n(&view.at(std::max(area.x, 0), y),
                    std::max(0, std::min(area.x + area.width, view.width) - std::max(area.x, 0)), rgb);
    }
    platform.presentFill(board, area, rgb);
}

// The bare requests of one sprite on a shaped window of our own: put the rectangle, unite its
// mask (a ready 1-bit pixmap) with the bounding shape, and wait for the server, on a connection
// of its own.
double bareSpriteMs(const std::vector<std::uint32_t>& sprite, int count, int width, int height) {
    Display* display = XOpenDisplay(nullptr);
    const int screen = DefaultScreen(display);
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    attributes.background_pixmap = None;
    const Window window = XCreateWindow(display, RootWindow(display, screen), 0, 0, width, height, 0, 24, InputOutput,
                                        DefaultVisual(display, screen), CWOverrideRedirect | CWBackPixmap, &attributes);
    XShapeCombineRectangles(display, window, ShapeBounding, 0, 0, nullptr, 0, ShapeSet, Unsorted);
    XShapeCombineRectangles(display, window, ShapeInput, 0, 0, nullptr, 0, ShapeSet, Unsorted);
    XMapWindow(display, window);
    GC gc = XCreateGC(display, window, 0, nullptr);
    XShmSegmentInfo segment{};
    XImage* image = XShmCreateImage(display, DefaultVisual(display, screen), 24, ZPixmap, nullptr, &segment,
                                    kSpriteWidth, kSpriteHeight);
    segment.shmid =
        shmget(IPC_PRIVATE, static_cast<std::size_t>(image->bytes_per_line) * kSpriteHeight, IPC_CREAT | 0600);
    segment.shmaddr = image->data = static_cast<char*>(shmat(segment.shmid, nullptr, 0));
    XShmAttach(display, &segment);
    XSync(display, False);
    shmctl(segment.shmid, IPC_RMID, nullptr);
    std::memcpy(image->data, sprite.data(), sprite.size() * 4);
    // The mask once, as a 1-bit pixmap.
    std::vector<char> bits(((kSpriteWidth + 7) / 8) * kSpriteHeight, 0);
    for (int y = 0; y < kSpriteHeight; ++y) {
        for (int x = 0; x < kSpriteWidth; ++x) {
            if (sprite[y * kSpriteWidth + x] != kWhite)
                bits[y * ((kSpriteWidth + 7) / 8) + x / 8] |= static_cast<char>(1 << (x % 8));
        }
    }
    const Pixmap mask = XCreateBitmapFromData(display, window, bits.data(), kSpriteWidth, kSpriteHeight);
    std::mt19937 random(7);
    const auto start = Clock::now();
    for (int i = 0; i < count; ++i) {
        const int x = static_cast<int>(random() % (width - kSpriteWidth)),
                  y = static_cast<int>(random() % (height - kSpriteHeight));
        XShmPutImage(display, window, gc, image, 0, 0, x, y, kSpriteWidth, kSpriteHeight, False);
        XShapeCombineMask(display, window, ShapeBounding, x, y, mask, ShapeUnion);
        XSync(display, False);
    }
    const double perSprite = msSince(start) / count;
    XShmDetach(display, &segment);
    shmdt(segment.shmaddr);
    XCloseDisplay(display);
    return perSprite;
}

}  // namespace

int main(int argc, char** argv) {
    int holdSeconds = 0;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--hold") == 0) holdSeconds = std::atoi(argv[i + 1]);
    }
    auto platform = love::platform::createPlatform();
    if (!platform) return 77;
    const auto screen = platform->screenSize();
    const auto sprite = makeSprite();

    love::platform::WindowSpec start;
    start.rect = {screen.width / 2, screen.height / 2, 0, 0};
    const NativeHandle startWindow = platform->createWindow(start);
    love::platform::WindowSpec show;
    show.rect = {0, 0, screen.width, screen.height};
    show.owner = startWindow;
    const NativeHandle showWindow = platform->createWindow(show);
    const NativeHandle board = platform->createSurface(showWindow, {0, 0, screen.width, screen.height}, true);
    fillBoard(*platform, board, {0, 0, screen.width, screen.height}, kWhite);

    // The colour key through the emulated window functions, as the program sets it.
    const auto user32 = platform->loadLibrary("User32.dll");
    const auto getLong = platform->findFunction(user32, "GetWindowLongA");
    const auto setLong = platform->findFunction(user32, "SetWindowLongA");
    const auto setLayered = platform->findFunction(user32, "SetLayeredWindowAttributes");
    const std::uint32_t exStyleIndex = static_cast<std::uint32_t>(love::platform::emulated::kGwlExStyle);
    const std::uint32_t style =
        platform->callFunction(getLong, std::vector<std::uint32_t>{showWindow, exStyleIndex}).value;
    platform->callFunction(
        setLong, std::vector<std::uint32_t>{showWindow, exStyleIndex, style | love::platform::emulated::kWsExLayered});
    platform->callFunction(setLayered, std::vector<std::uint32_t>{showWindow, 0x00FFFFFF, 200, 1});
    platform->show(showWindow, love::platform::ShowCommand::Normal);
    platform->show(startWindow, love::platform::ShowCommand::Normal);
    platform->dispatchPending();

    std::mt19937 random(1);
    auto place = [&](int& x, int& y) {
        x = static_cast<int>(random() % static_cast<unsigned>(screen.width + 1)) - 49;
        y = static_cast<int>(random() % static_cast<unsigned>(screen.height + 1)) - 43;
    };

    // The show's drawing: 108 + 199 sprites on the heart (here: a ring), 999 scattered, 108 again.
    const auto drawingStart = Clock::now();
    for (int i = 0; i < 307; ++i) {
        const double angle = i * 0.0205;
        drawSprite(*platform, board, sprite, static_cast<int>(screen.width / 2 + 400 * std::cos(angle)),
                   static_cast<int>(screen.height / 2 + 300 * std::sin(angle)));
    }
    const auto scatterStart = Clock::now();
    for (int i = 0; i < 999; ++i) {
        int x = 0, y = 0;
        place(x, y);
        drawSprite(*platform, board, sprite, x, y);
    }
    const double scatterMs = msSince(scatterStart);
    const auto wipeStart = Clock::now();
    for (int l = 1; l <= screen.width; ++l) {
        fillBoard(*platform, board,
                  {0, 0, l, static_cast<int>(static_cast<long long>(screen.height) * l / screen.width)}, kWhite);
    }
    const double wipeMs = msSince(wipeStart);
    for (int i = 0; i < 108; ++i) {
        const double angle = i * 0.058;
        drawSprite(*platform, board, sprite, static_cast<int>(screen.width / 2 + 400 * std::cos(angle)),
                   static_cast<int>(screen.height / 2 + 300 * std::sin(angle)));
    }
    const double drawingMs = msSince(drawingStart) - wipeMs;

    const double spriteMs = scatterMs / 999;
    const double bareMs = bareSpriteMs(sprite, 999, screen.width, screen.height);

    // Idle: a timer every 500 ms and nothing else, for 3 s.
    struct CountingSink final : love::platform::EventSink {
        int ticks = 0;
        void closeRequested(NativeHandle, love::platform::CloseCause) override {}
        void destroyRequested(NativeHandle) override {}
        void timerTicked(NativeHandle, std::uint32_t) override { ++ticks; }
        void paintRequested(NativeHandle, Rect) override {}
        void moved(NativeHandle) override {}
        void resized(NativeHandle) override {}
        [[noreturn]] void platformEnded(int code) override { std::exit(code); }
    } sink;
    platform->setEventSink(&sink);
    platform->startTimer(showWindow, 1, 500);
    const double cpuBefore = cpuSeconds();
    const auto idleStart = Clock::now();
    while (msSince(idleStart) < 3000) platform->waitAndDispatch();
    const double idleCpuMs = (cpuSeconds() - cpuBefore) * 1000;

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("| measure | value |\n|---|---|\n");
    std::printf("| sprite draw + present (backend, scattered) | %.3f ms |\n", spriteMs);
    std::printf("| bare X: put + unite ready mask with the bounding shape + sync | %.3f ms |\n", bareMs);
    std::printf("| ratio backend / bare | %.2f |\n", spriteMs / bareMs);
    std::printf("| drawing of 1,414 sprites, wipe apart | %.0f ms |\n", drawingMs);
    std::printf("| wipe: %d fills of the growing rectangle | %.0f ms |\n", screen.width, wipeMs);
    std::printf("| CPU while idle, 3 s with a 500 ms timer (%d ticks) | %.1f ms |\n", sink.ticks, idleCpuMs);
    std::printf("| peak RSS | %ld MiB |\n", usage.ru_maxrss / 1024);
    if (holdSeconds > 0) platform->sleep(static_cast<std::uint32_t>(holdSeconds) * 1000);
    platform->terminate(0);
}
