#include "platform/x11/x11_platform.h"

#include <X11/Xatom.h>
#include <X11/extensions/Xrandr.h>
#include <X11/extensions/shape.h>
#include <fcntl.h>
#include <limits.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>

#include "platform/host_text.h"

namespace love::platform::x11 {

namespace {

// Xlib's error callbacks and the signal handler carry no user pointer: these two are the only
// statics, and they only point at the one platform object.
X11Platform* currentPlatform = nullptr;
volatile sig_atomic_t signalWriteFd = -1;

void onTerminationSignal(int signalNumber) {
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    if (signalWriteFd >= 0) {
        const ssize_t written = ::write(signalWriteFd, &byte, 1);
        static_cast<void>(written);
    }
    errno = saved;
}

}  // namespace

std::unique_ptr<X11Platform> X11Platform::open() {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        const char* name = std::getenv("DISPLAY");
        std::fprintf(stderr, "love-show: cannot open the X display %s\n",
                     name != nullptr ? name : "(DISPLAY is not set)");
        return nullptr;
    }
    int shapeError = 0;
    std::unique_ptr<X11Platform> platform(new X11Platform());
    platform->display_ = display;
    if (!XShapeQueryExtension(display, &platform->shapeEventBase_, &shapeError)) {
        std::fprintf(stderr, "love-show: the X server has no SHAPE extension, so see-through windows are impossible\n");
        return nullptr;
    }
    platform->screen_ = DefaultScreen(display);
    platform->root_ = RootWindow(display, platform->screen_);
    XVisualInfo wanted{};
    wanted.screen = platform->screen_;
    wanted.depth = 24;
    wanted.c_class = TrueColor;
    wanted.red_mask = 0xFF0000;
    wanted.green_mask = 0x00FF00;
    wanted.blue_mask = 0x0000FF;
    int count = 0;
    XVisualInfo* found = XGetVisualInfo(display,
                                        VisualScreenMask | VisualDepthMask | VisualClassMask | VisualRedMaskMask |
                                            VisualGreenMaskMask | VisualBlueMaskMask,
                                        &wanted, &count);
    if (found == nullptr || count == 0 || ImageByteOrder(display) != LSBFirst) {
        std::fprintf(stderr, "love-show: the X server offers no 24-bit 0xRRGGBB TrueColor visual\n");
        if (found != nullptr) XFree(found);
        return nullptr;
    }
    platform->visual_ = found[0].visual;
    platform->depth_ = found[0].depth;
    XFree(found);

    int major = 0, minor = 0;
    Bool pixmaps = False;
    platform->shmAvailable_ =
        XShmQueryVersion(display, &major, &minor, &pixmaps) && std::getenv("LOVE_SHOW_NO_SHM") == nullptr;
    int randrEvent = 0, randrError = 0;
    platform->randrAvailable_ = XRRQueryExtension(display, &randrEvent, &randrError);

    auto atom = [display](const char* name) { return XInternAtom(display, name, False); };
    platform->atoms_ = Atoms{atom("WM_PROTOCOLS"),
                             atom("WM_DELETE_WINDOW"),
                             atom("WM_TRANSIENT_FOR"),
                             atom("_NET_WM_NAME"),
                             atom("_NET_WM_ICON"),
                             atom("_NET_WM_STATE"),
                             atom("_NET_WM_STATE_FULLSCREEN"),
                             atom("_NET_WM_STATE_SKIP_TASKBAR"),
                             atom("_NET_WM_STATE_ABOVE"),
                             atom("_NET_WM_STATE_HIDDEN"),
                             atom("_NET_WM_STATE_MAXIMIZED_VERT"),
                             atom("_NET_WM_STATE_MAXIMIZED_HORZ"),
                             atom("_NET_ACTIVE_WINDOW"),
                             atom("_NET_SUPPORTING_WM_CHECK"),
                             atom("_NET_WM_WINDOW_TYPE"),
                             atom("_NET_WM_WINDOW_TYPE_DIALOG"),
                             atom("_NET_WM_PID"),
                             atom("_MOTIF_WM_HINTS"),
                             atom("UTF8_STRING")};
    platform->gc_ = XCreateGC(display, platform->root_, 0, nullptr);

    if (pipe2(platform->signalPipe_, O_CLOEXEC | O_NONBLOCK) == 0) {
        signalWriteFd = platform->signalPipe_[1];
        struct sigaction action {};
        action.sa_handler = onTerminationSignal;
        sigemptyset(&action.sa_mask);
        sigaction(SIGTERM, &action, nullptr);
        sigaction(SIGINT, &action, nullptr);
        sigaction(SIGHUP, &action, nullptr);
    }
    currentPlatform = platform.get();
    XSetErrorHandler(onXError);
    XSetIOErrorHandler(onXIOError);
    return platform;
}

X11Platform::~X11Platform() {
    if (currentPlatform == this) currentPlatform = nullptr;
    signalWriteFd = -1;
    for (auto& [handle, record] : windows_) {
        if (record.image && !live()) record.image->forgetDisplay();
    }
    if (live()) {
        for (auto& [handle, record] : windows_) {
            if (!record.isSurface) XDestroyWindow(display_, record.xid);
        }
    }
    windows_.clear();
    if (live()) {
        XFreeGC(display_, gc_);
        XCloseDisplay(display_);
    }
    for (int fd : signalPipe_) {
        if (fd >= 0) ::close(fd);
    }
}

