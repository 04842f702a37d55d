// What one output shows while a Wayland session is locked, painted as the lock surface
// paints it: the blurred desktop's copy under the panel and the banner, at the output's
// scale, drawn again only where a banner step or the box changed; the panel's answer to
// a wrong password and Caps Lock. tests/whole/test_wayland.py shows it on sway.

#include "lock/linux/lock_screen.h"
#include "lock/linux/screen_lock.h"
#include "lock/wayland/output_face.h"
#include "support/fake_forms_services.h"

#include <QApplication>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>

namespace {

class FakeCover : public ScreenLock {
public:
    void giveBack() override { ++givenBack; }
    bool capsLockOn() const override { return capsLock; }
    int givenBack = 0;
    bool capsLock = false;
};

const QColor kDesktop(200, 40, 40);
const QSize kOutput(1280, 720);

// The face painted whole (or within `clip`) onto `target` at `ratio`.
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

bool navy(const QColor& c) {
    return c.blue() >= 100 && c.red() < 60 && c.green() < 60;
}

// Pixels of a colour like the wrong-password line's in the panel's left half.
int wrongInk(const QImage& shot, qreal ratio) {
    int count = 0;
    for (int y = int(374 * ratio); y < int(400 * ratio); ++y)
        for (int x = int(511 * ratio); x < int(639 * ratio); ++x) {
            const QColor c = shot.pixelColor(x, y);
            count += c.red() > 180 && c.red() > c.blue() + 40;
        }
    return count;
}

} // namespace

class OutputFaceTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The panel in the middle, the banner beyond the right edge, the copy elsewhere, at
    // scale 1 and in device pixels at scale 2 (from a copy taken at scale 1).
    void layoutAtEachScale() {
        FakeCover cover;
        LockScreen screen(cover, "pw");
        QImage desktop(kOutput, QImage::Format_RGB32);
        desktop.fill(kDesktop);
        for (const qreal ratio : {1.0, 2.0}) {
            waylock::OutputFace face(screen, desktop);
            const QImage shot = paint(face, ratio);
            QCOMPARE(face.panel(), QRect(498, 316, 283, 88));
            QVERIFY(navy(shot.pixelColor(QPoint(640, 330) * ratio)));
            QCOMPARE(shot.pixelColor(QPoint(640, 360) * ratio), QColor(Qt::white)); // the box
            QCOMPARE(shot.pixelColor(QPoint(20, 20) * ratio), kDesktop);
            QCOMPARE(shot.pixelColor(QPoint(1270, 700) * ratio), kDesktop);
        }
        waylock::OutputFace white(screen, QImage());
        QCOMPARE(paint(white, 1).pixelColor(20, 20), QColor(Qt::white));
    }

    // A banner step changes where the banner was and where it is, nothing else; that part
    // painted alone gives what a whole paint gives.
    void aStepRepaintsOnlyTheBanner() {
        FakeCover cover;
        LockScreen screen(cover, "pw");
        waylock::OutputFace face(screen, QImage());
        QImage shown = paint(face, 1);
        for (int i = 0; i < 40; ++i) {
            const QRegion changed = face.step();
            QVERIFY(!changed.isEmpty());
            QVERIFY(changed.boundingRect().width() <= 593 + 10);
            QVERIFY(changed.boundingRect().height() <= 33);
            shown = paint(face, 1, shown, changed);
        }
        QCOMPARE(shown, paint(face, 1));
        QVERIFY(shown != paint(*std::make_unique<waylock::OutputFace>(screen, QImage()), 1));
    }

    // The panel answers a wrong password and shows Caps Lock; the password gives back.
    void thePanelAnswers() {
        FakeFormsServices forms; // the tries told after the unlock
        FakeCover cover;
        LockScreen screen(cover, "pw");
        waylock::OutputFace face(screen, QImage());
        QSignalSpy changed(&screen, &LockScreen::panelChanged);
        QCOMPARE(wrongInk(paint(face, 2), 2), 0);
        screen.keyDown(LockBox::Key::Character, "x");
        screen.keyDown(LockBox::Key::Enter, {});
        QVERIFY(changed.count() >= 2);
        QVERIFY(wrongInk(paint(face, 2), 2) > 20);
        cover.capsLock = true;
        screen.capsLockChanged();
        QVERIFY(screen.showsCapsLock());
        screen.keyDown(LockBox::Key::Character, "pw");
        QCOMPARE(cover.givenBack, 0);
        screen.click();
        QCOMPARE(cover.givenBack, 1);
        screen.keyDown(LockBox::Key::Enter, {}); // over: nothing more
        QCOMPARE(cover.givenBack, 1);
        QTRY_COMPARE(forms.boxes.size(), 1);
        QVERIFY(forms.boxes[0].text.contains(QLatin1String("once")));
    }
};

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    OutputFaceTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_output_face.moc"
