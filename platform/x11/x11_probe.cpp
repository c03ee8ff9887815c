// love-x11-probe: what the integration tests ask of a running X display.
//
//   love-x11-probe find [--class C] [--name N] [--unowned]   ids of mapped windows that match, one per line
//   love-x11-probe wait [--class C] [--name N] [--unowned] [--timeout MS]   waits for one, prints its id
//   love-x11-probe key ID KEY...                         sends key presses (keysym names) straight to the window
//   love-x11-probe close ID                              sends the window manager's close request
//   love-x11-probe hit X Y                               the top-level window that takes input there
//   love-x11-probe geometry ID                           x y width height (root coordinates), map state
//   love-x11-probe shape ID X Y [X Y ...]               per point: X Y bounding input (1 inside, 0 outside)
//   love-x11-probe shape-rects ID                        rectangles in the bounding and input shapes
//   love-x11-probe count X Y W H RRGGBB [--not]          screen pixels of (or not of) that colour in the area
//   love-x11-probe pixel X Y                             the screen pixel's colour as RRGGBB
//   love-x11-probe locate X Y W H RRGGBB...              the first screen pixel in the area of none of the colours
//   love-x11-probe top ID                                the window's outermost ancestor below the root (its frame)
//   love-x11-probe frame ID                              how much window-manager frames add to the window's size
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/shape.h>
#include <time.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Query {
    std::string windowClass;
    std::string name;
    bool unownedOnly = false;  // no WM_TRANSIENT_FOR
};

std::string nameOf(Display* display, Window window) {
    Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    Atom netName = XInternAtom(display, "_NET_WM_NAME", False);
    Atom type = None;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    std::string name;
    if (XGetWindowProperty(display, window, netName, 0, 1024, False, utf8, &type, &format, &items, &after, &data) ==
            Success &&
        data != nullptr && items > 0) {
        name.assign(reinterpret_cast<char*>(data), items);
    } else {
        char* plain = nullptr;
        if (XFetchName(display, window, &plain) && plain != nullptr) {
            name = plain;
            XFree(plain);
        }
    }
    if (data != nullptr) XFree(data);
    return name;
}

bool matches(Display* display, Window window, const Query& query) {
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, window, &attributes) || attributes.map_state != IsViewable) return false;
    if (!query.windowClass.empty()) {
        XClassHint hint{};
        if (!XGetClassHint(display, window, &hint)) return false;
        const bool same = hint.res_class != nullptr && query.windowClass == hint.res_class;
        if (hint.res_name != nullptr) XFree(hint.res_name);
        if (hint.res_class != nullptr) XFree(hint.res_class);
        if (!same) return false;
    }
    if (query.unownedOnly) {
        Window owner = 0;
        if (XGetTransientForHint(display, window, &owner)) return false;
    }
    return query.name.empty() || nameOf(display, window) == query.name;
}

void collect(Display* display, Window window, const Query& query, std::vector<Window>& found) {
    if (matches(display, window, query)) found.push_back(window);
    Window root = 0, parent = 0, *children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, window, &root, &parent, &children, &count)) return;
    for (unsigned int i = 0; i < count; ++i) collect(display, children[i], query, found);
    if (children != nullptr) XFree(children);
}

int ignoreErrors(Display*, XErrorEvent*) { return 0; }

Query parseQuery(int argc, char** argv, int from, long* timeoutMs) {
    Query query;
    for (int i = from; i < argc; ++i) {
        if (std::strcmp(argv[i], "--unowned") == 0) query.unownedOnly = true;
        if (i + 1 >= argc) break;
        if (std::strcmp(argv[i], "--class") == 0) query.windowClass = argv[i + 1];
        if (std::strcmp(argv[i], "--name") == 0) query.name = argv[i + 1];
        if (std::strcmp(argv[i], "--timeout") == 0 && timeoutMs != nullptr) *timeoutMs = std::atol(argv[i + 1]);
    }
    return query;
}

bool contains(XRectangle* rects, int count, int x, int y) {
    for (int i = 0; i < count; ++i) {
        if (x >= rects[i].x && y >= rects[i].y && x < rects[i].x + rects[i].width && y < rects[i].y + rects[i].height)
            return true;
    }
    return false;
}

