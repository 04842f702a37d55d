// What one output shows while a Wayland session is locked, painted as the lock surface
// paints it: the desktop's copy under the panel, in device pixels at the output's scale,
// and a banner step drawn again only where the banner was and is (test_wayland.py shows
// it on sway).

#include "lock/linux/lock_screen.h"
#include "lock/linux/screen_lock.h"
#include "lock/wayland/output_face.h"
#include "support/check.h"

#include <QGuiApplication>
#include <QPainter>

namespace {

struct Cover : ScreenLock {
    void giveBack() override { ++givenBack; }
    bool capsLockOn() const override { return false; }
    int givenBack = 0;
};

const QSize kOutput(1280, 720);

// The face painted within `clip` (whole when empty) onto `target` (new when null).
QImage paint(waylock::OutputFace& face, qreal ratio, QImage target = {}, QRegion clip = {}) {
    if (target.isNull()) {
        target = QImage(kOutput * ratio, QImage::Format_RGB32);
        target.fill(Qt::black);
        target.setDevicePixelRatio(ratio);
    }
    QPainter painter(&target);
    face.paint(painter, kOutput, ratio, clip.isEmpty() ? QRegion(QRect(QPoint(), kOutput)) : clip);
    return target;
}

} // namespace

int main(int argc, char* argv[]) {
    QGuiApplication app(argc, argv); // the panel's and the banner's fonts
    Cover cover;
    LockScreen screen(cover, "pw");
    // A copy taken at scale 1, red with a blue bottom right quarter: at scale 2 each part
    // is drawn from the same places. Each banner step changes a strip of the banner's
    // height, not the whole output; drawing only that gives what a whole paint gives.
    QImage desktop(kOutput, QImage::Format_RGB32);
    desktop.fill(Qt::red);
    QPainter(&desktop).fillRect(QRect(QPoint(640, 360), kOutput / 2), Qt::blue);
    for (const qreal ratio : {1.0, 2.0}) {
        waylock::OutputFace face(screen, desktop);
        const QImage first = paint(face, ratio);
        const QColor title =
            first.pixelColor(QPoint(face.panel().center().x(), face.panel().top() + 14) * ratio);
        CHECK(title.blue() >= 100 && title.red() < 60 && title.green() < 60);
        CHECK_EQ(first.pixel(face.panel().center() * ratio), qRgb(255, 255, 255)); // the box
        CHECK_EQ(first.pixel(QPoint(20, 20) * ratio), qRgb(255, 0, 0));
        CHECK_EQ(first.pixel(QPoint(1270, 700) * ratio), qRgb(0, 0, 255));
        QImage shown = first;
        for (int i = 0; i < 40; ++i) {
            const QRegion changed = face.step();
            const QRect strip = changed.boundingRect();
            CHECK(!strip.isEmpty() && strip.height() < 40 && strip.width() < kOutput.width());
            shown = paint(face, ratio, shown, changed);
        }
        CHECK(shown == paint(face, ratio));
        CHECK(shown != first);
    }
    waylock::OutputFace white(screen, QImage()); // no copy
    CHECK_EQ(paint(white, 1).pixel(20, 20), qRgb(255, 255, 255));
    // The password gives the desktop back once; keys after that change nothing.
    screen.keyDown(LockBox::Key::Character, "pw");
    screen.keyDown(LockBox::Key::Enter, {});
    screen.keyDown(LockBox::Key::Enter, {});
    CHECK_EQ(cover.givenBack, 1);
    return checkSummary("test_output_face");
}
