#include "platform/x11/screen_capture.h"
#include "platform/service_slot.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>
#include <QScreen>

namespace platform {

namespace {

class ScreenGrabber : public ScreenCapture {
public:
    DesktopSnapshot grabDesktop() override {
        DesktopSnapshot snapshot;
        const QList<QScreen*> screens = QGuiApplication::screens();
        QRect desktop;
        for (const QScreen* screen : screens)
            desktop = desktop.united(screen->geometry());
        if (desktop.isEmpty())
            return snapshot;
        snapshot.origin = desktop.topLeft();
        snapshot.picture = QImage(desktop.size(), QImage::Format_RGB32);
        snapshot.picture.fill(Qt::white);
        QPainter painter(&snapshot.picture);
        for (QScreen* screen : screens) {
            // Window 0 is the root window, taken within this screen's area.
            const QPixmap shown = screen->grabWindow(0);
            painter.drawPixmap(
                QRect(screen->geometry().topLeft() - snapshot.origin, screen->geometry().size()),
                shown);
        }
        return snapshot;
    }
};

} // namespace

QImage DesktopSnapshot::part(const QRect& area) const {
    QImage result(area.size(), QImage::Format_RGB32);
    result.fill(Qt::white);
    QPainter painter(&result);
    painter.drawImage(QPoint(0, 0), picture, area.translated(-origin));
    return result;
}

ScreenCapture& screenCapture() {
    return currentService<ScreenCapture, ScreenGrabber>();
}

void setScreenCapture(ScreenCapture* service) {
    installedService<ScreenCapture>() = service;
}

} // namespace platform