XImage* grabScreen(Display* display, int x, int y, int width, int height) {
    return XGetImage(display, DefaultRootWindow(display), x, y, static_cast<unsigned int>(width),
                     static_cast<unsigned int>(height), AllPlanes, ZPixmap);
}

int usage() {
    std::fprintf(stderr, "usage: love-x11-probe find|wait|geometry|shape|shape-rects|count|pixel|frame ...\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return usage();
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "love-x11-probe: no display\n");
        return 3;
    }
    XSetErrorHandler(ignoreErrors);
    const std::string command = argv[1];
    const Window root = DefaultRootWindow(display);

    if (command == "find" || command == "wait") {
        long timeoutMs = 0;
        const Query query = parseQuery(argc, argv, 2, &timeoutMs);
        timespec start{};
        clock_gettime(CLOCK_MONOTONIC, &start);
        for (;;) {
            std::vector<Window> found;
            collect(display, root, query, found);
            for (Window window : found) std::printf("0x%lx\n", window);
            if (!found.empty()) return 0;
            if (command == "find") return 1;
            timespec now{};
            clock_gettime(CLOCK_MONOTONIC, &now);
            if ((now.tv_sec - start.tv_sec) * 1000 + (now.tv_nsec - start.tv_nsec) / 1000000 > timeoutMs) return 1;
            timespec pause{0, 2'000'000};  // 2 ms: the tests stop the program right after it maps
            nanosleep(&pause, nullptr);
        }
    }
    if (command == "geometry" && argc == 3) {
        const Window window = std::strtoul(argv[2], nullptr, 0);
        XWindowAttributes attributes;
        if (!XGetWindowAttributes(display, window, &attributes)) return 1;
        int x = 0, y = 0;
        Window child = 0;
        XTranslateCoordinates(display, window, root, 0, 0, &x, &y, &child);
        std::printf("%d %d %d %d %s\n", x, y, attributes.width, attributes.height,
                    attributes.map_state == IsViewable ? "viewable" : "unviewable");
        return 0;
    }
    if (command == "key" && argc >= 4) {
        const Window window = std::strtoul(argv[2], nullptr, 0);
        for (int i = 3; i < argc; ++i) {
            XEvent key{};
            key.xkey.type = KeyPress;
            key.xkey.display = display;
            key.xkey.window = window;
            key.xkey.root = root;
            key.xkey.same_screen = True;
            key.xkey.keycode = XKeysymToKeycode(display, XStringToKeysym(argv[i]));
            XSendEvent(display, window, True, KeyPressMask, &key);
            key.xkey.type = KeyRelease;
            XSendEvent(display, window, True, KeyReleaseMask, &key);
        }
        XSync(display, False);
        return 0;
    }
    if (command == "close" && argc == 3) {
        XEvent message{};
        message.xclient.type = ClientMessage;
        message.xclient.window = std::strtoul(argv[2], nullptr, 0);
        message.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
        message.xclient.format = 32;
        message.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
        message.xclient.data.l[1] = CurrentTime;
        XSendEvent(display, message.xclient.window, False, NoEventMask, &message);
        XSync(display, False);
        return 0;
    }
    if (command == "hit" && argc == 4) {
        // The server's own hit test (shapes included) from the root down to a top-level window.
        Window child = 0;
        int x = 0, y = 0;
        XTranslateCoordinates(display, root, root, std::atoi(argv[2]), std::atoi(argv[3]), &x, &y, &child);
        std::printf("0x%lx\n", child);
        return 0;
    }
    if (command == "locate" && argc >= 7) {
        const int x = std::atoi(argv[2]), y = std::atoi(argv[3]), width = std::atoi(argv[4]),
                  height = std::atoi(argv[5]);
        std::vector<unsigned long> colours;
        for (int i = 6; i < argc; ++i) colours.push_back(std::strtoul(argv[i], nullptr, 16));
        XImage* image = grabScreen(display, x, y, width, height);
        if (image == nullptr) return 1;
        for (int row = 0; row < height; ++row) {
            for (int column = 0; column < width; ++column) {
                const unsigned long pixel = XGetPixel(image, column, row) & 0xFFFFFF;
                bool listed = false;
                for (unsigned long colour : colours) listed = listed || pixel == colour;
                if (!listed) {
                    std::printf("%d %d %06lx\n", x + column, y + row, pixel);
                    XDestroyImage(image);
                    return 0;
                }
            }
        }
        XDestroyImage(image);
        return 1;
    }
    if (command == "top" && argc == 3) {
        Window top = std::strtoul(argv[2], nullptr, 0);
        for (;;) {
            Window rootReturn = 0, parent = 0, *children = nullptr;
            unsigned int count = 0;
            if (!XQueryTree(display, top, &rootReturn, &parent, &children, &count)) return 1;
            if (children != nullptr) XFree(children);
            if (parent == root || parent == 0) break;
            top = parent;
        }
        std::printf("0x%lx\n", top);
        return 0;
    }
    if (command == "frame" && argc == 3) {
        // How far the outermost ancestor below the root reaches beyond the window on each side.
        const Window window = std::strtoul(argv[2], nullptr, 0);
        Window top = window;
        for (;;) {
            Window rootReturn = 0, parent = 0, *children = nullptr;
            unsigned int count = 0;
            if (!XQueryTree(display, top, &rootReturn, &parent, &children, &count)) return 1;
            if (children != nullptr) XFree(children);
            if (parent == root || parent == 0) break;
            top = parent;
        }
        XWindowAttributes inner, outer;
        XGetWindowAttributes(display, window, &inner);
        XGetWindowAttributes(display, top, &outer);
        std::printf("%d %d\n", outer.width - inner.width, outer.height - inner.height);
        return 0;
    }
    if (command == "shape" && argc >= 5) {
        const Window window = std::strtoul(argv[2], nullptr, 0);
        int boundingCount = 0, inputCount = 0, ordering = 0;
        XRectangle* bounding = XShapeGetRectangles(display, window, ShapeBounding, &boundingCount, &ordering);
        XRectangle* input = XShapeGetRectangles(display, window, ShapeInput, &inputCount, &ordering);
        for (int i = 3; i + 1 < argc; i += 2) {
            const int x = std::atoi(argv[i]), y = std::atoi(argv[i + 1]);
            std::printf("%d %d %d %d\n", x, y, contains(bounding, boundingCount, x, y) ? 1 : 0,
                        contains(input, inputCount, x, y) ? 1 : 0);
        }
        if (bounding != nullptr) XFree(bounding);
        if (input != nullptr) XFree(input);
        return 0;
    }
    if (command == "shape-rects" && argc == 3) {
        const Window window = std::strtoul(argv[2], nullptr, 0);
        int boundingCount = 0, inputCount = 0, ordering = 0;
        XRectangle* bounding = XShapeGetRectangles(display, window, ShapeBounding, &boundingCount, &ordering);
        XRectangle* input = XShapeGetRectangles(display, window, ShapeInput, &inputCount, &ordering);
        std::printf("%d %d\n", boundingCount, inputCount);
        if (bounding != nullptr) XFree(bounding);
        if (input != nullptr) XFree(input);
        return 0;
    }
    if (command == "count" && argc >= 7) {
        const int x = std::atoi(argv[2]), y = std::atoi(argv[3]), width = std::atoi(argv[4]),
                  height = std::atoi(argv[5]);
        const unsigned long colour = std::strtoul(argv[6], nullptr, 16);
        const bool negate = argc >= 8 && std::strcmp(argv[7], "--not") == 0;
        XImage* image = grabScreen(display, x, y, width, height);
        if (image == nullptr) return 1;
        long count = 0;
        for (int row = 0; row < height; ++row) {
            for (int column = 0; column < width; ++column) {
                const bool same = (XGetPixel(image, column, row) & 0xFFFFFF) == colour;
                if (same != negate) ++count;
            }
        }
        XDestroyImage(image);
        std::printf("%ld\n", count);
        return 0;
    }
    if (command == "pixel" && argc == 4) {
        XImage* image = grabScreen(display, std::atoi(argv[2]), std::atoi(argv[3]), 1, 1);
        if (image == nullptr) return 1;
        std::printf("%06lx\n", XGetPixel(image, 0, 0) & 0xFFFFFF);
        XDestroyImage(image);
        return 0;
    }
    return usage();
}
