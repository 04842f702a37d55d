// The lock window on two screens side by side (1024 x 768 each), with the grabs, the
// window order and the desktop's picture played by the test: what unlocks, a box kept
// back until the unlock, the second screen's cover, nothing but typed keys in the box, the
// banner's outline, no lock without the grabs, grab retries and focus taken back.
// tests/whole/test_lock.py holds the lock against other programs for real, types under
// other layouts and answers a wrong password.

#include "lock/x11/Form1.h"
#include "lock/x11/lock_cover.h"
#include "lock/x11/lock_picture.h"
#include "lock/x11/lock_text_box.h"
#include "lock/x11/window_order.h"
#include "platform/x11/forms.h"
#include "platform/x11/qt_forms_services.h"
#include "shell/menu_commands.h"
#include "store/mdlGlobal.h"
#include "store/password_file.h"
#include "support/fake_forms_services.h"
#include "support/scratch_folder.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QMimeData>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <memory>
#include <tuple>

namespace {

// Hands out a prepared picture of the desktop.
class FakeScreenCapture : public platform::ScreenCapture {
public:
    FakeScreenCapture() {
        desktop.picture.fill(Qt::gray);
        platform::setScreenCapture(this);
    }
    ~FakeScreenCapture() override { platform::setScreenCapture(nullptr); }
    std::shared_ptr<const platform::DesktopSnapshot> grabDesktop() override {
        return std::make_shared<platform::ImageSnapshot>(desktop);
    }
    platform::ImageSnapshot desktop{QImage(1024, 768, QImage::Format_RGB32), {}};
};

// Records the watches, raises and grabs as "<call> <objectName>", answers isOnTop from a
// flag and refuses each grab a set number of times before granting it.
class FakeWindowOrder : public platform::WindowOrder {
public:
    FakeWindowOrder() { platform::setWindowOrder(this); }
    ~FakeWindowOrder() override { platform::setWindowOrder(nullptr); }
    void watchCovering(QWidget* window, LossHandler lost) override {
        record("watch", window);
        watched.insert(window, std::move(lost));
    }
    void unwatch(QWidget* window) override { watched.remove(window); }
    bool isOnTop(QWidget*) override { return onTop; }
    bool stackChanged() override { return true; }
    void raise(QWidget* window) override { record("raise", window); }
    void grabInput(QWidget* window, bool& keyboard, bool& pointer) override {
        keyboard = keyboard || grant("grabKeyboard", window, keyboardRefusals);
        pointer = pointer || grant("grabPointer", window, pointerRefusals);
    }
    void releaseGrabs(QWidget* window) override { record("releaseGrabs", window); }
    bool capsLockOn() override { return false; }

    QStringList calls;
    QHash<QWidget*, LossHandler> watched;
    bool onTop = true;
    int keyboardRefusals = 0;
    int pointerRefusals = 0;

private:
    void record(const char* call, QWidget* window) {
        calls.append(QLatin1String(call) + QLatin1Char(' ') + window->objectName());
    }
    bool grant(const char* call, QWidget* window, int& refusals) {
        record(call, window);
        return refusals-- <= 0;
    }
};

Form1* lockWindow() {
    return platform::formSlot<Form1>().loaded();
}

// A key going down and up at the widget, as the root window's keys reach it.
void press(QWidget* widget, int key, const QString& text = {}, Qt::KeyboardModifiers mods = {}) {
    QKeyEvent down(QEvent::KeyPress, key, mods, text);
    QCoreApplication::sendEvent(widget, &down);
    QKeyEvent up(QEvent::KeyRelease, key, mods, text);
    QCoreApplication::sendEvent(widget, &up);
}

void type(QWidget* widget, const QString& text) {
    for (const QChar character : text)
        press(widget, Qt::Key_unknown, character);
}

void unloadAll() {
    platform::formSlot<Form1>().unload();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

struct Fakes {
    ScratchFolder folder;
    FakeFormsServices forms;
    FakeScreenCapture capture;
    FakeWindowOrder order;
};

} // namespace

class LockWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<Fakes> f;

