#include "lock/x11/shared_picture.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <xcb/shm.h>

namespace {

template <class Reply> using XReply = std::unique_ptr<Reply, decltype(&std::free)>;
template <class Reply> XReply<Reply> owned(Reply* reply) {
    return XReply<Reply>(reply, &std::free);
}

size_t bytesOf(int width, int height) {
    return static_cast<size_t>(width) * static_cast<size_t>(height) * 4;
}

// Pixels in a segment only this user can open, attached here and on the server; gone
// with this object, or with the process and the server if either ends first.
class SharedPixels : public DrawablePixels {
public:
    SharedPixels(xcb_connection_t* c, int width, int height) : DrawablePixels(c, width, height) {
        id_ = shmget(IPC_PRIVATE, bytesOf(width, height), IPC_CREAT | 0600);
        if (id_ < 0)
            return;
        void* at = shmat(id_, nullptr, 0);
        if (at != reinterpret_cast<void*>(-1))
            memory_ = static_cast<uint32_t*>(at);
        seg_ = xcb_generate_id(c);
        attached_ =
            memory_ && !owned(xcb_request_check(
                           c, xcb_shm_attach_checked(c, seg_, static_cast<uint32_t>(id_), 0)));
        // Marked for removal at once: it goes when the last side lets go of it.
        shmctl(id_, IPC_RMID, nullptr);
    }
    ~SharedPixels() override {
        if (attached_)
            xcb_shm_detach(c_, seg_);
        if (memory_)
            shmdt(memory_);
    }
    SharedPixels(const SharedPixels&) = delete;
    SharedPixels& operator=(const SharedPixels&) = delete;

    bool readFrom(xcb_drawable_t drawable) {
        if (!attached_)
            return false;
        const auto image = owned(xcb_shm_get_image_reply(
            c_,
            xcb_shm_get_image(c_, drawable, 0, 0, static_cast<uint16_t>(width_),
                              static_cast<uint16_t>(height_), ~0u, XCB_IMAGE_FORMAT_Z_PIXMAP, seg_,
                              0),
            nullptr));
        if (!image || image->size != bytesOf(width_, height_))
            return false;
        pixels_ = memory_;
        return true;
    }

    void write(const uint32_t* pixels, int width, int height, xcb_pixmap_t pixmap,
               xcb_gcontext_t gc, uint8_t depth) const override {
        if (!pixels_ || bytesOf(width, height) > bytesOf(width_, height_))
            return;
        if (pixels != pixels_)
            std::memcpy(pixels_, pixels, bytesOf(width, height));
        const auto w = static_cast<uint16_t>(width), h = static_cast<uint16_t>(height);
        // The segment stays attached on the server until a later request detaches it.
        xcb_shm_put_image(c_, pixmap, gc, w, h, 0, 0, w, h, 0, 0, depth, XCB_IMAGE_FORMAT_Z_PIXMAP,
                          0, seg_, 0);
    }

private:
    int id_ = -1;
    uint32_t* memory_ = nullptr;
    xcb_shm_seg_t seg_ = 0;
    bool attached_ = false;
};

// Pixels read through the socket, kept in the reply.
class SocketPixels : public DrawablePixels {
public:
    SocketPixels(xcb_connection_t* c, int width, int height)
        : DrawablePixels(c, width, height), reply_(nullptr, &std::free) {}

    bool readFrom(xcb_drawable_t drawable) {
        reply_ = owned(xcb_get_image_reply(c_,
                                           xcb_get_image(c_, XCB_IMAGE_FORMAT_Z_PIXMAP, drawable, 0,
                                                         0, static_cast<uint16_t>(width_),
                                                         static_cast<uint16_t>(height_), ~0u),
                                           nullptr));
        // 32 bits a pixel in the host's order is what every true-colour X server sends a
        // local client; anything else is not read.
        if (!reply_ || static_cast<size_t>(xcb_get_image_data_length(reply_.get())) !=
                           bytesOf(width_, height_))
            return false;
        pixels_ = reinterpret_cast<uint32_t*>(xcb_get_image_data(reply_.get()));
        return true;
    }

    void write(const uint32_t* pixels, int width, int height, xcb_pixmap_t pixmap,
               xcb_gcontext_t gc, uint8_t depth) const override {
        putPixels(c_, pixmap, gc, depth, pixels, width, height);
    }

private:
    XReply<xcb_get_image_reply_t> reply_;
};

} // namespace

std::unique_ptr<DrawablePixels> DrawablePixels::read(xcb_connection_t* c, xcb_drawable_t drawable,
                                                     int width, int height) {
    if (width <= 0 || height <= 0 || width > UINT16_MAX || height > UINT16_MAX)
        return nullptr;
    const xcb_query_extension_reply_t* shm = xcb_get_extension_data(c, &xcb_shm_id);
    if (shm && shm->present) {
        auto shared = std::make_unique<SharedPixels>(c, width, height);
        if (shared->readFrom(drawable))
            return shared;
    }
    auto socket = std::make_unique<SocketPixels>(c, width, height);
    if (socket->readFrom(drawable))
        return socket;
    return nullptr;
}

void putPixels(xcb_connection_t* c, xcb_pixmap_t pixmap, xcb_gcontext_t gc, uint8_t depth,
               const uint32_t* pixels, int width, int height) {
    const size_t room = xcb_get_maximum_request_length(c) * size_t{4} - 64;
    const int rows = std::max(1, static_cast<int>(room / bytesOf(width, 1)));
    for (int top = 0; top < height; top += rows) {
        const int count = std::min(rows, height - top);
        xcb_put_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, pixmap, gc, static_cast<uint16_t>(width),
                      static_cast<uint16_t>(count), 0, static_cast<int16_t>(top), 0, depth,
                      static_cast<uint32_t>(bytesOf(width, count)),
                      reinterpret_cast<const uint8_t*>(pixels + size_t(top) * size_t(width)));
    }
}

void showAsWindowBackground(xcb_connection_t* c, xcb_window_t window, uint8_t depth,
                            const uint32_t* pixels, int width, int height) {
    if (width <= 0 || height <= 0 || width > UINT16_MAX || height > UINT16_MAX)
        return;
    const xcb_pixmap_t pixmap = xcb_generate_id(c);
    xcb_create_pixmap(c, depth, pixmap, window, static_cast<uint16_t>(width),
                      static_cast<uint16_t>(height));
    const xcb_gcontext_t gc = xcb_generate_id(c);
    const uint32_t noExposures = 0;
    xcb_create_gc(c, gc, pixmap, XCB_GC_GRAPHICS_EXPOSURES, &noExposures);
    putPixels(c, pixmap, gc, depth, pixels, width, height);
    xcb_free_gc(c, gc);
    xcb_change_window_attributes(c, window, XCB_CW_BACK_PIXMAP, &pixmap);
    xcb_clear_area(c, 0, window, 0, 0, 0, 0); // now, if it is already on screen
    xcb_free_pixmap(c, pixmap);               // the window keeps it while it needs it
}
