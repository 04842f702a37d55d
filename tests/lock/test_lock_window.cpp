// The lock window driven for real: the check on key down and on clicks, what does not
// unlock, refused closes, the snapshot taken before the show, the grabs and stay in front.

#include "lock/Form1.h"
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
#include <QStyle>
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

} // namespace

class LockWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<ScratchFolder> folder;
    std::unique_ptr<FakeFormsServices> forms;
    std::unique_ptr<FakeScreenCapture> capture;
    std::unique_ptr<FakeWindowOrder> order;

    void storePassword(const std::string& password) {
        folder->write(kPasswordFileName, *passwordFileContents(password, "Pet? = rex", 1));
    }

    // Stores the password and chooses "Lock Desktop"; the lock window it opened.
    Form1* lockWith(const std::string& password) {
        storePassword(password);
        mnuShowMe_Click();
        Form1* form = lockWindow();
        if (form)
            (void)QTest::qWaitForWindowExposed(form);
        return form;
    }

    static QPoint centreOf(QWidget* widget, Form1* form) {
        return widget->mapTo(form, widget->rect().center());
    }

private Q_SLOTS:
    void init() {
        folder = std::make_unique<ScratchFolder>();
        forms = std::make_unique<FakeFormsServices>();
        capture = std::make_unique<FakeScreenCapture>();
        order = std::make_unique<FakeWindowOrder>();
    }

    void cleanup() {
        platform::formSlot<Form1>().unload();
        settle();
        order.reset();
        capture.reset();
        forms.reset();
        folder.reset();
    }

    void keyDownChecksBeforeTheCharacterLands() {
        Form1* form = lockWith("abc");
        QVERIFY(form);
        QVERIFY(form->Text1->hasFocus());
        QTest::keyClicks(form->Text1, QStringLiteral("abc"));
        QVERIFY2(lockWindow(), "the text was short of the password at every key down");
        QCOMPARE(form->Text1->text(), QStringLiteral("abc"));
        QTest::keyClick(form->Text1, Qt::Key_D); // the check sees "abc" as "d" goes down
        QVERIFY(!lockWindow());
        QVERIFY(order->calls.contains(QStringLiteral("releaseGrabs Form1")));
        QVERIFY(order->watched.isEmpty());
    }

    void wrongTextStaysLockedAndKeepsIt() {
        Form1* form = lockWith("abc");
        QTest::keyClicks(form->Text1, QStringLiteral("abx"));
        QTest::keyClick(form->Text1, Qt::Key_Return);
        QCOMPARE(lockWindow(), form);
        QCOMPARE(form->Text1->text(), QStringLiteral("abx"));
        QVERIFY(form->isVisible());
        // Mending the text unlocks at the next key.
        QTest::keyClick(form->Text1, Qt::Key_Backspace);
        QTest::keyClick(form->Text1, Qt::Key_C);
        QVERIFY(lockWindow());
        QTest::keyClick(form->Text1, Qt::Key_Return);
        QVERIFY(!lockWindow());
    }

    void onlyTheExactTextUnlocks_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("unlocks");
        QTest::newRow("exact") << "Abc"
                               << "Abc" << true;
        QTest::newRow("lower case") << "Abc"
                                    << "abc" << false;
        QTest::newRow("upper case") << "Abc"
                                    << "ABC" << false;
        QTest::newRow("blank before") << "Abc"
                                      << " Abc" << false;
        QTest::newRow("blank after") << "Abc"
                                     << "Abc " << false;
        QTest::newRow("prefix") << "Abc"
                                << "Ab" << false;
        QTest::newRow("empty") << "Abc"
                               << "" << false;
        QTest::newRow("stored blanks, trimmed") << " pw "
                                                << "pw" << false;
        QTest::newRow("stored blanks, kept") << " pw "
                                             << " pw " << true;
    }
    void onlyTheExactTextUnlocks() {
        QFETCH(QString, stored);
        QFETCH(QString, typed);
        QFETCH(bool, unlocks);
        Form1* form = lockWith(stored.toStdString());
        form->Text1->setText(typed);
        QTest::keyClick(form->Text1, Qt::Key_Return);
        QCOMPARE(!lockWindow(), unlocks);
    }

    void textWithoutAnsiCodesNeverMatches() {
        // "?" stands for any character without a code; it must not match one.
        Form1* form = lockWith("?");
        form->Text1->setText(QString(QChar(0x4e2d)));
        QTest::keyClick(form->Text1, Qt::Key_Return);
        QVERIFY(lockWindow());
    }

    void clicksThatCheck_data() {
        QTest::addColumn<QString>("where");
        QTest::addColumn<bool>("checks");
        QTest::newRow("snapshot") << "Image1" << true;
        QTest::newRow("banner") << "Label1" << true;
        QTest::newRow("corner of the form") << "corner" << true;
        QTest::newRow("panel") << "Picture2" << false;
        QTest::newRow("password box") << "Text1" << false;
    }
    void clicksThatCheck() {
        QFETCH(QString, where);
        QFETCH(bool, checks);
        Form1* form = lockWith("pw");
        form->Text1->setText(QStringLiteral("pw")); // typed, no key since
        QPoint at(5, form->height() - 5);
        if (where == QLatin1String("Image1"))
            at = QPoint(40, 40);
        else if (where == QLatin1String("Label1"))
            at = centreOf(form->Label1, form);
        else if (where == QLatin1String("Picture2"))
            at = form->Picture2->mapTo(form, QPoint(5, 80));
        else if (where == QLatin1String("Text1"))
            at = centreOf(form->Text1, form);
        if (where == QLatin1String("Label1"))
            form->Label1->move(100, form->Label1->y()); // fully on screen, clear of the panel
        QWidget* target = form->childAt(at) ? form->childAt(at) : form;
        QTest::mouseClick(target, Qt::LeftButton, {}, target->mapFrom(form, at));
        QCOMPARE(!lockWindow(), checks);
    }

    void emptyPasswordUnlocksAtTheFirstKey() {
        Form1* form = lockWith("");
        QTest::keyClick(form->Text1, Qt::Key_X);
        QVERIFY(!lockWindow());
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
        settle();
        QCOMPARE(lockWindow(), form);
        QVERIFY(form->isVisible());
        QVERIFY(order->count(QStringLiteral("releaseGrabs")) == 0);
    }

    void unloadingEndsTheLock() {
        // Quit unloads every form; the grabs and the watching must go with it.
        Form1* form = lockWith("pw");
        platform::unloadForm(form);
        QVERIFY(order->calls.contains(QStringLiteral("releaseGrabs Form1")));
        QVERIFY(order->watched.isEmpty());
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
            folder->write(kPasswordFileName, "");
        mnuShowMe_Click();
        QCOMPARE(forms->boxes.size(), 1);
        QCOMPARE(forms->boxes[0].text,
                 QStringLiteral(
                     "You need to create a password before you can run the Veltrane application"));
        QCOMPARE(forms->boxes[0].style, 16);
        QCOMPARE(forms->boxes[0].title, QStringLiteral("Password Required"));
        QVERIFY(!lockWindow());
        QCOMPARE(capture->grabs, 0);
        QVERIFY(order->calls.isEmpty());
    }

    void locksWithThePasswordStoredNow() {
        mdlGlobal::strPassword = "stale";
        Form1* form = lockWith("fresh");
        QCOMPARE(mdlGlobal::strLockPassword, std::string("fresh"));
        form->Text1->setText(QStringLiteral("stale"));
        QTest::keyClick(form->Text1, Qt::Key_Return);
        QVERIFY(lockWindow());
        form->Text1->setText(QStringLiteral("fresh"));
        QTest::keyClick(form->Text1, Qt::Key_Return);
        QVERIFY(!lockWindow());
        QVERIFY(forms->boxes.isEmpty());
    }

    void snapshotIsTakenBeforeTheShow() {
        int pendingMessagesRun = -1;
        bool lockShown = true;
        int orderCalls = -1;
        capture->onGrab = [&] {
            pendingMessagesRun = forms->doEventsCalls;
            lockShown = false;
            for (QWidget* w : QApplication::topLevelWidgets())
                lockShown =
                    lockShown || (w->objectName() == QLatin1String("Form1") && w->isVisible());
            orderCalls = static_cast<int>(order->calls.size());
        };
        capture->desktop.picture.fill(QColor(10, 200, 30));
        Form1* form = lockWith("pw");
        QCOMPARE(capture->grabs, 1);
        QCOMPARE(pendingMessagesRun, 1);
        QVERIFY(!lockShown);
        QCOMPARE(orderCalls, 0); // no raising or grabbing before the copy
        const QImage shown = form->Image1->pixmap().toImage();
        QCOMPARE(shown.size(), QSize(1024, 768));
        QCOMPARE(shown.pixelColor(500, 700), QColor(10, 200, 30));
        QCOMPARE(form->Image1->pos(), QPoint(0, 0));
        QVERIFY(form->Image1->testAttribute(Qt::WA_TransparentForMouseEvents));
    }

    void snapshotPartOutsideThePictureIsWhite() {
        platform::DesktopSnapshot snap;
        snap.picture = QImage(100, 50, QImage::Format_RGB32);
        snap.picture.fill(Qt::black);
        snap.origin = QPoint(-100, 0);
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
        QVERIFY(form->windowFlags() & Qt::X11BypassWindowManagerHint);
        QVERIFY(form->windowFlags() & Qt::FramelessWindowHint);
        QVERIFY(form->windowFlags() & Qt::WindowStaysOnTopHint);
        QCOMPARE(form->panelLeft(), 5557.5);
        QCOMPARE(form->Picture2->geometry(), QRect(370, 340, 283, 88)); // 370.5 to even
        QCOMPARE(form->Text1->parentWidget(), form->Picture2);
        QCOMPARE(form->Text1->geometry(), QRect(13, 29, 257, 19));
        QCOMPARE(form->Text1->maxLength(), 255);
        QCOMPARE(form->Text1->echoMode(), QLineEdit::Password);
        QCOMPARE(form->Text1->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr,
                                                 form->Text1),
                 int('*'));
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

    void maskShowsOneStarPerCharacter() {
        Form1* form = lockWith("pw");
        QTest::keyClicks(form->Text1, QStringLiteral("xyz"));
        QCOMPARE(form->Text1->displayText(), QStringLiteral("***"));
        form->Text1->setText(QString(300, QLatin1Char('k')));
        QCOMPARE(form->Text1->text().size(), 255);
    }

    void bannerStepsAndSwitches() {
        Form1* form = lockWith("pw");
        form->Timer1_Timer();
        QCOMPARE(form->bannerLeft(), 15210.0);
        QCOMPARE(form->Label1->x(), 1014);
        QCOMPARE(form->Label1->y(), 367);
        for (int i = 1; i < 63; ++i)
            form->Timer1_Timer();
        QCOMPARE(form->Label1->text(), QStringLiteral("Enter password to unlock."));
    }

    void grabsAreRetriedUntilHeld() {
        order->keyboardRefusals = 3;
        order->pointerRefusals = 1;
        Form1* form = lockWith("pw");
        QVERIFY(order->calls.contains(QStringLiteral("watch Form1")));
        QTRY_VERIFY_WITH_TIMEOUT(form->holdsGrabs(), 1000);
        QCOMPARE(order->count(QStringLiteral("grabKeyboard")), 4);
        QCOMPARE(order->count(QStringLiteral("grabPointer")), 2);
        QCOMPARE(order->calls.indexOf(QStringLiteral("watch Form1")) <
                     order->calls.indexOf(QStringLiteral("grabKeyboard Form1")),
                 true);
    }

    void stayInFrontRaisesWhenCovered() {
        Form1* form = lockWith("pw");
        order->onTop = true;
        form->Timer2_Timer();
        QCOMPARE(order->count(QStringLiteral("raise")), 0);
        order->onTop = false;
        form->Timer2_Timer();
        QVERIFY(order->calls.contains(QStringLiteral("raise Form1")));
        // A grab lost in between is found at the fifth tick at the latest and taken back.
        order->keyboardRefusals = 1;
        const int grabsBefore = order->count(QStringLiteral("grabKeyboard"));
        for (int i = 0; i < 5; ++i)
            form->Timer2_Timer();
        QCOMPARE(order->count(QStringLiteral("grabKeyboard")), grabsBefore + 1);
        QVERIFY(!form->holdsGrabs());
        QTRY_VERIFY_WITH_TIMEOUT(form->holdsGrabs(), 1000);
    }

    void destroyedWindowIsRenewed() {
        // Another program may destroy the lock window; X drops its grabs with it.
        Form1* form = lockWith("pw");
        QTRY_VERIFY_WITH_TIMEOUT(form->holdsGrabs(), 1000);
        const int watches = order->count(QStringLiteral("watch"));
        const int keyboardGrabs = order->count(QStringLiteral("grabKeyboard"));
        order->loseWindow(form, platform::WindowOrder::Loss::Destroyed);
        QCOMPARE(lockWindow(), form);
        QVERIFY(form->isVisible());
        QVERIFY(form->Timer1->isActive());
        QVERIFY(form->Timer2->isActive());
        QCOMPARE(order->count(QStringLiteral("releaseGrabs")), 0);
        QCOMPARE(order->count(QStringLiteral("watch")), watches + 1);
        QVERIFY(order->watched.contains(form));
        QCOMPARE(order->count(QStringLiteral("grabKeyboard")), keyboardGrabs + 1);
        QVERIFY(form->holdsGrabs());
        form->Text1->setText(QStringLiteral("pw"));
        QTest::keyClick(form->Text1, Qt::Key_Return);
        QVERIFY(!lockWindow());
    }

    void grabsAreTakenBackAfterAnUnmap() {
        Form1* form = lockWith("pw");
        QTRY_VERIFY_WITH_TIMEOUT(form->holdsGrabs(), 1000);
        const int keyboardGrabs = order->count(QStringLiteral("grabKeyboard"));
        const int pointerGrabs = order->count(QStringLiteral("grabPointer"));
        order->keyboardRefusals = 2; // not viewable yet for a moment
        order->loseWindow(form, platform::WindowOrder::Loss::Unmapped);
        QVERIFY(!form->holdsGrabs());
        QTRY_VERIFY_WITH_TIMEOUT(form->holdsGrabs(), 1000);
        QCOMPARE(order->count(QStringLiteral("grabKeyboard")), keyboardGrabs + 3);
        QCOMPARE(order->count(QStringLiteral("grabPointer")), pointerGrabs + 1);
        QCOMPARE(order->count(QStringLiteral("releaseGrabs")), 0);
        QVERIFY(order->watched.contains(form));
    }

    void lockingManyTimesLeavesNothingBehind() {
        settle();
        const qsizetype windowsBefore = QApplication::topLevelWidgets().size();
        for (int i = 0; i < 20; ++i) {
            Form1* form = lockWith("pw");
            QVERIFY(form);
            form->Text1->setText(QStringLiteral("pw"));
            QTest::keyClick(form->Text1, Qt::Key_Return);
            QVERIFY(!lockWindow());
            settle();
        }
        QCOMPARE(QApplication::topLevelWidgets().size(), windowsBefore);
        QCOMPARE(capture->grabs, 20);
        QCOMPARE(order->count(QStringLiteral("releaseGrabs")), 20);
        QVERIFY(order->watched.isEmpty());
    }

    void noTimersAfterUnlock() {
        Form1* form = lockWith("pw");
        QPointer<QTimer> stay = form->Timer2;
        form->Text1->setText(QStringLiteral("pw"));
        form->Form_Click();
        settle();
        QVERIFY(stay.isNull());
        QVERIFY(!lockWindow());
    }
};

QTEST_MAIN(LockWindowTest)
#include "test_lock_window.moc"
