// The lock window on two screens side by side (1024 x 768 each), with the grabs and the
// window order faked: what unlocks, no context menu, nothing but typed keys in the box,
// the answer to a wrong password and Caps Lock, no lock without the grabs, a box kept
// back until the unlock, the second screen's cover, the masked box, the banner's
// outline, grab retries and focus taken back. tests/whole/test_lock.py holds the lock
// against keys, close requests and other programs for real, and compares the locked
// screen with the desktop; tests/whole/test_lock_input.py types under other layouts.

#include "lock/x11/Form1.h"
#include "lock/x11/lock_cover.h"
#include "lock/x11/lock_picture.h"
#include "lock/x11/lock_text_box.h"
#include "platform/x11/forms.h"
#include "platform/x11/qt_forms_services.h"
#include "shell/menu_commands.h"
#include "store/mdlGlobal.h"
#include "store/password_file.h"
#include "support/fake_forms_services.h"
#include "support/fake_screen_capture.h"
#include "support/fake_window_order.h"
#include "support/scratch_folder.h"

#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QMimeData>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <memory>

namespace {

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

    // Only the exact text unlocks.
    void whatUnlocks() {
        const struct {
            const char* stored;
            QString typed;
            bool unlocks;
        } rows[] = {
            {"Abc", "abc", false},
            {" pw ", "pw", false},
            {" pw ", " pw ", true},
            // "?" stands for any character without a code; it must not match one.
            {"?", QString(QChar(0x4e2d)), false},
            {"\x80\xe9", QStringLiteral("\u20ac\u00e9"), true},
        };
        for (const auto& row : rows) {
            Form1* form = lockWith(row.stored);
            type(form->Text1, row.typed);
            QTest::keyClick(form->Text1, Qt::Key_Return);
            QVERIFY2(!lockWindow() == row.unlocks, row.stored);
            unloadAll();
        }
        // A click on the picture checks too.
        type(lockWith("pw")->Text1, QStringLiteral("pw"));
        QTest::mouseClick(lockWindow()->windowHandle(), Qt::LeftButton, {}, QPoint(5, 5));
        QVERIFY(!lockWindow());
        // A context menu in the box would take the grabs with it when it closed.
        Form1* form = lockWith("pw");
        QTest::mouseClick(form->windowHandle(), Qt::RightButton, {},
                          form->Text1->mapTo(form, QPoint(5, 5)));
        QCOMPARE(QApplication::activePopupWidget(), nullptr);
    }

    // Another program keeps the keyboard (or the pointer): no lock is ever shown.
    void noLockWithoutTheGrabs() {
        for (const char* says : {"keyboard", "mouse"}) {
            f->order.keyboardRefusals = says[0] == 'k' ? 1000 : 0;
            f->order.pointerRefusals = 1000 - f->order.keyboardRefusals;
            f->order.calls.clear();
            f->forms.boxes.clear();
            QVERIFY(!lockWith("pw"));
            QCOMPARE(f->forms.boxes.size(), 1);
            QVERIFY(f->forms.boxes[0].text.contains(QLatin1String(says)));
            QVERIFY(f->order.calls.filter(QStringLiteral("watch")).isEmpty());
            QCOMPARE(f->order.calls.last(), QStringLiteral("releaseGrabs Form1"));
        }
    }

