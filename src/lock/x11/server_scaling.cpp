#include "lock/x11/server_scaling.h"

#include "lock/x11/x11_connection.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

template <class Reply> using XReply = std::unique_ptr<Reply, decltype(&std::free)>;
template <class Reply> XReply<Reply> owned(Reply* reply) {
    return XReply<Reply>(reply, &std::free);
}

constexpr char kBilinear[] = "bilinear";

xcb_render_fixed_t fixed(double value) {
    return static_cast<xcb_render_fixed_t>(std::lround(value * 65536));
}

// The picture format of the root's visual, 0 when there is none of its depth.
xcb_render_pictformat_t rootFormat(xcb_connection_t* c, const xcb_screen_t* screen) {
    // Asked once for the connection: the server's formats never change.
    static xcb_connection_t* askedOn = nullptr;
    static xcb_render_pictformat_t found = 0;
    if (askedOn == c)
        return found;
    const xcb_render_query_version_cookie_t version =
        xcb_render_query_version(c, XCB_RENDER_MAJOR_VERSION, XCB_RENDER_MINOR_VERSION);
    const xcb_render_query_pict_formats_cookie_t asked = xcb_render_query_pict_formats(c);
    const auto versionReply = owned(xcb_render_query_version_reply(c, version, nullptr));
    const auto formats = owned(xcb_render_query_pict_formats_reply(c, asked, nullptr));
    xcb_render_pictformat_t format = 0;
    // Filters and transforms came with version 0.6.
    if (versionReply && formats &&
        (versionReply->major_version > 0 || versionReply->minor_version >= 6)) {
        for (auto s = xcb_render_query_pict_formats_screens_iterator(formats.get()); s.rem;
             xcb_render_pictscreen_next(&s))
            for (auto d = xcb_render_pictscreen_depths_iterator(s.data); d.rem;
                 xcb_render_pictdepth_next(&d))
                for (auto v = xcb_render_pictdepth_visuals_iterator(d.data); v.rem;
                     xcb_render_pictvisual_next(&v))
                    if (v.data->visual == screen->root_visual)
                        format = v.data->format;
        for (auto it = xcb_render_query_pict_formats_formats_iterator(formats.get()); it.rem;
             xcb_render_pictforminfo_next(&it))
            if (it.data->id == format && (it.data->type != XCB_RENDER_PICT_TYPE_DIRECT ||
                                          it.data->depth != screen->root_depth))
                format = 0;
    }
    askedOn = c;
    found = format;
    return found;
}

} // namespace

ServerScaledPicture::ServerScaledPicture(xcb_connection_t* c, const xcb_screen_t* screen,
                                         xcb_render_pictformat_t format, xcb_pixmap_t target,
                                         int step)
    : c_(c), root_(screen->root), depth_(screen->root_depth), format_(format),
      width_(screen->width_in_pixels), height_(screen->height_in_pixels), step_(step),
      smallWidth_((width_ + step - 1) / step), smallHeight_((height_ + step - 1) / step) {
    target_ = pictureOf(target, 0, nullptr);
    // The small picture's pixmap, drawn up through a picture that samples it `step` times
    // more finely than its pixels, the edges repeated.
    small_ = pixmapOf(smallWidth_, smallHeight_);
    const uint32_t pad = XCB_RENDER_REPEAT_PAD;
    smallPicture_ = pictureOf(small_, XCB_RENDER_CP_REPEAT, &pad);
    scaleSource(smallPicture_, 1.0 / step);
}

std::unique_ptr<ServerScaledPicture> ServerScaledPicture::begin(xcb_connection_t* c,
                                                                const xcb_screen_t* screen,
                                                                xcb_pixmap_t target, int step) {
    const xcb_query_extension_reply_t* render = xcb_get_extension_data(c, &xcb_render_id);
    if (!render || !render->present || step < 1)
        return nullptr;
    const xcb_render_pictformat_t format = rootFormat(c, screen);
    if (!format)
        return nullptr;
    return std::unique_ptr<ServerScaledPicture>(
        new ServerScaledPicture(c, screen, format, target, step));
}

ServerScaledPicture::~ServerScaledPicture() {
    if (x11Connection() != c_)
        return; // the connection is gone, and everything made on it
    for (const uint32_t picture : pictures_)
        xcb_render_free_picture(c_, picture);
    for (const uint32_t pixmap : pixmaps_)
        xcb_free_pixmap(c_, pixmap);
}

