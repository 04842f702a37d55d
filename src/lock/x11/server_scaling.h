#pragma once
// The X server's own scaling (its RENDER extension's bilinear filter) for the lock's
// picture: the screen averaged down by halves, and the small blurred picture drawn back
// up, so that only small pictures cross the connection and the server does the work on
// the many pixels where they are.

#include "lock/lock_blur.h"
#include "lock/x11/shared_picture.h"

#include <cstdint>
#include <memory>
#include <vector>
#include <xcb/render.h>
#include <xcb/xcb.h>

// One picture of the screen made small and drawn back up into a pixmap of the screen's
// size. Every resource it needs is made, and known to be good, by the time the screen has
// been read, so that drawing it up cannot fail on the way.
class ServerScaledPicture {
public:
    // Null where the server cannot scale (no RENDER, or no picture format for the root's
    // visual). `target` is a pixmap of the root's depth and size; each pixel of the small
    // picture will stand for `step` x `step` of its pixels.
    static std::unique_ptr<ServerScaledPicture>
    begin(xcb_connection_t* c, const xcb_screen_t* screen, xcb_pixmap_t target, int step);
    ~ServerScaledPicture();
    ServerScaledPicture(const ServerScaledPicture&) = delete;
    ServerScaledPicture& operator=(const ServerScaledPicture&) = delete;

    // The root window as on screen, each `factor` x `factor` block (a power of two that
    // divides the step) averaged into one pixel, the blocks at the right and bottom
    // edges over the pixels they have. Null when it cannot be read or anything made for
    // the picture failed.
    std::unique_ptr<DrawablePixels> readAveraged(int factor);

    // Draws the small picture enlarged into the target, each pixel mixed from the four
    // small pixels around its centre by distance, the edges repeated; it goes the way
    // `channel` read pixels. Nothing is awaited: the server draws it before it carries
    // out any later request. False, with nothing drawn, for a small picture of another
    // size or step.
    bool drawEnlarged(const SmallLockPicture& small, const DrawablePixels& channel);

private:
    ServerScaledPicture(xcb_connection_t* c, const xcb_screen_t* screen,
                        xcb_render_pictformat_t format, xcb_pixmap_t target, int step);
    xcb_pixmap_t pixmapOf(int width, int height);
    xcb_render_picture_t pictureOf(xcb_drawable_t drawable, uint32_t mask, const uint32_t* values);
    void scaleSource(xcb_render_picture_t picture, double factor);

    xcb_connection_t* c_;
    xcb_window_t root_;
    uint8_t depth_;
    xcb_render_pictformat_t format_;
    int width_, height_, step_, smallWidth_, smallHeight_;
    xcb_render_picture_t target_ = XCB_NONE;
    xcb_pixmap_t small_ = XCB_NONE;
    xcb_render_picture_t smallPicture_ = XCB_NONE;
    std::vector<xcb_void_cookie_t> asked_; // checked once the screen is read
    std::vector<uint32_t> pictures_, pixmaps_;
};
