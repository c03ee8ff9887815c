#include "platform/x11/x11_image.h"

#include <X11/Xutil.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace love::platform::x11 {

namespace {

// Attaching can fail on a server that cannot reach our memory (another machine); the default
// error handler would end the program, so the attempt runs under a handler that only notes it.
bool attachFailed = false;
int noteAttachError(Display*, XErrorEvent*) {
    attachFailed = true;
    return 0;
}

}  // namespace

std::unique_ptr<ClientImage> ClientImage::create(Display* display, Visual* visual, int depth, bool useShm,
                                                 std::int32_t width, std::int32_t height) {
    std::unique_ptr<ClientImage> image(new ClientImage());
    image->display_ = display;
    image->width_ = std::max(width, 0);
    image->height_ = std::max(height, 0);
    // X has no empty images; an empty view keeps a 1 x 1 image behind it.
    const unsigned int allocWidth = static_cast<unsigned int>(std::max(width, 1));
    const unsigned int allocHeight = static_cast<unsigned int>(std::max(height, 1));

    if (useShm) {
        XImage* shmImage = XShmCreateImage(display, visual, static_cast<unsigned int>(depth), ZPixmap, nullptr,
                                           &image->segment_, allocWidth, allocHeight);
        if (shmImage != nullptr) {
            const std::size_t bytes = static_cast<std::size_t>(shmImage->bytes_per_line) * allocHeight;
            image->segment_.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
            void* address =
                image->segment_.shmid >= 0 ? shmat(image->segment_.shmid, nullptr, 0) : reinterpret_cast<void*>(-1);
            if (address != reinterpret_cast<void*>(-1)) {
                image->segment_.shmaddr = shmImage->data = static_cast<char*>(address);
                image->segment_.readOnly = False;
                XSync(display, False);
                attachFailed = false;
                auto previous = XSetErrorHandler(noteAttachError);
                XShmAttach(display, &image->segment_);
                XSync(display, False);
                XSetErrorHandler(previous);
                // Marked for removal now, so the segment goes away with the process whatever happens.
                shmctl(image->segment_.shmid, IPC_RMID, nullptr);
                if (!attachFailed) {
                    image->image_ = shmImage;
                    image->shared_ = true;
                } else {
                    shmdt(address);
                }
            } else if (image->segment_.shmid >= 0) {
                shmctl(image->segment_.shmid, IPC_RMID, nullptr);
            }
            if (!image->shared_) {
                shmImage->data = nullptr;
                shmImage->obdata = nullptr;  // points at our segment record, which Xlib must not free
                XDestroyImage(shmImage);
            }
        }
    }
    if (image->image_ == nullptr) {
        const std::size_t bytes = static_cast<std::size_t>(allocWidth) * allocHeight * 4;
        char* data = static_cast<char*>(std::malloc(bytes));
        if (data == nullptr) return nullptr;
        image->image_ = XCreateImage(display, visual, static_cast<unsigned int>(depth), ZPixmap, 0, data, allocWidth,
                                     allocHeight, 32, static_cast<int>(allocWidth * 4));
        if (image->image_ == nullptr) {
            std::free(data);
            return nullptr;
        }
    }
    image->pixels_ = reinterpret_cast<std::uint32_t*>(image->image_->data);
    std::fill_n(image->pixels_, static_cast<std::size_t>(allocWidth) * allocHeight, 0x00FFFFFFu);
    return image;
}

ClientImage::~ClientImage() {
    if (image_ == nullptr) return;
    if (shared_) {
        if (display_ != nullptr) XShmDetach(display_, &segment_);
        shmdt(segment_.shmaddr);
        image_->data = nullptr;
        image_->obdata = nullptr;
    }
    XDestroyImage(image_);  // frees the ordinary memory, only the descriptor for a segment
}

void ClientImage::put(Drawable drawable, GC gc, Rect area) const {
    if (display_ == nullptr || area.width <= 0 || area.height <= 0) return;
    if (shared_) {
        XShmPutImage(display_, drawable, gc, image_, area.x, area.y, area.x, area.y,
                     static_cast<unsigned int>(area.width), static_cast<unsigned int>(area.height), False);
    } else {
        XPutImage(display_, drawable, gc, image_, area.x, area.y, area.x, area.y, static_cast<unsigned int>(area.width),
                  static_cast<unsigned int>(area.height));
    }
}

}  // namespace love::platform::x11
