#pragma once
// Pictures crossing between the X server and the program: through shared memory (the
// server's MIT-SHM extension) where the server offers it, since a full-HD screen is 8 MB,
// which through the socket costs the lock more than the work on it; through the socket
// otherwise (a remote display).

#include <cstdint>
#include <memory>
#include <xcb/xcb.h>

// 32-bit pixels in the host's order, rows `width` apart, read from a drawable.
class DrawablePixels {
public:
    virtual ~DrawablePixels() = default;
    // The `width` x `height` pixels at the drawable's top-left corner; null where they
    // cannot be read as 32-bit pixels (the caller then shows none of them).
    static std::unique_ptr<DrawablePixels> read(xcb_connection_t* c, xcb_drawable_t drawable,
                                                int width, int height);
    uint32_t* pixels() const { return pixels_; }
    int width() const { return width_; }
    int height() const { return height_; }
    // Writes `width` x `height` pixels (rows `width` apart, no more than were read; these
    // pixels themselves, changed, or others) into `pixmap`'s top-left corner with `gc`,
    // the way these came. Nothing is awaited.
    virtual void write(const uint32_t* pixels, int width, int height, xcb_pixmap_t pixmap,
                       xcb_gcontext_t gc, uint8_t depth) const = 0;

protected:
    DrawablePixels(xcb_connection_t* c, int width, int height)
        : c_(c), width_(width), height_(height) {}
    xcb_connection_t* c_;
    uint32_t* pixels_ = nullptr;
    int width_;
    int height_;
};

// Writes `width` x `height` pixels (rows `width` apart) into `pixmap` through the socket,
// in as few requests as the server takes.
void putPixels(xcb_connection_t* c, xcb_pixmap_t pixmap, xcb_gcontext_t gc, uint8_t depth,
               const uint32_t* pixels, int width, int height);

// Makes `pixels` (`width` x `height`, rows `width` apart, of the window's depth) the
// background of `window`: the X server draws them wherever the window is uncovered, from
// the moment it is mapped. Nothing is awaited.
void showAsWindowBackground(xcb_connection_t* c, xcb_window_t window, uint8_t depth,
                            const uint32_t* pixels, int width, int height);
