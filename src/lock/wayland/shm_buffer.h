#pragma once
// A picture in memory shared with the compositor: a wl_buffer and a QImage over the same
// pixels, so the toolkit's painter draws straight into what the compositor shows.

#include <QImage>
#include <QSize>
#include <cstdint>
#include <memory>

struct wl_buffer;
struct wl_shm;

namespace waylock {

class ShmBuffer {
public:
    // A buffer of `size` device pixels in the wl_shm format `format` with `stride` bytes a
    // row (0: packed); nullptr when the memory or the format cannot be had.
    static std::unique_ptr<ShmBuffer> create(wl_shm* shm, QSize size, uint32_t format,
                                             int stride = 0);
    ~ShmBuffer();
    ShmBuffer(const ShmBuffer&) = delete;
    ShmBuffer& operator=(const ShmBuffer&) = delete;

    wl_buffer* buffer() const { return buffer_; }
    // The pixels as an image; valid as long as this buffer.
    QImage& image() { return image_; }
    QSize size() const { return image_.size(); }
    // Handed to the compositor and not yet released by it: must not be drawn into.
    bool busy() const { return busy_; }
    void setBusy() { busy_ = true; }

    // The image format of a wl_shm format, or Format_Invalid for one this code cannot
    // read or draw into.
    static QImage::Format imageFormat(uint32_t format);
    // The compositor's event: done reading the pixels.
    static void onRelease(void* data, wl_buffer*);

private:
    ShmBuffer() = default;

    wl_buffer* buffer_ = nullptr;
    void* memory_ = nullptr;
    size_t bytes_ = 0;
    QImage image_;
    bool busy_ = false;
};

} // namespace waylock
