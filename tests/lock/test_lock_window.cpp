// The lock window driven for real on two screens side by side (1024 x 768 each): the
// check on key down and on clicks, refused closes, the snapshot taken before the show,
// the cover of the second screen, the grabs and stay in front.

#include "lock/Form1.h"
#include "lock/lock_cover.h"
#include "lock/lock_picture.h"
#include "platform/forms.h"
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
#include <QPainter>
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

    static void enter(Form1* form, const QString& typed) {
        form->Text1->setText(typed);
        QTest::keyClick(form->Text1, Qt::Key_Return);
    }

private Q_SLOTS:
    void init() { f = std::make_unique<Fakes>(); }

    void cleanup() {
        unloadAll();
        f.reset();
    }

    void keyDownChecksBeforeTheCharacterLands() {
        Form1* form = lockWith("abc");
        QVERIFY(form->Text1->hasFocus());
        QTest::keyClicks(form->Text1, QStringLiteral("abx"));
        QTest::keyClick(form->Text1, Qt::Key_Return);
        QVERIFY(form->isVisible());
        QCOMPARE(form->Text1->text(), QStringLiteral("abx")); // a wrong text is kept
        QTest::keyClick(form->Text1, Qt::Key_Backspace);
        QTest::keyClick(form->Text1, Qt::Key_C);
        QVERIFY2(lockWindow(), "the text was short of the password at every key down");
        QCOMPARE(form->Text1->text(), QStringLiteral("abc"));
        QTest::keyClick(form->Text1, Qt::Key_D); // the check sees "abc" as "d" goes down
        QVERIFY(!lockWindow());
    }

    void onlyTheExactTextUnlocks() {
        const struct {
            const char* stored;
            QString typed;
            bool unlocks;
        } rows[] = {
            {"Abc", "Abc", true},
            {"Abc", "abc", false},
            {"Abc", "Abc ", false},
            {"Abc", "Ab", false},
            {" pw ", "pw", false},
            {" pw ", " pw ", true},
            {"", "", true}, // an empty password unlocks at the first key
            // "?" stands for any character without a code; it must not match one.
            {"?", QString(QChar(0x4e2d)), false},
        };
        for (const auto& row : rows) {
            enter(lockWith(row.stored), row.typed);
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

    void closeIsRefusedUntilUnloaded() {
        Form1* form = lockWith("pw");
        QVERIFY(!form->close());
        QVERIFY(!form->covers().first()->close());
        settle();
        QCOMPARE(lockWindow(), form);
        QVERIFY(form->isVisible());
        QCOMPARE(calls("releaseGrabs"), 0);
        // Quit unloads every form; the grabs and the watching must go with it.
        platform::unloadForm(form);
        QCOMPARE(calls("releaseGrabs"), 1);
        QVERIFY(f->order.watched.isEmpty());
        settle();
        QVERIFY(!lockWindow());
    }

    void noPasswordShowsPasswordRequired() {
        f->folder.write(kPasswordFileName, "");
        mnuShowMe_Click();
        QCOMPARE(f->forms.boxes.size(), 1);
        QCOMPARE(f->forms.boxes[0].text,
                 QStringLiteral(
                     "You need to create a password before you can run the Veltrane application"));
        QCOMPARE(f->forms.boxes[0].style, 16);
        QCOMPARE(f->forms.boxes[0].title, QStringLiteral("Password Required"));
        QVERIFY(!lockWindow());
        QCOMPARE(f->capture.grabs, 0);
        QVERIFY(f->order.calls.isEmpty());
    }

    void noLockWhileADialogIsOpen() {
        QDialog dialog;
        QTimer::singleShot(0, &dialog, [&] {
            QVERIFY(!lockWith("pw"));
            QVERIFY(f->forms.boxes.isEmpty());
            QCOMPARE(f->capture.grabs, 0);
            dialog.reject();
        });
        platform::showModal(dialog);
        QVERIFY(lockWith("pw")); // once it is closed, locking works again
    }

    void locksWithThePasswordStoredNowAndChecksKeysToTheForm() {
        mdlGlobal::strPassword = "stale";
        Form1* form = lockWith("fresh");
        enter(form, QStringLiteral("stale"));
        QVERIFY(lockWindow());
        // A key to the form itself checks too.
        form->Text1->setText(QStringLiteral("fresh"));
        form->Text1->clearFocus();
        QTest::keyClick(form, Qt::Key_A);
        QVERIFY(!lockWindow());
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
        const QImage shown = form->Image1->grab().toImage();
        QCOMPARE(shown.size(), QSize(1024, 768));
        QCOMPARE(shown.pixelColor(1000, 700), QColor(10, 200, 30));

        // The second screen gets a cover with its own part, watched and kept in front,
        // and the lock window is raised above the cover it may overlap.
        QCOMPARE(form->covers().size(), 1);
        LockCover* cover = form->covers().first();
        QCOMPARE(cover->geometry(), QRect(1024, 0, 1024, 768));
        QVERIFY(cover->windowFlags() & Qt::WindowDoesNotAcceptFocus);
        QCOMPARE(cover->grab().toImage().pixelColor(10, 10), QColor(255, 255, 0));
        QVERIFY(f->order.watched.contains(cover));
        QVERIFY(f->order.calls.indexOf(QStringLiteral("watch LockCover")) <
                f->order.calls.lastIndexOf(QStringLiteral("raise Form1")));
        f->order.onTop = false;
        form->Timer2_Timer();
        QCOMPARE(f->order.calls.last(), QStringLiteral("raise LockCover"));

        // A click on the cover checks.
        QTest::mouseClick(cover, Qt::LeftButton, {}, QPoint(50, 50));
        QVERIFY(lockWindow());
        form->Text1->setText(QStringLiteral("pw"));
        QTest::mouseClick(cover, Qt::LeftButton, {}, QPoint(50, 50));
        QVERIFY(!lockWindow());
    }

    void snapshotPartOutsideThePictureIsWhite() {
        platform::ImageSnapshot snap(QImage(100, 50, QImage::Format_RGB32), QPoint(-100, 0));
        snap.picture.fill(Qt::black);
        const QImage part = snap.part(QRect(-20, 10, 40, 20));
        QCOMPARE(part.size(), QSize(40, 20));
        QCOMPARE(part.pixelColor(5, 5), QColor(Qt::black));  // x = -15: inside
        QCOMPARE(part.pixelColor(30, 5), QColor(Qt::white)); // x = 10: beyond the picture
    }

    void layoutAndBannerOnA1024By768Screen() {
        Form1* form = lockWith("pw");
        QCOMPARE(form->objectName(), QStringLiteral("Form1"));
        QCOMPARE(form->geometry(), QRect(0, 0, 1024, 768));
        QCOMPARE(form->windowTitle(), QString());
        QCOMPARE(form->panelLeft(), 5557.5);
        QCOMPARE(form->Picture2->geometry(), QRect(370, 340, 283, 88)); // 370.5 to even
        QCOMPARE(form->Text1->geometry(), QRect(13, 29, 257, 19));
        QTest::keyClicks(form->Text1, QStringLiteral("xyz"));
        QCOMPARE(form->Text1->displayText(), QStringLiteral("***"));
        form->Text1->setText(QString(300, QLatin1Char('k')));
        QCOMPARE(form->Text1->text().size(), 255);
        QCOMPARE(form->bannerLeft(), 15360.0);
        QCOMPARE(form->Label1->geometry(), QRect(1024, 367, 593, 33)); // 5512 / 15 = 367.5
        QCOMPARE(form->Label1->text(), QStringLiteral("The desktop is locked."));
        QCOMPARE(form->Label1->font().family(), QStringLiteral("Verdana"));
        QCOMPARE(form->Label1->font().pointSizeF(), 14.25);
        QCOMPARE(form->Label1->palette().color(QPalette::WindowText), QColor(0, 0, 128));
        QVERIFY(form->Label1->isVisible());
        QVERIFY(form->Timer1->isActive());
        QCOMPARE(form->Timer1->interval(), 75);
        QVERIFY(form->Timer2->isActive());
        // Back to front: snapshot, banner, panel.
        const QObjectList kids = form->children();
        QVERIFY(kids.indexOf(form->Image1) < kids.indexOf(form->Label1));
        QVERIFY(kids.indexOf(form->Label1) < kids.indexOf(form->Picture2));
        // The banner steps with the panel's place and its own width in twips.
        form->Timer1_Timer();
        QCOMPARE(form->bannerLeft(), 15210.0);
        QCOMPARE(form->Label1->pos(), QPoint(1014, 367));
        for (int i = 1; i < 63; ++i)
            form->Timer1_Timer();
        QCOMPARE(form->Label1->text(), QStringLiteral("Enter password to unlock."));
    }

    void grabsAreRetriedUntilHeldAndKeptInFront() {
        f->order.keyboardRefusals = 3;
        f->order.pointerRefusals = 1;
        Form1* form = lockWith("pw");
        QTRY_VERIFY_WITH_TIMEOUT(form->holdsGrabs(), 1000);
        QCOMPARE(calls("grabKeyboard"), 4);
        QCOMPARE(calls("grabPointer"), 2);
        QVERIFY(f->order.calls.indexOf(QStringLiteral("watch Form1")) <
                f->order.calls.indexOf(QStringLiteral("grabKeyboard Form1")));

        // Stay in front raises a covered window only, and takes lost grabs back.
        const int raises = calls("raise");
        form->Timer2_Timer();
        QCOMPARE(calls("raise"), raises); // on top: left alone
        // With the stack as it was, a tick does not even look.
        f->order.stackChanges = false;
        f->order.onTop = false;
        const qsizetype idleBefore = f->order.calls.size();
        form->Timer2_Timer();
        QCOMPARE(f->order.calls.size(), idleBefore);
        f->order.stackChanges = true;
        const qsizetype callsBefore = f->order.calls.size();
        form->Timer2_Timer();
        QVERIFY(f->order.calls.mid(callsBefore).contains(QStringLiteral("raise Form1")));
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
        form->Timer2->stop();
        QWidget other;
        other.show();
        other.activateWindow();
        QTRY_VERIFY(other.isActiveWindow());
        form->Timer2_Timer();
        QTRY_VERIFY(form->isActiveWindow());
        QVERIFY(form->Text1->hasFocus());
    }

    void lostWindowTakesEverythingBack_data() {
        QTest::addColumn<platform::WindowOrder::Loss>("loss");
        QTest::newRow("unmapped") << platform::WindowOrder::Loss::Unmapped;
        QTest::newRow("destroyed") << platform::WindowOrder::Loss::Destroyed;
    }
    void lostWindowTakesEverythingBack() {
        // Another program may unmap or destroy the lock window; X drops its grabs with it.
        QFETCH(platform::WindowOrder::Loss, loss);
        Form1* form = lockWith("pw");
        QTRY_VERIFY_WITH_TIMEOUT(form->holdsGrabs(), 1000);
        const int keyboardGrabs = calls("grabKeyboard");
        const int pointerGrabs = calls("grabPointer");
        f->order.keyboardRefusals = 2; // not viewable yet for a moment
        f->order.loseWindow(form, loss);
        QTRY_VERIFY_WITH_TIMEOUT(form->holdsGrabs(), 1000);
        QCOMPARE(calls("grabKeyboard"), keyboardGrabs + 3);
        QCOMPARE(calls("grabPointer"), pointerGrabs + 1);
        QCOMPARE(calls("releaseGrabs"), 0);
        QVERIFY(f->order.watched.contains(form));
    }

    void lockingManyTimesLeavesNothingBehind() {
        settle();
        const qsizetype windowsBefore = QApplication::topLevelWidgets().size();
        for (int i = 0; i < 3; ++i) {
            enter(lockWith("pw"), QStringLiteral("pw"));
            QVERIFY(!lockWindow());
            settle();
        }
        QCOMPARE(QApplication::topLevelWidgets().size(), windowsBefore);
        QCOMPARE(f->capture.grabs, 3);
        QCOMPARE(calls("releaseGrabs"), 3);
        QVERIFY(f->order.watched.isEmpty());
    }
};

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" TWO_SCREENS_CONFIG);
    QApplication app(argc, argv);
    LockWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_lock_window.moc"
