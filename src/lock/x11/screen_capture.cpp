#include "lock/x11/screen_capture.h"
#include "lock/lock_blur.h"
#include "lock/x11/server_scaling.h"
#include "lock/x11/shared_picture.h"
#include "lock/x11/x11_connection.h"
#include "platform/service_slot.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <cstdlib>
#include <map>
#include <xcb/xcb.h>

namespace platform {

namespace {

template <class Reply> using XReply = std::unique_ptr<Reply, decltype(&std::free)>;
template <class Reply> XReply<Reply> owned(Reply* reply) {
    return XReply<Reply>(reply, &std::free);
}

QImage whiteImage(const QSize& size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

// The area of a widget in device pixels, relative to its nearest native window.
struct NativeArea {
    xcb_window_t window = XCB_NONE;
    QRect area;
};

NativeArea nativeArea(const QWidget* widget, const QRect& area) {
    const QWidget* native = widget->internalWinId() ? widget : widget->nativeParentWidget();
    if (!native)
        return {};
    const qreal ratio = widget->devicePixelRatioF();
    const QPoint at = widget->mapTo(native, area.topLeft());
    return {static_cast<xcb_window_t>(native->internalWinId()),
            QRect(QPoint(qRound(at.x() * ratio), qRound(at.y() * ratio)),
                  (QSizeF(area.size()) * ratio).toSize())};
}

// One copy of the root window, every screen included, kept as a pixmap on the X server.
class ServerSnapshot : public DesktopSnapshot {
public:
    static std::shared_ptr<const DesktopSnapshot> take(xcb_connection_t* c) {
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
        auto snapshot = std::make_shared<ServerSnapshot>(c, screen);
        const xcb_void_cookie_t made =
            xcb_create_pixmap_checked(c, screen->root_depth, snapshot->pixmap_, screen->root,
                                      screen->width_in_pixels, screen->height_in_pixels);
        snapshot->capture();
        // Answered by now (the capture waited for a later request).
        if (auto error = owned(xcb_request_check(c, made))) {
            snapshot->pixmap_ = XCB_NONE;
            return nullptr;
        }
        return snapshot;
    }

    ServerSnapshot(xcb_connection_t* c, const xcb_screen_t* screen)
        : c_(c), screen_(screen), root_(screen->root), white_(screen->white_pixel),
          depth_(screen->root_depth), size_(screen->width_in_pixels, screen->height_in_pixels),
          pixmap_(xcb_generate_id(c)) {}

    ~ServerSnapshot() override {
        // The connection goes with the application; the server frees the pixmap then.
        if (x11Connection() != c_)
            (void)read_.release(); // its shared memory goes with the process
        if (pixmap_ != XCB_NONE && x11Connection() == c_) {
            xcb_free_pixmap(c_, pixmap_);
            xcb_flush(c_);
        }
    }

    bool shownByWindowSystem() const override { return true; }

    std::vector<bool> showAsBackground(const std::vector<QWidget*>& widgets) const override {
        // Every place asked before any answer is awaited, and all answered before the
        // pixmap is filled: the server sends its answers only once it has carried out
        // what came with the questions, and enlarging the picture takes it a while.
        std::vector<xcb_window_t> windows;
        std::vector<PlaceQuestion> asked;
        for (QWidget* widget : widgets) {
            windows.push_back(widget ? static_cast<xcb_window_t>(widget->internalWinId()) : 0);
            asked.push_back(ask(windows.back()));
        }
        std::vector<QRect> places;
        for (const PlaceQuestion& question : asked)
            places.push_back(answer(question));
        fill();
        std::vector<bool> shown;
        for (size_t i = 0; i < windows.size(); ++i) {
            if (windows[i])
                places_[windows[i]] = places[i];
            shown.push_back(!places[i].isEmpty() && showAt(windows[i], places[i]));
        }
        xcb_flush(c_);
        return shown;
    }

    QImage pictureUnder(const QWidget* widget, const QRect& area) const override {
        const NativeArea under = nativeArea(widget, area);
        QImage result = whiteImage(under.area.size());
        // Where the window lies: known once the picture is its background, else asked.
        const auto known = places_.find(under.window);
        const QRect place = known != places_.end() ? known->second
                            : under.window         ? onRoot(under.window)
                                                   : QRect();
        const QRect wanted = under.area.translated(place.topLeft()) & QRect(QPoint(), size_);
        if (!place.isNull() && !wanted.isEmpty() && !small_.pixels.empty()) {
            // Drawn here from the small picture as the server draws the pixmap (but for
            // rounding), so that painting the lock waits for no answer of the server.
            QImage part(wanted.size(), QImage::Format_RGB32);
            enlargeLockPicture(small_, reinterpret_cast<uint32_t*>(part.bits()), part.width(),
                               part.height(), part.bytesPerLine() / 4, wanted.x(), wanted.y());
            QPainter(&result).drawImage(wanted.topLeft() - place.topLeft() - under.area.topLeft(),
                                        part);
        }
        result.setDevicePixelRatio(widget->devicePixelRatioF());
        return result;
    }

private:
    // The screen as it is now, with the windows on it, read and made small, blurred and
    // dimmed: averaged down by the X server as far as halving takes it (the program
    // averages the rest), so that only a small picture crosses the connection.
    void capture() {
        const qreal ratio = qGuiApp->devicePixelRatio();
        const int step = lockBlurStep(ratio);
        scaled_ = ServerScaledPicture::begin(c_, screen_, pixmap_, step);
        const int averaged = scaled_ ? step & -step : 1;
        read_ = scaled_ ? scaled_->readAveraged(averaged)
                        : DrawablePixels::read(c_, root_, size_.width(), size_.height());
        if (read_)
            small_ = shrinkLockPicture(read_->pixels(), read_->width(), read_->height(),
                                       read_->width(), ratio, averaged);
    }

    // The pixmap drawn from the small picture, once, when it is first wanted: the server
    // enlarges it while the program sets up the lock's windows. White where the screen
    // could not be read as 32-bit pixels: the desktop's text never shows.
    void fill() const {
        if (filled_ || pixmap_ == XCB_NONE)
            return;
        filled_ = true;
        const int width = size_.width(), height = size_.height();
        bool drawn = false;
        const xcb_gcontext_t gc = xcb_generate_id(c_);
        const uint32_t values[] = {white_, 0};
        xcb_create_gc(c_, gc, pixmap_, XCB_GC_FOREGROUND | XCB_GC_GRAPHICS_EXPOSURES, values);
        if (read_ && scaled_) {
            drawn = scaled_->drawEnlarged(small_, *read_);
        } else if (read_ && !small_.pixels.empty()) {
            enlargeLockPicture(small_, read_->pixels(), width, height, width);
            read_->write(read_->pixels(), width, height, pixmap_, gc, depth_);
            drawn = true;
        }
        if (!drawn) {
            const xcb_rectangle_t all = {0, 0, static_cast<uint16_t>(width),
                                         static_cast<uint16_t>(height)};
            xcb_poly_fill_rectangle(c_, pixmap_, gc, 1, &all);
        }
        xcb_free_gc(c_, gc);
        read_.reset();
        scaled_.reset();
        xcb_flush(c_);
    }

    // The window's background, the copy's part at its place on the root window.
    bool showAt(xcb_window_t window, const QRect& place) const {
        // The copy serves as it is where it lies under the whole window; otherwise the
        // window's part is copied (on the server) into a pixmap of its own.
        xcb_pixmap_t background = pixmap_;
        const bool ownPixmap =
            !QRect(QPoint(), size_).contains(place) || place.topLeft() != QPoint();
        if (ownPixmap) {
            background = xcb_generate_id(c_);
            xcb_create_pixmap(c_, depth_, background, root_, static_cast<uint16_t>(place.width()),
                              static_cast<uint16_t>(place.height()));
            const xcb_gcontext_t gc = xcb_generate_id(c_);
            const uint32_t values[] = {white_, 0};
            xcb_create_gc(c_, gc, background, XCB_GC_FOREGROUND | XCB_GC_GRAPHICS_EXPOSURES,
                          values);
            const xcb_rectangle_t all = {0, 0, static_cast<uint16_t>(place.width()),
                                         static_cast<uint16_t>(place.height())};
            xcb_poly_fill_rectangle(c_, background, gc, 1, &all);
            xcb_copy_area(c_, pixmap_, background, gc, static_cast<int16_t>(place.x()),
                          static_cast<int16_t>(place.y()), 0, 0,
                          static_cast<uint16_t>(place.width()),
                          static_cast<uint16_t>(place.height()));
            xcb_free_gc(c_, gc);
        }
        xcb_change_window_attributes(c_, window, XCB_CW_BACK_PIXMAP, &background);
        xcb_clear_area(c_, 0, window, 0, 0, 0, 0); // now, if it is already on screen
        if (ownPixmap)
            xcb_free_pixmap(c_, background); // the window keeps it while it needs it
        return true;
    }

    // Where a window is on the root window, asked; answered by answer().
    struct PlaceQuestion {
        xcb_get_geometry_cookie_t geometry{};
        xcb_translate_coordinates_cookie_t at{};
        bool asked = false;
    };
    PlaceQuestion ask(xcb_window_t window) const {
        if (!window)
            return {};
        return {xcb_get_geometry(c_, window), xcb_translate_coordinates(c_, window, root_, 0, 0),
                true};
    }
    // The window's place on the root window, device pixels; null when it is gone.
    QRect answer(const PlaceQuestion& asked) const {
        if (!asked.asked)
            return {};
        const auto geometry = owned(xcb_get_geometry_reply(c_, asked.geometry, nullptr));
        const auto at = owned(xcb_translate_coordinates_reply(c_, asked.at, nullptr));
        if (!geometry || !at || geometry->depth != depth_)
            return {};
        return QRect(at->dst_x, at->dst_y, geometry->width, geometry->height);
    }

    // The window's place, asked now; the pixmap is filled after the answer, if it is not
    // yet.
    QRect onRoot(xcb_window_t window) const {
        const QRect place = answer(ask(window));
        fill();
        return place;
    }

    xcb_connection_t* c_;
    const xcb_screen_t* screen_;
    xcb_window_t root_;
    uint32_t white_;
    uint8_t depth_;
    QSize size_;
    xcb_pixmap_t pixmap_;
    SmallLockPicture small_;
    mutable std::map<xcb_window_t, QRect> places_; // of the windows it is the background of
    // Until the pixmap is filled: the way the screen was read, and the server's part.
    mutable std::unique_ptr<DrawablePixels> read_;
    mutable std::unique_ptr<ServerScaledPicture> scaled_;
    mutable bool filled_ = false;
};

class ScreenGrabber : public ScreenCapture {
public:
    std::shared_ptr<const DesktopSnapshot> grabDesktop() override {
        if (xcb_connection_t* c = x11Connection())
            if (auto snapshot = ServerSnapshot::take(c))
                return snapshot;
        // Elsewhere: every screen read back into one image of the virtual desktop.
        const QList<QScreen*> screens = QGuiApplication::screens();
        // A screen keeps its origin in device pixels; its size grows by its ratio.
        const auto devicePlace = [](const QScreen* screen) {
            return QRect(screen->geometry().topLeft(),
                         (QSizeF(screen->geometry().size()) * screen->devicePixelRatio()).toSize());
        };
        QRect desktop;
        for (const QScreen* screen : screens)
            desktop = desktop.united(devicePlace(screen));
        auto snapshot =
            std::make_shared<ImageSnapshot>(whiteImage(desktop.size()), desktop.topLeft());
        if (desktop.isEmpty())
            return snapshot;
        QPainter painter(&snapshot->picture);
        for (QScreen* screen : screens) {
            // Window 0 is the root window, taken within this screen's area.
            QPixmap shown = screen->grabWindow(0);
            shown.setDevicePixelRatio(1);
            painter.drawPixmap(devicePlace(screen).topLeft() - snapshot->origin, shown);
        }
        painter.end();
        QImage& picture = snapshot->picture;
        blurLockPicture(reinterpret_cast<uint32_t*>(picture.bits()), picture.width(),
                        picture.height(), picture.bytesPerLine() / 4, qGuiApp->devicePixelRatio());
        return snapshot;
    }
};

} // namespace

QImage ImageSnapshot::part(const QRect& area) const {
    QImage result = whiteImage(area.size());
    QPainter painter(&result);
    painter.drawImage(QPoint(0, 0), picture, area.translated(-origin));
    return result;
}

QImage ImageSnapshot::pictureUnder(const QWidget* widget, const QRect& area) const {
    const qreal ratio = widget->devicePixelRatioF();
    const QPoint at = widget->mapToGlobal(area.topLeft());
    QImage result = part(QRect(QPoint(qRound(at.x() * ratio), qRound(at.y() * ratio)),
                               (QSizeF(area.size()) * ratio).toSize()));
    result.setDevicePixelRatio(ratio);
    return result;
}

ScreenCapture& screenCapture() {
    return currentService<ScreenCapture, ScreenGrabber>();
}

void setScreenCapture(ScreenCapture* service) {
    installedService<ScreenCapture>() = service;
}

} // namespace platform
