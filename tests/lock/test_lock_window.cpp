// The lock window driven for real on two screens side by side (1024 x 768 each): the
// check on key down and on clicks, refused closes, the snapshot taken before the show,
// the cover of the second screen, the grabs and stay in front.

#include "lock/Form1.h"
#include "lock/lock_cover.h"
#include "platform/forms.h"
#include "shell/menu_commands.h"
#include "store/mdlGlobal.h"
#include "store/password_file.h"
#include "support/fake_forms_services.h"
#include "support/fake_screen_capture.h"
#include "support/fake_window_order.h"
#include "support/scratch_folder.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QTemporaryDir>
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

    static void enter(Form1* form, const QString& typed) {
        form->Text1->setText(typed);
        QTest::keyClick(form->Text1, Qt::Key_Return);
    }

private Q_SLOTS:
    void init() { f = std::make_unique<Fakes>(); }

    void cleanup() {
        platform::formSlot<Form1>().unload();
        settle();
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

    void onlyTheExactTextUnlocks_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("unlocks");
        QTest::newRow("exact") << "Abc"
                               << "Abc" << true;
        QTest::newRow("other case") << "Abc"
                                    << "abc" << false;
        QTest::newRow("blank after") << "Abc"
                                     << "Abc " << false;
        QTest::newRow("prefix") << "Abc"
                                << "Ab" << false;
        QTest::newRow("stored blanks, trimmed") << " pw "
                                                << "pw" << false;
        QTest::newRow("stored blanks, kept") << " pw "
                                             << " pw " << true;
        QTest::newRow("empty password") << ""
                                        << "" << true;
        // "?" stands for any character without a code; it must not match one.
        QTest::newRow("no code") << "?" << QString(QChar(0x4e2d)) << false;
    }
    void onlyTheExactTextUnlocks() {
        QFETCH(QString, stored);
        QFETCH(QString, typed);
        QFETCH(bool, unlocks);
        enter(lockWith(stored.toStdString()), typed);
        QCOMPARE(!lockWindow(), unlocks);
    }

    void clicksThatCheck_data() {
        QTest::addColumn<QString>("where");
        QTest::addColumn<bool>("checks");
        QTest::newRow("snapshot") << "Image1" << true;
        QTest::newRow("banner") << "Label1" << true;
        QTest::newRow("panel") << "Picture2" << false;
        QTest::newRow("password box") << "Text1" << false;
    }
    void clicksThatCheck() {
        QFETCH(QString, where);
        QFETCH(bool, checks);
        Form1* form = lockWith("pw");
        form->Text1->setText(QStringLiteral("pw")); // typed, no key since
        form->Label1->move(100, form->Label1->y()); // fully on screen, clear of the panel
        // Through the window, so that the click lands on whatever is under the point.
        const QPoint at = form->findChild<QWidget*>(where)->mapTo(form, QPoint(5, 5));
        QTest::mouseClick(form->windowHandle(), Qt::LeftButton, {}, at);
        QCOMPARE(!lockWindow(), checks);
    }

    void keysToTheFormItselfCheck() {
        Form1* form = lockWith("pw");
        form->Text1->setText(QStringLiteral("pw"));
        form->Text1->clearFocus();
        QTest::keyClick(form, Qt::Key_A);
        QVERIFY(!lockWindow());
    }

    void closeIsRefusedWhileLocked() {
        Form1* form = lockWith("pw");
        QVERIFY(!form->close());
        QVERIFY(!form->covers().first()->close());
        settle();
        QCOMPARE(lockWindow(), form);
        QVERIFY(form->isVisible());
        QCOMPARE(f->order.count(QStringLiteral("releaseGrabs")), 0);
    }

    void unloadingEndsTheLock() {
        // Quit unloads every form; the grabs and the watching must go with it.
        platform::unloadForm(lockWith("pw"));
        QVERIFY(f->order.calls.contains(QStringLiteral("releaseGrabs Form1")));
        QVERIFY(f->order.watched.isEmpty());
        settle();
        QVERIFY(!lockWindow());
    }

    void noPasswordShowsPasswordRequired_data() {
        QTest::addColumn<bool>("fileExists");
        QTest::newRow("empty file") << true;
        QTest::newRow("no file") << false;
    }
    void noPasswordShowsPasswordRequired() {
        QFETCH(bool, fileExists);
        if (fileExists)
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

    void locksWithThePasswordStoredNow() {
        mdlGlobal::strPassword = "stale";
        Form1* form = lockWith("fresh");
        enter(form, QStringLiteral("stale"));
        QVERIFY(lockWindow());
        enter(form, QStringLiteral("fresh"));
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
        const QImage shown = form->Image1->pixmap().toImage();
        QCOMPARE(shown.size(), QSize(1024, 768));
        QCOMPARE(shown.pixelColor(1000, 700), QColor(10, 200, 30));

        // The second screen gets a cover with its own part, watched and kept in front,
        // and the lock window is raised above the cover it may overlap.
        QCOMPARE(form->covers().size(), 1);
        LockCover* cover = form->covers().first();
        QCOMPARE(cover->geometry(), QRect(1024, 0, 1024, 768));
        QVERIFY(cover->isVisible());
        QVERIFY(cover->windowFlags() & Qt::X11BypassWindowManagerHint);
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
        platform::DesktopSnapshot snap{QImage(100, 50, QImage::Format_RGB32), QPoint(-100, 0)};
        snap.picture.fill(Qt::black);
        const QImage part = snap.part(QRect(-20, 10, 40, 20));
        QCOMPARE(part.size(), QSize(40, 20));
        QCOMPARE(part.pixelColor(5, 5), QColor(Qt::black));  // x = -15: inside
        QCOMPARE(part.pixelColor(30, 5), QColor(Qt::white)); // x = 10: beyond the picture
    }

    void layoutOnA1024By768Screen() {
        Form1* form = lockWith("pw");
        QCOMPARE(form->objectName(), QStringLiteral("Form1"));
        QCOMPARE(form->geometry(), QRect(0, 0, 1024, 768));
        QCOMPARE(form->windowTitle(), QString());
        const Qt::WindowFlags needed =
            Qt::X11BypassWindowManagerHint | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint;
        QCOMPARE(form->windowFlags() & needed, needed);
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
    }

    void bannerStepsAndSwitches() {
        Form1* form = lockWith("pw");
        form->Timer1_Timer();
        QCOMPARE(form->bannerLeft(), 15210.0);
        QCOMPARE(form->Label1->pos(), QPoint(1014, 367));
        for (int i = 1; i < 63; ++i)
            form->Timer1_Timer();
        QCOMPARE(form->Label1->text(), QStringLiteral("Enter password to unlock."));
    }

    void grabsAreRetriedUntilHeld() {
        f->order.keyboardRefusals = 3;
        f->order.pointerRefusals = 1;
        Form1* form = lockWith("pw");
        QTRY_VERIFY_WITH_TIMEOUT(form->holdsGrabs(), 1000);
        QCOMPARE(f->order.count(QStringLiteral("grabKeyboard")), 4);
        QCOMPARE(f->order.count(QStringLiteral("grabPointer")), 2);
        QVERIFY(f->order.calls.indexOf(QStringLiteral("watch Form1")) <
                f->order.calls.indexOf(QStringLiteral("grabKeyboard Form1")));
    }

    void stayInFrontRaisesWhenCoveredAndRetakesLostGrabs() {
        Form1* form = lockWith("pw");
        const int raises = f->order.count(QStringLiteral("raise"));
        form->Timer2_Timer();
        QCOMPARE(f->order.count(QStringLiteral("raise")), raises); // on top: left alone
        f->order.onTop = false;
        const qsizetype callsBefore = f->order.calls.size();
        form->Timer2_Timer();
        QVERIFY(f->order.calls.mid(callsBefore).contains(QStringLiteral("raise Form1")));
        // A grab lost in between is found at the fifth tick at the latest and taken back.
        f->order.keyboardRefusals = 1;
        const int grabsBefore = f->order.count(QStringLiteral("grabKeyboard"));
        for (int i = 0; i < 5; ++i)
            form->Timer2_Timer();
        QCOMPARE(f->order.count(QStringLiteral("grabKeyboard")), grabsBefore + 1);
        QVERIFY(!form->holdsGrabs());
        QTRY_VERIFY_WITH_TIMEOUT(form->holdsGrabs(), 1000);
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
        const int keyboardGrabs = f->order.count(QStringLiteral("grabKeyboard"));
        const int pointerGrabs = f->order.count(QStringLiteral("grabPointer"));
        f->order.keyboardRefusals = 2; // not viewable yet for a moment
        f->order.loseWindow(form, loss);
        QTRY_VERIFY_WITH_TIMEOUT(form->holdsGrabs(), 1000);
        QCOMPARE(f->order.count(QStringLiteral("grabKeyboard")), keyboardGrabs + 3);
        QCOMPARE(f->order.count(QStringLiteral("grabPointer")), pointerGrabs + 1);
        QCOMPARE(f->order.count(QStringLiteral("releaseGrabs")), 0);
        QVERIFY(f->order.watched.contains(form));
        QCOMPARE(lockWindow(), form);
        QVERIFY(form->isVisible());
        enter(form, QStringLiteral("pw"));
        QVERIFY(!lockWindow());
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
        QCOMPARE(f->order.count(QStringLiteral("releaseGrabs")), 3);
        QVERIFY(f->order.watched.isEmpty());
    }
};

int main(int argc, char* argv[]) {
    QTemporaryDir dir;
    const QString config = dir.filePath(QStringLiteral("screens.json"));
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly))
        return 1;
    file.write(R"({"screens": [
        {"name": "left", "x": 0, "y": 0, "width": 1024, "height": 768, "logicalDpi": 96},
        {"name": "right", "x": 1024, "y": 0, "width": 1024, "height": 768, "logicalDpi": 96}]})");
    file.close();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + QFile::encodeName(config));
    QApplication app(argc, argv);
    LockWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_lock_window.moc"
