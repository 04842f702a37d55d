#include "lock/x11/server_overlay.h"

#include "lock/x11/shared_picture.h"
#include "lock/x11/x11_connection.h"

#include <QPainter>
#include <QWidget>
#include <algorithm>

namespace platform {

namespace {

// Coverages the caption's edges are blended at, and mixes of its two colours where it
// is opaque: eight of each are as smooth as the eye sees.
constexpr int kSteps = 8;

// A colour as a pixel of the true-colour screens the row's picture is sent for.
uint32_t pixelOf(const QColor& colour) {
    return colour.rgb() & 0xFFFFFF;
}

QColor mix(const QColor& from, const QColor& to, int step) {
    const auto channel = [step](int a, int b) { return a + (b - a) * step / kSteps; };
    return QColor(channel(from.red(), to.red()), channel(from.green(), to.green()),
                  channel(from.blue(), to.blue()));
}

// How far a colour lies from `from` towards `to`, in steps.
int stepOf(QRgb colour, const QColor& from, const QColor& to) {
    const int dr = to.red() - from.red(), dg = to.green() - from.green(),
              db = to.blue() - from.blue();
    const int length = dr * dr + dg * dg + db * db;
    if (length == 0)
        return kSteps;
    const int along = (qRed(colour) - from.red()) * dr + (qGreen(colour) - from.green()) * dg +
                      (qBlue(colour) - from.blue()) * db;
    return std::clamp((along * kSteps + length / 2) / length, 0, kSteps);
}

} // namespace

std::unique_ptr<ServerOverlay> ServerOverlay::create(QWidget* parent) {
    xcb_connection_t* c = x11Connection();
    const auto parentWindow = static_cast<xcb_window_t>(parent ? parent->internalWinId() : 0);
    if (!c || !parentWindow)
        return nullptr;
    // A window along the row that never moves, and the caption's window inside it that
    // does: what the caption uncovers is the row window's, which nobody is told of, so
    // the server alone redraws it. Both show the parent's background where something
    // uncovers them (the caption comes back at the next step), and take no input:
    // clicks fall through to the parent.
    const uint32_t values[] = {XCB_BACK_PIXMAP_PARENT_RELATIVE, 0};
    const xcb_window_t row = xcb_generate_id(c);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, row, parentWindow, -1, -1, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT,
                      XCB_CW_BACK_PIXMAP | XCB_CW_EVENT_MASK, values);
    const xcb_window_t caption = xcb_generate_id(c);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, caption, row, -1, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT,
                      XCB_CW_BACK_PIXMAP | XCB_CW_EVENT_MASK, values);
    xcb_map_window(c, caption);
    return std::unique_ptr<ServerOverlay>(new ServerOverlay(c, row, caption));
}

ServerOverlay::~ServerOverlay() {
    auto* c = static_cast<xcb_connection_t*>(c_);
    if (x11Connection() != c)
        return; // the connection is gone, and everything made on it
    freeRow();
    for (const xcb_gcontext_t gc : gcs_)
        xcb_free_gc(c, gc);
    if (copyGc_)
        xcb_free_gc(c, copyGc_);
    if (window_)
        xcb_destroy_window(c, window_);
    xcb_flush(c);
}

void ServerOverlay::freeRow() {
    auto* c = static_cast<xcb_connection_t*>(c_);
    for (const auto& made : blends_)
        xcb_free_pixmap(c, made.second);
    blends_.clear();
    if (bare_)
        xcb_free_pixmap(c, bare_);
    bare_ = 0;
    layers_.clear();
}

// The row with `colour` over it at coverage `level`, sent once and kept on the server.
uint32_t ServerOverlay::blend(int level, const QColor& colour) {
    const uint64_t key = (uint64_t{pixelOf(colour)} << 8) | static_cast<uint64_t>(level);
    const auto known = blends_.find(key);
    if (known != blends_.end())
        return known->second;
    auto* c = static_cast<xcb_connection_t*>(c_);
    QImage blended = row_.convertToFormat(QImage::Format_RGB32);
    blended.setDevicePixelRatio(1);
    QColor over = colour;
    over.setAlpha(255 * level / kSteps);
    if (level > 0)
        QPainter(&blended).fillRect(blended.rect(), over);
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const xcb_pixmap_t pixmap = xcb_generate_id(c);
    xcb_create_pixmap(c, screen->root_depth, pixmap, screen->root,
                      static_cast<uint16_t>(std::max(1, blended.width())),
                      static_cast<uint16_t>(std::max(1, blended.height())));
    const uint32_t noExposures = 0;
    const xcb_gcontext_t gc = xcb_generate_id(c);
    xcb_create_gc(c, gc, screen->root, XCB_GC_GRAPHICS_EXPOSURES, &noExposures);
    if (!blended.isNull()) // 32-bit rows are never padded: rows `width` apart
        putPixels(c, pixmap, gc, screen->root_depth,
                  reinterpret_cast<const uint32_t*>(blended.constBits()), blended.width(),
                  blended.height());
    xcb_free_gc(c, gc);
    blends_.emplace(key, pixmap);
    return pixmap;
}

