#pragma once
// Pictures of the desktop as it is on screen now, blurred and dimmed as the lock shows
// them (no text on them can be read): every screen's contents at its place on the
// virtual desktop, in the screens' own device pixels. On X11 the root window is read
// once, blurred and kept on the X server, and the lock windows show it as their
// background; elsewhere it is an image the windows paint.
// Tests install a fake that hands out a prepared picture.

#include <QImage>
#include <QPoint>
#include <QRect>
#include <memory>
#include <vector>

class QWidget;

namespace platform {

class DesktopSnapshot {
public:
    virtual ~DesktopSnapshot() = default;
    // True when the window system itself can show the copy (showAsBackground works).
    virtual bool shownByWindowSystem() const = 0;
    // Makes the copy's part under each native widget its background, drawn by the window
    // system whenever it is uncovered, white where the copy has none; the widgets'
    // places are asked all at once. False for a widget where it cannot; that widget then
    // paints pictureUnder itself.
    virtual std::vector<bool> showAsBackground(const std::vector<QWidget*>& widgets) const = 0;
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
    std::vector<bool> showAsBackground(const std::vector<QWidget*>& widgets) const override {
        return std::vector<bool>(widgets.size(), false);
    }
    QImage pictureUnder(const QWidget* widget, const QRect& area) const override;
    // The picture of `area` (virtual desktop device pixels), white where there is none.
    QImage part(const QRect& area) const;

    QImage picture;
    QPoint origin;
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
