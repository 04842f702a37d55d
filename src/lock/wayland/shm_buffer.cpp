#include "lock/wayland/shm_buffer.h"

#include <QtEndian>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

namespace waylock {

QImage::Format ShmBuffer::imageFormat(uint32_t format) {
    // wl_shm names formats by the bytes of a little-endian 32-bit word, QImage by the
    // word itself: the same on little-endian machines only.
    if (QSysInfo::ByteOrder != QSysInfo::LittleEndian)
        return QImage::Format_Invalid;
    switch (format) {
    case WL_SHM_FORMAT_XRGB8888:
        return QImage::Format_RGB32;
    case WL_SHM_FORMAT_ARGB8888:
        return QImage::Format_ARGB32_Premultiplied;
    case WL_SHM_FORMAT_XBGR8888:
        return QImage::Format_RGBX8888;
    case WL_SHM_FORMAT_ABGR8888:
        return QImage::Format_RGBA8888_Premultiplied;
    default:
        return QImage::Format_Invalid;
    }
}

static const wl_buffer_listener bufferListener = {ShmBuffer::onRelease};

void ShmBuffer::onRelease(void* data, wl_buffer*) {
    static_cast<ShmBuffer*>(data)->busy_ = false;
}

std::unique_ptr<ShmBuffer> ShmBuffer::create(wl_shm* shm, QSize size, uint32_t format, int stride) {
    const QImage::Format imageFormat = ShmBuffer::imageFormat(format);
    if (!shm || size.isEmpty() || imageFormat == QImage::Format_Invalid)
        return nullptr;
    if (stride == 0)
        stride = size.width() * 4;
    if (stride < size.width() * 4 || size.height() > INT32_MAX / stride)
        return nullptr;
    std::unique_ptr<ShmBuffer> result(new ShmBuffer);
    result->bytes_ = size_t(stride) * size_t(size.height());
    const int fd = memfd_create("veltrane-lock", MFD_CLOEXEC);
    if (fd < 0)
        return nullptr;
    if (ftruncate(fd, off_t(result->bytes_)) != 0) {
        close(fd);
        return nullptr;
    }
    void* memory = mmap(nullptr, result->bytes_, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (memory == MAP_FAILED) {
        close(fd);
        return nullptr;
    }
    result->memory_ = memory;
    wl_shm_pool* pool = wl_shm_create_pool(shm, fd, int32_t(result->bytes_));
    result->buffer_ =
        wl_shm_pool_create_buffer(pool, 0, size.width(), size.height(), stride, format);
    wl_shm_pool_destroy(pool); // the buffer keeps the memory; the pool is not needed again
    close(fd);
    wl_buffer_add_listener(result->buffer_, &bufferListener, result.get());
    result->image_ =
        QImage(static_cast<uchar*>(memory), size.width(), size.height(), stride, imageFormat);
    return result;
}

ShmBuffer::~ShmBuffer() {
    if (buffer_)
        wl_buffer_destroy(buffer_);
    if (memory_)
        munmap(memory_, bytes_);
}

} // namespace waylock