    // Stores the password and chooses "Lock Desktop"; the lock window it opened.
    Form1* lockWith(const std::string& password) {
        f->folder.write(kPasswordFileName, *passwordFileContents(password, "Pet? = rex", 1));
        mnuShowMe_Click();
        Form1* form = lockWindow();
        if (form)
            (void)QTest::qWaitForWindowExposed(form);
        return form;
    }

private Q_SLOTS:
    void init() { f = std::make_unique<Fakes>(); }

    void cleanup() {
        unloadAll();
        f.reset();
    }

    // Only the exact text unlocks, at Enter or at a click on the picture.
    void whatUnlocks() {
        for (const auto& [stored, typed, unlocks] : {std::tuple{" pw ", "pw", false},
                                                     {" pw ", " pw ", true},
                                                     {"\x80\xe9", "\u20ac\u00e9", true}}) {
            type(lockWith(stored)->Text1, QString::fromUtf8(typed));
            QTest::keyClick(lockWindow()->Text1, Qt::Key_Return);
            QVERIFY2(!lockWindow() == unlocks, stored);
            unloadAll();
        }
        type(lockWith("pw")->Text1, QStringLiteral("p"));
        QTest::mouseClick(lockWindow()->windowHandle(), Qt::LeftButton, {}, QPoint(5, 5));
        QVERIFY2(lockWindow(), "a click unlocked without the password");
        type(lockWindow()->Text1, QStringLiteral("w"));
        QTest::mouseClick(lockWindow()->windowHandle(), Qt::LeftButton, {}, QPoint(5, 5));
        QVERIFY(!lockWindow());
    }

    // A message box would be modal over the lock: it waits for the unlock. An unlock
    // without a wrong try tells nothing.
    void aBoxWaitsForTheUnlock() {
        Form1* form = lockWith("pw");
        QWidget* boxShownLocked = nullptr;
        QTimer::singleShot(50, form, [&] {
            boxShownLocked = QApplication::activeModalWidget();
            type(form->Text1, QStringLiteral("pw"));
            QTest::keyClick(form->Text1, Qt::Key_Return);
        });
        QTimer closer;
        connect(&closer, &QTimer::timeout, [&] {
            if (QWidget* box = QApplication::activeModalWidget())
                box->close();
        });
        closer.start(10);
        platform::QtFormsServices().msgBox(QStringLiteral("Done."), 64, QStringLiteral("Veltrane"));
        QCOMPARE(boxShownLocked, nullptr);
        QVERIFY(!lockWindow());
        QTest::qWait(20);
        QCOMPARE(f->forms.shown(), QString());
    }

    // The second screen gets a cover with its own part of the desktop, kept in front.
    // Close requests are refused: unloading alone ends the lock. Only typed keys reach
    // the box, shown as stars: no drop, no input method's text, no undo (pastes by key and
    // by the middle button are refused in tests/whole/test_lock.py). The banner
    // keeps its navy ink and gains a light outline, so that it reads on any desktop.
    void oneLockOverTwoScreens() {
        QImage& desktop = f->capture.desktop.picture;
        desktop = QImage(2048, 768, QImage::Format_RGB32);
        QPainter(&desktop).fillRect(1024, 0, 1024, 768, Qt::yellow);
        QSignalSpy held(&platform::formSlot<Form1>().get(), &Form1::lockHeld);
        Form1* form = lockWith("pw");
        QTRY_COMPARE(held.count(), 1); // what --lock, the sleep descriptor and logind wait for
        QVERIFY(f->order.calls.lastIndexOf(QStringLiteral("grabKeyboard Form1")) >
                f->order.calls.indexOf(QStringLiteral("watch Form1"))); // asked again once shown
        QCOMPARE(form->covers().size(), 1);
        LockCover* cover = form->covers().first();
        QCOMPARE(cover->geometry(), QRect(1024, 0, 1024, 768));
        QCOMPARE(cover->grab().toImage().pixelColor(10, 10), QColor(Qt::yellow));
        f->order.onTop = false;
        form->Timer2_Timer();
        QCOMPARE(f->order.calls.last(), QStringLiteral("raise LockCover"));
        QVERIFY(!form->close() && !cover->close());

        QWidget* box = form->Text1;
        QMimeData mime;
        mime.setText(QStringLiteral("pw"));
        QInputMethodEvent commit;
        commit.setCommitString(QStringLiteral("pw"));
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, {});
        for (QEvent* attempt : {static_cast<QEvent*>(&commit), static_cast<QEvent*>(&drop)})
            QCoreApplication::sendEvent(box, attempt);
        QCOMPARE(form->Text1->displayText(), QString());
        type(box, QStringLiteral("xy"));
        QCOMPARE(form->Text1->displayText(), QStringLiteral("**"));
        press(box, Qt::Key_Escape);
        press(box, Qt::Key_Z, QStringLiteral("\x1a"), Qt::ControlModifier);
        QCOMPARE(form->Text1->displayText(), QString());

