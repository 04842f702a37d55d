#include "lock/x11/shared_picture.h"

#include <cstdlib>
#include <memory>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <xcb/shm.h>

namespace {

template <class Reply> using XReply = std::unique_ptr<Reply, decltype(&std::free)>;
template <class Reply> XReply<Reply> owned(Reply* reply) {
    return XReply<Reply>(reply, &std::free);
}

// A segment only this user can open, attached here and on the server; gone with this
// object, or with the process and the server if either ends first.
class Segment {
public:
    Segment(xcb_connection_t* c, size_t bytes) : c_(c) {
        id_ = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
        if (id_ < 0)
            return;
        void* at = shmat(id_, nullptr, 0);
        if (at != reinterpret_cast<void*>(-1))
            pixels_ = static_cast<uint32_t*>(at);
        seg_ = xcb_generate_id(c);
        attached_ =
            pixels_ && !owned(xcb_request_check(
                           c, xcb_shm_attach_checked(c, seg_, static_cast<uint32_t>(id_), 0)));
        // Marked for removal at once: it goes when the last side lets go of it.
        shmctl(id_, IPC_RMID, nullptr);
    }
    ~Segment() {
        if (attached_)
            xcb_shm_detach(c_, seg_);
        if (pixels_)
            shmdt(pixels_);
    }
    Segment(const Segment&) = delete;
    Segment& operator=(const Segment&) = delete;
    bool usable() const { return attached_; }
    uint32_t* pixels() const { return pixels_; }
    xcb_shm_seg_t id() const { return seg_; }

private:
    xcb_connection_t* c_;
    int id_ = -1;
    uint32_t* pixels_ = nullptr;
    xcb_shm_seg_t seg_ = 0;
    bool attached_ = false;
};

} // namespace

bool changeScreenThroughSharedMemory(xcb_connection_t* c, xcb_window_t root, xcb_pixmap_t pixmap,
                                     xcb_gcontext_t gc, uint8_t depth, int width, int height,
                                     const std::function<void(uint32_t*)>& change) {
    const xcb_query_extension_reply_t* shm = xcb_get_extension_data(c, &xcb_shm_id);
    if (!shm || !shm->present || width <= 0 || height <= 0)
        return false;
    const size_t bytes = size_t(width) * size_t(height) * 4;
    Segment segment(c, bytes);
    if (!segment.usable())
        return false;
    const auto image =
        owned(xcb_shm_get_image_reply(c,
                                      xcb_shm_get_image(c, root, 0, 0, static_cast<uint16_t>(width),
                                                        static_cast<uint16_t>(height), ~0u,
                                                        XCB_IMAGE_FORMAT_Z_PIXMAP, segment.id(), 0),
                                      nullptr));
    if (!image || image->size != bytes)
        return false;
    change(segment.pixels());
    xcb_shm_put_image(c, pixmap, gc, static_cast<uint16_t>(width), static_cast<uint16_t>(height), 0,
                      0, static_cast<uint16_t>(width), static_cast<uint16_t>(height), 0, 0, depth,
                      XCB_IMAGE_FORMAT_Z_PIXMAP, 0, segment.id(), 0);
    // The server has read the segment once it answers a later request.
    free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    return true;
}
