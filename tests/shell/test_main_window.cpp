// The hidden main window: its start-up, the icon's callback handler with the tray
// pop-up, the main window's keys, and the icon's removal when it unloads.

#include "platform/file_attributes.h"
#include "platform/forms.h"
#include "shell/frmMain.h"
#include "shell/frmMenu.h"
#include "store/password_file.h"
#include "support/fake_application.h"
#include "support/fake_notification_icon.h"
#include "support/scratch_folder.h"

#include <QDir>
#include <QTimer>
#include <QtTest>

using namespace platform;

namespace {

int helpRuns = 0;
void recordHelp() {
    ++helpRuns;
}

void unloadAll() {
    formSlot<frmMain>().unload();
    formSlot<frmMenu>().unload();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// What the tray pop-up showed, seen from inside its own event loop; it closes itself.
struct PopupWatch {
    int shown = 0;
    QPoint position;
    QList<bool> passwordStates;
    QMetaObject::Connection connection;

    PopupWatch() {
        frmMenu& menu = formSlot<frmMenu>().get();
        connection = QObject::connect(menu.mFile, &QMenu::aboutToShow, menu.mFile, [this, &menu] {
            ++shown;
            passwordStates = {menu.mNew->isEnabled(), menu.mModify->isEnabled(),
                              menu.mForgot->isEnabled()};
            QTimer::singleShot(0, menu.mFile, [this, &menu] {
                position = menu.mFile->pos();
                menu.mFile->close();
            });
        });
    }
    ~PopupWatch() { QObject::disconnect(connection); }
};

// The program after its start-up, with the desktop and the process faked.
struct Started {
    ScratchFolder folder;
    FakeApplication application;
    FakeNotificationIcon desktop;
    frmMain& main = formSlot<frmMain>().get();

    explicit Started(void (*help)() = nullptr) {
        if (help)
            main.helpCommand = help;
        main.Form_Load();
    }
};

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { unloadAll(); }

    void startUpReplacesTheIconAndPreparesTheMenu() {
        Started program;
        auto& [folder, application, desktop, main] = program;
        QCOMPARE(application.instanceChecks, 1);
        QVERIFY(application.endCodes.isEmpty());
        QCOMPARE(desktop.calls.size(), 2);
        QCOMPARE(desktop.calls[0].operation, NIM_DELETE);
        QCOMPARE(desktop.calls[1].operation, NIM_ADD);
        QCOMPARE(desktop.calls[1].data.hWnd.data(), main.picTray);
        QCOMPARE(desktop.calls[1].data.tip(), std::string("Veltrane"));
        QVERIFY(main.objTray().bRunningInTray());
        QVERIFY(main.keyPreview());
        QVERIFY(main.isHidden());
        QVERIFY(formSlot<frmMenu>().isLoaded());
        QVERIFY(formSlot<frmMenu>().get().mNew->isEnabled());
        int attributes = 0;
        QCOMPARE(fileAttributes().getAttr(folder.file(kPasswordFileName), attributes),
                 FileError::None);
        QVERIFY(attributes & vbReadOnly);
        QCOMPARE(main.lblVersion->text(), QStringLiteral("Version 1.0.0"));
        QCOMPARE(main.windowTitle(), QStringLiteral("Veltrane"));
    }

    void secondInstanceEndsBeforeTouchingAnything() {
        ScratchFolder folder;
        FakeApplication application;
        application.anotherInstance = true;
        FakeNotificationIcon desktop;
        formSlot<frmMain>().get().Form_Load();
        QCOMPARE(application.endCodes, QList<int>{0});
        QVERIFY(desktop.calls.isEmpty());
        QVERIFY(!formSlot<frmMenu>().isLoaded());
        QVERIFY(
            QDir(folder.path())
                .isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot));
    }