    // A message box would be modal over the lock: it waits for the unlock.
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
    }

    // The second screen gets a cover with its own part of the desktop, kept in front.
    // Close requests are refused: unloading alone ends the lock.
    void secondScreenCoveredNothingCloses() {
        QImage& desktop = f->capture.desktop.picture;
        desktop = QImage(2048, 768, QImage::Format_RGB32);
        QPainter(&desktop).fillRect(1024, 0, 1024, 768, Qt::yellow);
        QSignalSpy shown(&platform::formSlot<Form1>().get(), &Form1::shownOnScreen);
        QSignalSpy held(&platform::formSlot<Form1>().get(), &Form1::lockHeld);
        Form1* form = lockWith("pw");
        QTRY_COMPARE(shown.count(), 1);
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
        QTest::keyClicks(form->Text1, QStringLiteral("xyz"));
        QCOMPARE(form->Text1->displayText(), QStringLiteral("***"));
        type(form->Text1, QString(300, QLatin1Char('k')));
        QCOMPARE(form->Text1->displayText().size(), 255); // as many as a password file holds
    }

    // Only typed keys reach the box: no paste by key or middle button (from the
    // clipboard or the selection), no drop, no input method's text, no undo or redo. Each
    // is followed by a key, whose check would unlock if the password had gone in.
    void nothingButTypedKeysEntersTheBox() {
        Form1* form = lockWith("pw");
        QWidget* box = form->Text1;
        QGuiApplication::clipboard()->setText(QStringLiteral("pw"));
        QGuiApplication::clipboard()->setText(QStringLiteral("pw"), QClipboard::Selection);
        auto mime = std::make_unique<QMimeData>();
        mime->setText(QStringLiteral("pw"));
        const QList<std::function<void()>> attempts = {
            [&] { press(box, Qt::Key_V, QStringLiteral("\x16"), Qt::ControlModifier); },
            [&] { press(box, Qt::Key_Insert, {}, Qt::ShiftModifier); },
            [&] { QTest::mouseClick(box, Qt::MiddleButton, {}, QPoint(5, 5)); },
            [&] {
                QInputMethodEvent commit;
                commit.setCommitString(QStringLiteral("pw"));
                QCoreApplication::sendEvent(box, &commit);
            },
            [&] {
                QDropEvent drop(QPointF(5, 5), Qt::CopyAction, mime.get(), Qt::LeftButton, {});
                QCoreApplication::sendEvent(box, &drop);
            },
            [&] {
                type(box, QStringLiteral("xy"));
                press(box, Qt::Key_Escape);
                press(box, Qt::Key_Z, QStringLiteral("\x1a"), Qt::ControlModifier);
            },
        };
        for (int i = 0; i < attempts.size(); ++i) {
            attempts[i]();
            press(box, Qt::Key_Shift);
            QVERIFY2(lockWindow(), qPrintable(QString::number(i)));
            QCOMPARE(form->Text1->displayText(), QString());
        }
        type(box, QStringLiteral("pw"));
        press(box, Qt::Key_Enter);
        QVERIFY(!lockWindow());
    }

    // Enter (either) with a wrong text empties the box and says so for a while; Caps
    // Lock on is shown; the wrong tries are told once the desktop is back.
    void aWrongPasswordIsAnswered() {
        Form1* form = lockWith("pw");
        QVERIFY(!form->screen().showsWrongPassword() && !form->screen().showsCapsLock());
        press(form->Text1, Qt::Key_Return); // nothing typed: no try
        QVERIFY(!form->screen().showsWrongPassword());
        type(form->Text1, QStringLiteral("px"));
        press(form->Text1, Qt::Key_Return);
        QVERIFY(form->screen().showsWrongPassword());
        QCOMPARE(form->Text1->displayText(), QString());
        type(form->Text1, QStringLiteral("p"));
        press(form->Text1, Qt::Key_Enter);
        f->order.capsLock = true;
        press(form->Text1, Qt::Key_CapsLock);
        QVERIFY(form->screen().showsCapsLock());
        type(form->Text1, QStringLiteral("pw"));
        press(form->Text1, Qt::Key_Return);
        QVERIFY(!lockWindow());
        QTRY_COMPARE(f->forms.boxes.size(), 1);
        QVERIFY2(f->forms.boxes[0].text.contains(QLatin1String(" 2 times")),
                 qPrintable(f->forms.shown()));
        QCOMPARE(f->forms.boxes[0].style, 64);
        // A lock with no wrong try tells nothing.
        f->forms.boxes.clear();
        type(lockWith("pw")->Text1, QStringLiteral("pw"));
        press(lockWindow()->Text1, Qt::Key_Return);
        QTest::qWait(20);
        QCOMPARE(f->forms.boxes.size(), 0);
    }

    // The banner keeps its navy ink and gains a light outline, so it reads on any
    // desktop.
    void theBannerIsOutlined() {
        Form1* form = lockWith("pw");
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
        QCOMPARE(form->Label1->font().family(), QStringLiteral("Verdana"));
    }

    void grabsAreRetriedUntilHeldAndKeptInFront() {
        f->order.keyboardRefusals = 3;
        f->order.pointerRefusals = 1;
        Form1* form = lockWith("pw");
        QVERIFY(form && form->holdsGrabs());
        // Shown (and so watched) only once both are held.
        QVERIFY(f->order.calls.lastIndexOf(QStringLiteral("grabKeyboard Form1")) <
                f->order.calls.indexOf(QStringLiteral("watch Form1")));
        // The test takes the ticks itself: only the retries can take a grab back.
        form->Timer1->stop(); // which also runs the stay-in-front step
        // A grab lost in between is found at the fifth tick at the latest, one lost with
        // the window at once; either is retried while it is refused.
        f->order.keyboardRefusals = 2;
        for (int i = 0; i < 5; ++i)
            form->Timer2_Timer();
        QVERIFY(!form->holdsGrabs());
        QTRY_VERIFY_WITH_TIMEOUT(form->holdsGrabs(), 5000);
        f->order.keyboardRefusals = 2;
        f->order.unmap(form);
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
