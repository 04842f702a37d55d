#include "lock/wayland/output_capture.h"

#include "lock/wayland/shm_buffer.h"
#include "lock/wayland/wayland_connection.h"

#include "wlr-screencopy-unstable-v1-client-protocol.h"

#include <memory>
#include <vector>
#include <wayland-client.h>

namespace waylock {

namespace {

// One output's copy in progress.
struct Copy {
    Connection* connection = nullptr;
    uint32_t output = 0;
    zwlr_screencopy_frame_v1* frame = nullptr;
    std::unique_ptr<ShmBuffer> buffer;
    uint32_t flags = 0;
    bool finished = false;
    QImage picture;

    // The compositor offers one buffer shape per format; the first this code can read
    // is taken.
    void offer(uint32_t format, uint32_t width, uint32_t height, uint32_t stride) {
        if (!buffer)
            buffer = ShmBuffer::create(connection->shm(), QSize(int(width), int(height)), format,
                                       int(stride));
    }
    void start() {
        if (buffer)
            zwlr_screencopy_frame_v1_copy(frame, buffer->buffer());
        else
            finished = true;
    }
};

struct FrameEvents {
    static Copy* copy(void* data) { return static_cast<Copy*>(data); }
    static void buffer(void* data, zwlr_screencopy_frame_v1* frame, uint32_t format, uint32_t width,
                       uint32_t height, uint32_t stride) {
        copy(data)->offer(format, width, height, stride);
        // Before version 3 no buffer_done follows: the one offer is all there is.
        if (zwlr_screencopy_frame_v1_get_version(frame) < 3)
            copy(data)->start();
    }
    static void flags(void* data, zwlr_screencopy_frame_v1*, uint32_t flags) {
        copy(data)->flags = flags;
    }
    static void ready(void* data, zwlr_screencopy_frame_v1*, uint32_t, uint32_t, uint32_t) {
        Copy* c = copy(data);
        c->picture = c->buffer->image().copy();
        if (c->flags & ZWLR_SCREENCOPY_FRAME_V1_FLAGS_Y_INVERT)
            c->picture = c->picture.mirrored(false, true);
        c->finished = true;
    }
    static void failed(void* data, zwlr_screencopy_frame_v1*) { copy(data)->finished = true; }
    static void damage(void*, zwlr_screencopy_frame_v1*, uint32_t, uint32_t, uint32_t, uint32_t) {}
    static void dmabuf(void*, zwlr_screencopy_frame_v1*, uint32_t, uint32_t, uint32_t) {}
    static void bufferDone(void* data, zwlr_screencopy_frame_v1*) { copy(data)->start(); }
};

const zwlr_screencopy_frame_v1_listener frameListener = {
    FrameEvents::buffer, FrameEvents::flags,  FrameEvents::ready,      FrameEvents::failed,
    FrameEvents::damage, FrameEvents::dmabuf, FrameEvents::bufferDone,
};

} // namespace

std::map<uint32_t, QImage> captureOutputs(Connection& connection, int timeoutMs) {
    std::map<uint32_t, QImage> pictures;
    zwlr_screencopy_manager_v1* manager = connection.screencopyManager();
    if (!manager)
        return pictures;
    std::vector<std::unique_ptr<Copy>> copies;
    for (const auto& output : connection.outputs()) {
        if (!output->announced)
            continue;
        auto copy = std::make_unique<Copy>();
        copy->connection = &connection;
        copy->output = output->globalName;
        copy->frame = zwlr_screencopy_manager_v1_capture_output(manager, 0, output->proxy);
        zwlr_screencopy_frame_v1_add_listener(copy->frame, &frameListener, copy.get());
        copies.push_back(std::move(copy));
    }
    connection.waitUntil(
        [&copies] {
            for (const auto& copy : copies)
                if (!copy->finished)
                    return false;
            return true;
        },
        timeoutMs);
    for (auto& copy : copies) {
        // A frame still under way is cancelled with its destruction; its buffer then
        // goes too, which the compositor no longer writes into.
        zwlr_screencopy_frame_v1_destroy(copy->frame);
        if (!copy->picture.isNull())
            pictures.emplace(copy->output, std::move(copy->picture));
    }
    connection.flush();
    return pictures;
}

} // namespace waylock