    void unloadRemovesTheIconEvenWhenItIsGone() {
        Started program;
        auto& [folder, application, desktop, main] = program;
        main.objTray().RemoveIcon(main.picTray);
        QVERIFY(!desktop.present);
        formSlot<frmMain>().unload();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!formSlot<frmMain>().isLoaded());
        QCOMPARE(desktop.calls.last().operation, NIM_DELETE);
        QCOMPARE(desktop.calls.size(), 4);
    }

    void unloadRemovesAShownIcon() {
        Started program;
        QVERIFY(program.desktop.present);
        unloadAll();
        QVERIFY(!program.desktop.present);
    }

    void onlyTheRightButtonReleaseOpensTheMenu_data() {
        QTest::addColumn<uint32_t>("lParam");
        QTest::addColumn<int>("opens");
        QTest::newRow("move") << WM_MOUSEMOVE << 0;
        QTest::newRow("left down") << WM_LBUTTONDOWN << 0;
        QTest::newRow("left up") << WM_LBUTTONUP << 0;
        QTest::newRow("left double click") << WM_LBUTTONDBLCLK << 0;
        QTest::newRow("right down") << WM_RBUTTONDOWN << 0;
        QTest::newRow("middle down") << WM_MBUTTONDOWN << 0;
        QTest::newRow("middle up") << WM_MBUTTONUP << 0;
        QTest::newRow("right up") << WM_RBUTTONUP << 1;
        QTest::newRow("right up, high word set") << (0x00410000u | WM_RBUTTONUP) << 1;
    }
    void onlyTheRightButtonReleaseOpensTheMenu() {
        QFETCH(uint32_t, lParam);
        QFETCH(int, opens);
        Started program;
        PopupWatch popup;
        QCursor::setPos(120, 90);
        program.desktop.mouse(lParam);
        QCOMPARE(popup.shown, opens);
        if (opens)
            QCOMPARE(popup.position, QPoint(120, 90));
    }

    void everyPopupRefreshesThePasswordCommands() {
        Started program;
        auto& [folder, application, desktop, main] = program;
        PopupWatch popup;
        desktop.mouse(WM_RBUTTONUP);
        QCOMPARE(popup.passwordStates, (QList<bool>{true, false, false}));

        fileAttributes().setAttr(folder.file(kPasswordFileName), 0);
        folder.write(kPasswordFileName, *passwordFileContents("pw", "Q? = A", 0));
        desktop.mouse(WM_RBUTTONUP);
        QCOMPARE(popup.passwordStates, (QList<bool>{false, true, true}));

        fileAttributes().setAttr(folder.file(kPasswordFileName), 0);
        QVERIFY(QFile::remove(QString::fromStdString(folder.file(kPasswordFileName))));
        desktop.mouse(WM_RBUTTONUP);
        QCOMPARE(popup.passwordStates, (QList<bool>{true, false, false}));
        QCOMPARE(popup.shown, 3);
    }

    void nothingOpensAfterTheIconIsRemoved() {
        Started program;
        program.main.objTray().RemoveIcon(program.main.picTray);
        PopupWatch popup;
        program.desktop.mouse(WM_RBUTTONUP);
        QCOMPARE(popup.shown, 0);
    }

    void f1OpensHelpWithAnyModifier_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<bool>("onControl");
        QTest::addColumn<int>("runs");
        QTest::newRow("F1") << int(Qt::Key_F1) << int(Qt::NoModifier) << false << 1;
        QTest::newRow("shift F1") << int(Qt::Key_F1) << int(Qt::ShiftModifier) << false << 1;
        QTest::newRow("ctrl alt F1")
            << int(Qt::Key_F1) << int(Qt::ControlModifier | Qt::AltModifier) << false << 1;
        QTest::newRow("F1 on a control") << int(Qt::Key_F1) << int(Qt::NoModifier) << true << 1;
        QTest::newRow("F2") << int(Qt::Key_F2) << int(Qt::NoModifier) << false << 0;
        QTest::newRow("Escape on a control") << int(Qt::Key_Escape) << 0 << true << 0;
        QTest::newRow("letter") << int(Qt::Key_H) << int(Qt::NoModifier) << false << 0;
    }
    void f1OpensHelpWithAnyModifier() {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(bool, onControl);
        QFETCH(int, runs);
        Started program(recordHelp);
        frmMain& main = program.main;
        helpRuns = 0;
        QWidget* receiver = onControl ? static_cast<QWidget*>(main.lblVersion) : &main;
        QTest::keyClick(receiver, static_cast<Qt::Key>(key),
                        static_cast<Qt::KeyboardModifiers>(modifiers));
        QCOMPARE(helpRuns, runs);
    }
};

QTEST_MAIN(TestMainWindow)
#include "test_main_window.moc"
