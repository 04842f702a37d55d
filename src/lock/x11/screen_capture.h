#pragma once
// Pictures of the desktop as it is on screen now, blurred and dimmed as the lock shows
// them (no text on them can be read): every screen's contents at its place on the
// virtual desktop, in the screens' own device pixels. On X11 the copy stays on
// the X server (one copy of the root window, never sent to this program) and the lock
// windows show it as their background; elsewhere it is an image the windows paint.
// Tests install a fake that hands out a prepared picture.

#include <QColor>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <cstdint>
#include <memory>
#include <vector>

class QWidget;

namespace platform {

class DesktopSnapshot {
public:
    virtual ~DesktopSnapshot() = default;
    // True when the window system itself can show the copy (showAsBackground works).
    virtual bool shownByWindowSystem() const = 0;
    // Makes the copy's part under the native widget its background, drawn by the window
    // system whenever it is uncovered, white where the copy has none. False when it
    // cannot; the widget then paints pictureUnder itself.
    virtual bool showAsBackground(QWidget* widget) const = 0;
    // The copy's pixels under `area` (widget coordinates) of the widget, at the
    // widget's device pixel ratio; white where the copy has none.
    virtual QImage pictureUnder(const QWidget* widget, const QRect& area) const = 0;
};

// A copy held as an image of the virtual desktop (device pixels) with the position of
// its top-left pixel.
class ImageSnapshot : public DesktopSnapshot {
public:
    ImageSnapshot(QImage desktop, QPoint topLeft) : picture(std::move(desktop)), origin(topLeft) {}
    bool shownByWindowSystem() const override { return false; }
    bool showAsBackground(QWidget*) const override { return false; }
    QImage pictureUnder(const QWidget* widget, const QRect& area) const override;
    // The picture of `area` (virtual desktop device pixels), white where there is none.
    QImage part(const QRect& area) const;

    QImage picture;
    QPoint origin;
};

// A caption the X server draws in a window of its own inside a native widget's window,
// travelling along one row of it. The program sends the row's picture and the caption
// once; each step then costs a few small requests and no pixels: the server moves the
// caption, redraws the row where it was and blends the caption from pictures it holds.
class ServerOverlay {
public:
    // Null where there is no X server or the widget has no native window.
    static std::unique_ptr<ServerOverlay> create(QWidget* parent);
    ~ServerOverlay();
    ServerOverlay(const ServerOverlay&) = delete;
    ServerOverlay& operator=(const ServerOverlay&) = delete;
    // The picture along the row (the parent's whole width, device pixels) at `top`.
    void setRow(int top, const QImage& row, const QColor& ink);
    // The caption's coverage: its pixels' alpha, in device pixels.
    void setCaption(const QImage& caption);
    // Draws the caption with its left edge at `left` (the parent's device pixels).
    void moveTo(int left);
    // The parent's window is gone, and this window with it.
    void forget() { window_ = 0; }

private:
    ServerOverlay(void* connection, uint32_t row, uint32_t caption)
        : c_(connection), window_(row), caption_(caption) {}
    void freeRow();
    void* c_;
    uint32_t window_;  // along the row; holds the caption's
    uint32_t caption_; // the caption's own, moved at each step
    QSize size_;
    std::vector<uint32_t> blends_; // the row with the ink over it, one pixmap a coverage
    std::vector<uint32_t> clips_;  // where the caption has that coverage, one GC each
};

class ScreenCapture {
public:
    virtual ~ScreenCapture() = default;
    virtual std::shared_ptr<const DesktopSnapshot> grabDesktop() = 0;
};

ScreenCapture& screenCapture();
// Installs a replacement; nullptr restores the real service.
void setScreenCapture(ScreenCapture* service);

} // namespace platform