xcb_pixmap_t ServerScaledPicture::pixmapOf(int width, int height) {
    const xcb_pixmap_t pixmap = xcb_generate_id(c_);
    asked_.push_back(xcb_create_pixmap_checked(
        c_, depth_, pixmap, root_, static_cast<uint16_t>(width), static_cast<uint16_t>(height)));
    pixmaps_.push_back(pixmap);
    return pixmap;
}

xcb_render_picture_t ServerScaledPicture::pictureOf(xcb_drawable_t drawable, uint32_t mask,
                                                    const uint32_t* values) {
    const xcb_render_picture_t picture = xcb_generate_id(c_);
    asked_.push_back(
        xcb_render_create_picture_checked(c_, picture, drawable, format_, mask, values));
    pictures_.push_back(picture);
    return picture;
}

// As a source, the picture is read `factor` times as far per pixel drawn, bilinearly.
void ServerScaledPicture::scaleSource(xcb_render_picture_t picture, double factor) {
    asked_.push_back(xcb_render_set_picture_filter_checked(
        c_, picture, static_cast<uint16_t>(std::strlen(kBilinear)), kBilinear, 0, nullptr));
    const xcb_render_transform_t scale = {fixed(factor), 0, 0, 0, fixed(factor), 0, 0, 0, fixed(1)};
    asked_.push_back(xcb_render_set_picture_transform_checked(c_, picture, scale));
}

std::unique_ptr<DrawablePixels> ServerScaledPicture::readAveraged(int factor) {
    std::unique_ptr<DrawablePixels> pixels;
    if (factor <= 1) {
        pixels = DrawablePixels::read(c_, root_, width_, height_);
    } else {
        // Halved as often as it takes: the bilinear filter's sample where four pixels
        // meet is their mean, and past the edges it repeats the last ones. The last
        // halving lands in the small picture's pixmap when it makes the small picture.
        const bool makesSmall = factor == step_;
        const uint32_t pad = XCB_RENDER_REPEAT_PAD;
        const uint32_t onScreen[] = {pad, XCB_SUBWINDOW_MODE_INCLUDE_INFERIORS};
        xcb_render_picture_t source =
            pictureOf(root_, XCB_RENDER_CP_REPEAT | XCB_RENDER_CP_SUBWINDOW_MODE, onScreen);
        xcb_pixmap_t halved = XCB_NONE;
        int width = width_, height = height_;
        for (; factor > 1; factor /= 2) {
            scaleSource(source, 2);
            width = (width + 1) / 2;
            height = (height + 1) / 2;
            xcb_render_picture_t picture = smallPicture_;
            halved = small_;
            if (factor > 2 || !makesSmall) {
                halved = pixmapOf(width, height);
                picture = pictureOf(halved, XCB_RENDER_CP_REPEAT, &pad);
            }
            asked_.push_back(xcb_render_composite_checked(
                c_, XCB_RENDER_PICT_OP_SRC, source, XCB_NONE, picture, 0, 0, 0, 0, 0, 0,
                static_cast<uint16_t>(width), static_cast<uint16_t>(height)));
            source = picture;
        }
        pixels = DrawablePixels::read(c_, halved, width, height);
    }
    // Answered by now, as the read was: a failed step leaves pixels nobody drew.
    bool failed = !pixels;
    for (const xcb_void_cookie_t cookie : asked_)
        failed = owned(xcb_request_check(c_, cookie)) != nullptr || failed;
    asked_.clear();
    return failed ? nullptr : std::move(pixels);
}

bool ServerScaledPicture::drawEnlarged(const SmallLockPicture& small,
                                       const DrawablePixels& channel) {
    if (small.step != step_ || small.width != smallWidth_ || small.height != smallHeight_)
        return false;
    const xcb_gcontext_t gc = xcb_generate_id(c_);
    const uint32_t noExposures = 0;
    xcb_create_gc(c_, gc, small_, XCB_GC_GRAPHICS_EXPOSURES, &noExposures);
    channel.write(small.pixels.data(), small.width, small.height, small_, gc, depth_);
    xcb_free_gc(c_, gc);
    xcb_render_composite(c_, XCB_RENDER_PICT_OP_SRC, smallPicture_, XCB_NONE, target_, 0, 0, 0, 0,
                         0, 0, static_cast<uint16_t>(width_), static_cast<uint16_t>(height_));
    return true;
}
