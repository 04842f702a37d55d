// The lock window on two screens side by side (1024 x 768 each), with the grabs and the
// window order faked: the exact compare, the clicks that check, no lock under a dialog,
// the snapshot taken before the show, the second screen's cover, the masked box and the
// banner, grab retries and focus taken back. tests/whole/test_lock.py holds the lock
// against keys, close requests and other programs for real.

#include "lock/x11/Form1.h"
#include "lock/x11/lock_cover.h"
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
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QSignalSpy>
#include <QStyleHints>
#include <QTest>
#include <QTimer>
#include <memory>

namespace {

Form1* lockWindow() {
    return platform::formSlot<Form1>().loaded();
}

void settle() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

void unloadAll() {
    platform::formSlot<Form1>().unload();
    settle();
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

    int calls(const char* call) const { return f->order.count(call); }

private Q_SLOTS:
    void init() { f = std::make_unique<Fakes>(); }

    void cleanup() {
        unloadAll();
        f.reset();
    }

    void onlyTheExactTextUnlocks() {
        const struct {
            const char* stored;
            QString typed;
            bool unlocks;
        } rows[] = {
            {"Abc", "abc", false},
            {"Abc", "Abc ", false},
            {" pw ", "pw", false},
            {" pw ", " pw ", true},
            // "?" stands for any character without a code; it must not match one.
            {"?", QString(QChar(0x4e2d)), false},
        };
        for (const auto& row : rows) {
            Form1* form = lockWith(row.stored);
            form->Text1->setText(row.typed);
            QTest::keyClick(form->Text1, Qt::Key_Return);
            QVERIFY2(!lockWindow() == row.unlocks, row.stored);
            unloadAll();
        }
    }

    void clicksThatCheck() {
        const struct {
            const char* where;
            bool checks;
        } rows[] = {{"Image1", true}, {"Label1", true}, {"Picture2", false}, {"Text1", false}};
        for (const auto& row : rows) {
            Form1* form = lockWith("pw");
            form->Text1->setText(QStringLiteral("pw")); // typed, no key since
            form->Label1->move(100, form->Label1->y()); // fully on screen, clear of the panel
            // Through the window, so that the click lands on whatever is under the point.
            const QPoint at = form->findChild<QWidget*>(row.where)->mapTo(form, QPoint(5, 5));
            QTest::mouseClick(form->windowHandle(), Qt::LeftButton, {}, at);
            QVERIFY2(!lockWindow() == row.checks, row.where);
            unloadAll();
        }
    }

    void locksWhileADialogIsOpenAndRefusesWithoutTheKeys() {
        QDialog dialog;
        QTimer::singleShot(0, &dialog, [&] {
            QMenu menu; // a menu would take the grabs with it when it closed
            menu.addAction(QStringLiteral("Quit"));
            menu.popup(QPoint(10, 10));
            Form1* form = lockWith("pw");
            QVERIFY(form && form->isLocked());
            QVERIFY(!menu.isVisible());
            QVERIFY(dialog.isVisible()); // left open under the lock
            form->Text1->setText(QStringLiteral("pw"));
            QTest::keyClick(form->Text1, Qt::Key_Return);
            dialog.reject();
        });
        platform::showModal(dialog);
        QVERIFY(!lockWindow());
        f->order.calls.clear();

        // Another program keeps the keyboard (or the pointer): no lock is ever shown.
        const struct {
            int keyboardRefusals, pointerRefusals;
            const char* says;
        } rows[] = {{1000, 0, "keyboard"}, {0, 1000, "mouse"}};
        for (const auto& row : rows) {
            f->order.keyboardRefusals = row.keyboardRefusals;
            f->order.pointerRefusals = row.pointerRefusals;
            f->forms.boxes.clear();
            QVERIFY(!lockWith("pw"));
            QCOMPARE(f->forms.boxes.size(), 1);
            QVERIFY(f->forms.boxes[0].text.contains(QLatin1String(row.says)));
            QCOMPARE(f->forms.boxes[0].title, QStringLiteral("Veltrane"));
            QCOMPARE(f->forms.boxes[0].style, 16);
            QCOMPARE(f->order.calls.filter(QStringLiteral("watch")).size(), 0);
            QCOMPARE(f->order.calls.last(), QStringLiteral("releaseGrabs Form1"));
            f->order.calls.clear();
        }
    }

    void aBoxWaitsForTheUnlock() {
        Form1* form = lockWith("pw");
        QWidget* boxShownLocked = nullptr;
        QTimer::singleShot(50, form, [&] {
            boxShownLocked = QApplication::activeModalWidget();
            form->Text1->setText(QStringLiteral("pw"));
            QTest::keyClick(form->Text1, Qt::Key_Return);
        });
        bool shown = false;
        QTimer closer;
        connect(&closer, &QTimer::timeout, [&] {
            if (QWidget* box = QApplication::activeModalWidget()) {
                shown = !lockWindow();
                box->close();
            }
        });
        closer.start(10);
        platform::QtFormsServices().msgBox(QStringLiteral("Done."), 64, QStringLiteral("Veltrane"));
        QCOMPARE(boxShownLocked, nullptr);
        QVERIFY(shown);
    }

    void snapshotIsTakenBeforeTheShowAndCoversEveryScreen() {
        int pendingMessagesRun = -1, orderCalls = -1;
        bool lockShown = true;
        f->capture.onGrab = [&] {
            pendingMessagesRun = f->forms.doEventsCalls;
            lockShown = false;
            for (QWidget* w : QApplication::topLevelWidgets())
                lockShown |= w->objectName() == QLatin1String("Form1") && w->isVisible();
            orderCalls = static_cast<int>(f->order.calls.size());
        };
        QImage& desktop = f->capture.desktop.picture;
        desktop = QImage(2048, 768, QImage::Format_RGB32);
        desktop.fill(QColor(10, 200, 30));
        QPainter(&desktop).fillRect(1024, 0, 1024, 768, QColor(255, 255, 0));
        Form1* form = lockWith("pw");
        QCOMPARE(f->capture.grabs, 1);
        QCOMPARE(pendingMessagesRun, 1);
        QVERIFY(!lockShown);
        QCOMPARE(orderCalls, 0); // no raising or grabbing before the copy
        QCOMPARE(form->Image1->grab().toImage().pixelColor(1000, 700), QColor(10, 200, 30));

        // The second screen gets a cover with its own part, watched and kept in front.
        QCOMPARE(form->covers().size(), 1);
        LockCover* cover = form->covers().first();
        QCOMPARE(cover->geometry(), QRect(1024, 0, 1024, 768));
        QCOMPARE(cover->grab().toImage().pixelColor(10, 10), QColor(255, 255, 0));
        QVERIFY(f->order.watched.contains(cover));
        f->order.onTop = false;
        form->Timer2_Timer();
        QCOMPARE(f->order.calls.last(), QStringLiteral("raise LockCover"));

        // Close requests are refused (unloading alone ends the lock); a click on the cover
        // checks.
        QVERIFY(!form->close() && !cover->close());
        form->Text1->setText(QStringLiteral("pw"));
        QTest::mouseClick(cover, Qt::LeftButton, {}, QPoint(50, 50));
        QVERIFY(!lockWindow());
    }

    void maskedBoxAndTravellingBanner() {
        const int flashTime = QGuiApplication::styleHints()->cursorFlashTime();
        Form1* form = &platform::formSlot<Form1>().get(); // loaded as the lock command does
        QSignalSpy shown(form, &Form1::shownOnScreen);    // the supervisor waits for it
        QVERIFY(shown.wait(5000));
        QCOMPARE(QGuiApplication::styleHints()->cursorFlashTime(), 0); // a caret that stands still
        QTest::keyClicks(form->Text1, QStringLiteral("xyz"));
        QCOMPARE(form->Text1->displayText(), QStringLiteral("***"));
        form->Text1->setText(QString(300, QLatin1Char('k')));
        QCOMPARE(form->Text1->text().size(), 255);
        // It comes in at the right edge and changes its caption on the way across.
        const QString first = form->Label1->text();
        QCOMPARE(first, QStringLiteral("The desktop is locked."));
        QCOMPARE(form->Label1->x(), form->width());
        for (int ticks = 0; form->Label1->text() == first && ticks < 500; ++ticks)
            form->Timer1_Timer();
        QCOMPARE(form->Label1->text(), QStringLiteral("Enter password to unlock."));
        QVERIFY(form->Label1->geometry().right() < form->width());
        unloadAll();
        QVERIFY(flashTime > 0);
        QCOMPARE(QGuiApplication::styleHints()->cursorFlashTime(), flashTime);
    }

    void grabsAreRetriedUntilHeldAndKeptInFront() {
        f->order.keyboardRefusals = 3;
        f->order.pointerRefusals = 1;
        Form1* form = lockWith("pw");
        QTRY_VERIFY_WITH_TIMEOUT(form->holdsGrabs(), 1000);
        QCOMPARE(calls("grabKeyboard"), 4);
        QCOMPARE(calls("grabPointer"), 2);
        // Shown (and so watched) only once both are held.
        QVERIFY(f->order.calls.indexOf(QStringLiteral("grabPointer Form1")) <
                f->order.calls.indexOf(QStringLiteral("watch Form1")));
        // With the stack as it was, a tick does not even look; after a change it raises.
        f->order.stackChanges = false;
        f->order.onTop = false;
        const qsizetype callsBefore = f->order.calls.size();
        form->Timer2_Timer();
        QCOMPARE(f->order.calls.size(), callsBefore);
        f->order.stackChanges = true;
        form->Timer2_Timer();
        QVERIFY(f->order.calls.mid(callsBefore).contains(QStringLiteral("raise Form1")));
        f->order.onTop = true;
        // A grab lost in between is found at the fifth tick at the latest and taken back.
        f->order.keyboardRefusals = 1;
        const int grabsBefore = calls("grabKeyboard");
        for (int i = 0; i < 5; ++i)
            form->Timer2_Timer();
        QCOMPARE(calls("grabKeyboard"), grabsBefore + 1);
        QVERIFY(!form->holdsGrabs());
        QTRY_VERIFY_WITH_TIMEOUT(form->holdsGrabs(), 1000);

        // Another window of the program that took the focus (and the keys) gives it back.
        // The running timer would do so on its own; the test takes the tick itself.
        form->Timer1->stop();
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