void ServerOverlay::setRow(int top, const QImage& row) {
    auto* c = static_cast<xcb_connection_t*>(c_);
    freeRow();
    row_ = row;
    const uint32_t place[] = {0, static_cast<uint32_t>(top), static_cast<uint32_t>(row.width()),
                              static_cast<uint32_t>(row.height())};
    if (window_ && !row.isNull())
        xcb_configure_window(c, window_,
                             XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y | XCB_CONFIG_WINDOW_WIDTH |
                                 XCB_CONFIG_WINDOW_HEIGHT,
                             place);
    bare_ = blend(0, Qt::black);
    blends_.clear(); // the bare row is kept apart: blends go with each caption's colours
    if (window_)
        xcb_map_window(c, window_);
}

void ServerOverlay::setCaption(const QImage& caption, const QColor& ink, const QColor& outline) {
    auto* c = static_cast<xcb_connection_t*>(c_);
    size_ = caption.size();
    const uint32_t size[] = {static_cast<uint32_t>(std::max(1, size_.width())),
                             static_cast<uint32_t>(std::max(1, size_.height()))};
    if (window_)
        xcb_configure_window(c, caption_, XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT, size);
    // Runs of pixels alike, by coverage and by the step from outline to ink they are
    // drawn in: edges (partly covered) only in either colour, opaque pixels in any mix.
    const QImage pixels = caption.convertToFormat(QImage::Format_ARGB32);
    std::map<int, std::vector<xcb_rectangle_t>> runs;
    const auto kind = [&](QRgb pixel) {
        const int level = (qAlpha(pixel) * kSteps + 127) / 255;
        if (level == 0)
            return -1;
        const int step = stepOf(pixel, outline, ink);
        return level * (kSteps + 1) + (level < kSteps ? (step * 2 >= kSteps ? kSteps : 0) : step);
    };
    for (int y = 0; y < pixels.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(pixels.constScanLine(y));
        for (int x = 0; x < pixels.width();) {
            const int alike = kind(line[x]);
            int end = x + 1;
            while (end < pixels.width() && kind(line[end]) == alike)
                ++end;
            if (alike >= 0)
                runs[alike].push_back({static_cast<int16_t>(x), static_cast<int16_t>(y),
                                       static_cast<uint16_t>(end - x), 1});
            x = end;
        }
    }
    const uint32_t noExposures = 0;
    if (!copyGc_) {
        copyGc_ = xcb_generate_id(c);
        xcb_create_gc(c, copyGc_, caption_, XCB_GC_GRAPHICS_EXPOSURES, &noExposures);
    }
    layers_.clear();
    for (auto& [alike, rectangles] : runs) {
        const int level = alike / (kSteps + 1), step = alike % (kSteps + 1);
        const QColor colour = mix(outline, ink, step);
        if (gcs_.size() <= layers_.size()) {
            gcs_.push_back(xcb_generate_id(c));
            xcb_create_gc(c, gcs_.back(), caption_, XCB_GC_GRAPHICS_EXPOSURES, &noExposures);
        }
        const xcb_gcontext_t gc = gcs_[layers_.size()];
        const uint32_t foreground = pixelOf(colour);
        xcb_change_gc(c, gc, XCB_GC_FOREGROUND, &foreground);
        xcb_set_clip_rectangles(c, XCB_CLIP_ORDERING_UNSORTED, gc, 0, 0,
                                static_cast<uint32_t>(rectangles.size()), rectangles.data());
        layers_.push_back({gc, level < kSteps ? blend(level, colour) : 0});
    }
}

void ServerOverlay::moveTo(int left) {
    auto* c = static_cast<xcb_connection_t*>(c_);
    if (!window_ || size_.isEmpty() || !bare_ || !copyGc_)
        return;
    const uint32_t x = static_cast<uint32_t>(left);
    xcb_configure_window(c, caption_, XCB_CONFIG_WINDOW_X, &x);
    // The bare row under it, then each part of the caption: blended over that, or opaque.
    const auto width = static_cast<uint16_t>(size_.width());
    const auto height = static_cast<uint16_t>(size_.height());
    xcb_copy_area(c, bare_, caption_, copyGc_, static_cast<int16_t>(left), 0, 0, 0, width, height);
    const xcb_rectangle_t all = {0, 0, width, height};
    for (const Layer& layer : layers_) {
        if (layer.source)
            xcb_copy_area(c, layer.source, caption_, layer.gc, static_cast<int16_t>(left), 0, 0, 0,
                          width, height);
        else
            xcb_poly_fill_rectangle(c, caption_, layer.gc, 1, &all);
    }
    xcb_flush(c);
}

} // namespace platform