int X11Platform::onXError(Display*, XErrorEvent* error) {
    // Requests on windows that just went away (focus, stacking, a destroyed surface) are
    // harmless here; they are noted on stderr only when asked for.
    if (std::getenv("LOVE_SHOW_TRACE_X_ERRORS") != nullptr) {
        std::fprintf(stderr, "love-show: X error %d on request %d.%d (resource 0x%lx)\n", error->error_code,
                     error->request_code, error->minor_code, error->resourceid);
    }
    return 0;
}

int X11Platform::onXIOError(Display*) {
    if (currentPlatform != nullptr) currentPlatform->displayWentAway();
    std::fprintf(stderr, "love-show: lost the connection to the X display\n");
    std::fflush(stderr);
    _exit(1);
}

void X11Platform::displayWentAway() {
    displayLost_ = true;  // from here on no Xlib call is made
    for (auto& [handle, record] : windows_) {
        if (record.image) record.image->forgetDisplay();
    }
    std::fprintf(stderr, "love-show: lost the connection to the X display; ending\n");
    std::fflush(stderr);
    if (sink_ != nullptr) sink_->platformEnded(1);
    std::fflush(nullptr);
    _exit(1);
}

bool X11Platform::windowManagerPresent() const {
    if (!live()) return false;
    Atom type = None;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    bool present = false;
    if (XGetWindowProperty(display_, root_, atoms_.netSupportingWmCheck, 0, 1, False, XA_WINDOW, &type, &format, &items,
                           &after, &data) == Success &&
        data != nullptr && items == 1) {
        present = true;
    }
    if (data != nullptr) XFree(data);
    return present;
}

Rect X11Platform::primaryMonitor() const {
    const Rect wholeScreen{0, 0, DisplayWidth(display_, screen_), DisplayHeight(display_, screen_)};
    if (!live() || !randrAvailable_) return wholeScreen;
    // Asked afresh each time: monitors come and go, and the primary may change.
    int count = 0;
    XRRMonitorInfo* monitors = XRRGetMonitors(display_, root_, True, &count);
    Rect result = wholeScreen;
    if (monitors != nullptr) {
        for (int i = 0; i < count; ++i) {
            if (monitors[i].primary) result = {monitors[i].x, monitors[i].y, monitors[i].width, monitors[i].height};
        }
        XRRFreeMonitors(monitors);
    }
    return result;
}

Size X11Platform::screenSize() const {
    if (!live()) return {};
    const Rect monitor = primaryMonitor();
    return {monitor.width, monitor.height};
}

std::uint32_t X11Platform::tickCount() const {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const std::uint64_t ms =
        static_cast<std::uint64_t>(now.tv_sec) * 1000u + static_cast<std::uint64_t>(now.tv_nsec) / 1000000u;
    return static_cast<std::uint32_t>(ms);
}

void X11Platform::sleep(std::uint32_t milliseconds) {
    // A delay handles no message; it only wakes for a termination signal, and for the X
    // connection so that a display that goes away is noticed within the delay.
    const auto deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
    for (;;) {
        checkSignals();
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) return;
        pollfd fds[2] = {{signalPipe_[0], POLLIN, 0}, {live() ? ConnectionNumber(display_) : -1, POLLIN, 0}};
        const int ready = ::poll(fds, 2, static_cast<int>(std::min<long long>(left, 1000)));
        if (ready > 0 && (fds[1].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
            // Buffers what arrived (events wait in Xlib's queue); on a closed connection this is
            // where the IO error handler runs.
            XEventsQueued(display_, QueuedAfterReading);
            if (XEventsQueued(display_, QueuedAlready) == 0 && (fds[1].revents & POLLIN) != 0) {
                // Readable but nothing read means end of file: let Xlib notice it.
                XNoOp(display_);
                XSync(display_, False);
            }
        }
    }
}

void X11Platform::checkSignals() {
    unsigned char signalNumber = 0;
    if (signalPipe_[0] >= 0 && ::read(signalPipe_[0], &signalNumber, 1) == 1) {
        std::fprintf(stderr, "love-show: ending on signal %d\n", signalNumber);
        std::fflush(stderr);
        if (sink_ != nullptr) sink_->platformEnded(128 + signalNumber);
        terminate(128 + signalNumber);
    }
}

std::string X11Platform::programFolder() const {
    std::error_code error;
    const auto program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) return std::filesystem::current_path(error).string();
    return program.parent_path().string();
}

void X11Platform::setWorkingDirectory(const std::string& folder) {
    if (::chdir(folder.c_str()) != 0) {
        std::fprintf(stderr, "love-show: cannot change to %s: %s\n", folder.c_str(), std::strerror(errno));
    }
}

void X11Platform::terminate(int exitCode) {
    std::fflush(nullptr);
    _exit(exitCode);
}

std::unique_ptr<Font> X11Platform::createFont(const FontRequest& request) { return host::createFont(request); }

std::u32string X11Platform::decodeGbk(std::string_view gbk) const { return host::decodeGbk(gbk); }

}  // namespace love::platform::x11

namespace love::platform {

std::unique_ptr<Platform> createPlatform() { return x11::X11Platform::open(); }

}  // namespace love::platform