        const QImage caption = static_cast<LockBanner*>(form->Label1)->caption();
        int ink = 0, light = 0;
        for (int y = 0; y < caption.height(); ++y) {
            for (int x = 0; x < caption.width(); ++x) {
                const QColor c = caption.pixelColor(x, y).toRgb();
                ink += c.alpha() == 255 && c.blue() >= 100 && c.red() < 40 && c.green() < 40;
                light += c.alpha() >= 128 && c.red() > 200 && c.green() > 200 && c.blue() > 200;
            }
        }
        QVERIFY2(ink > 100 && light > 100, qPrintable(QStringLiteral("%1 %2").arg(ink).arg(light)));
    }

    // Another program keeps the pointer: no lock is ever shown (the keyboard: in
    // tests/whole/test_lock_command.py). Refused a few times, the grabs are retried until
    // held, and kept.
    void grabsAreRetriedUntilHeldAndKeptInFront() {
        f->order.pointerRefusals = 1000;
        QVERIFY(!lockWith("pw"));
        QCOMPARE(f->forms.boxes.size(), 1);
        QVERIFY(f->forms.boxes[0].text.contains(QLatin1String("mouse")));
        QCOMPARE(f->order.calls.last(), QStringLiteral("releaseGrabs Form1"));
        f->order.keyboardRefusals = 3;
        f->order.pointerRefusals = 1;
        Form1* form = lockWith("pw");
        QVERIFY(form && form->holdsGrabs());
        // Shown (and so watched) only once both are held.
        QVERIFY(f->order.calls.lastIndexOf(QStringLiteral("grabKeyboard Form1")) <
                f->order.calls.indexOf(QStringLiteral("watch Form1")));
        // The test takes the ticks itself (the banner's timer also runs the stay-in-front
        // step): only the retries can take a grab back. A grab lost in between is found
        // at the fifth tick at the latest, one lost with the window at once.
        form->Timer1->stop();
        f->order.keyboardRefusals = 2;
        for (int i = 0; i < 5; ++i)
            form->Timer2_Timer();
        QVERIFY(!form->holdsGrabs());
        QTRY_VERIFY_WITH_TIMEOUT(form->holdsGrabs(), 5000);
        f->order.keyboardRefusals = 2;
        f->order.watched.value(form)(form, platform::WindowOrder::Loss::Unmapped);
        QVERIFY(!form->holdsGrabs());
        QTRY_VERIFY_WITH_TIMEOUT(form->holdsGrabs(), 5000);

        // Another window of the program that took the focus (and the keys) gives it back.
        QWidget other;
        other.show();
        other.activateWindow();
        QTRY_VERIFY(other.isActiveWindow());
        form->Timer2_Timer();
        QTRY_VERIFY(form->isActiveWindow());
        QVERIFY(form->Text1->hasFocus());
        // The banner's timer runs the stay-in-front step on its own.
        f->order.calls.clear();
        f->order.onTop = false;
        form->Timer1->start();
        QTRY_VERIFY(f->order.calls.contains(QStringLiteral("raise Form1")));
    }
};

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" TWO_SCREENS_CONFIG);
    QApplication app(argc, argv);
    LockWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_lock_window.moc"
