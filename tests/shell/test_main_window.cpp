// The hidden main window: its start-up, the icon's callback handler with the tray
// pop-up, the main window's keys, the icon's removal when it unloads, and Quit.

#include "platform/file_attributes.h"
#include "platform/forms.h"
#include "shell/frmMain.h"
#include "shell/frmMenu.h"
#include "shell/menu_commands.h"
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
QStringList unloaded;

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

    Started() {
        main.helpCommand = [] { ++helpRuns; };
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
        QVERIFY(application.endCodes.isEmpty());
        QCOMPARE(desktop.calls.size(), 2);
        QCOMPARE(desktop.calls[0].operation, NIM_DELETE);
        QCOMPARE(desktop.calls[1].operation, NIM_ADD);
        QCOMPARE(desktop.calls[1].data.hWnd.data(), main.picTray);
        QVERIFY(main.keyPreview());
        QVERIFY(main.isHidden());
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

    // Unloading with the icon shown is part of Quit below.
    void unloadRemovesTheIconEvenWhenItIsGone() {
        Started program;
        program.main.objTray().RemoveIcon(program.main.picTray);
        unloadAll();
        QVERIFY(!formSlot<frmMain>().isLoaded());
        QCOMPARE(program.desktop.calls.size(), 4);
        QCOMPARE(program.desktop.calls.last().operation, NIM_DELETE);
    }

    void onlyTheRightButtonReleaseOpensTheMenu_data() {
        QTest::addColumn<uint32_t>("lParam");
        QTest::addColumn<bool>("iconRemoved");
        QTest::addColumn<int>("opens");
        QTest::newRow("move") << WM_MOUSEMOVE << false << 0;
        QTest::newRow("left up") << WM_LBUTTONUP << false << 0;
        QTest::newRow("left double click") << WM_LBUTTONDBLCLK << false << 0;
        QTest::newRow("right down") << WM_RBUTTONDOWN << false << 0;
        QTest::newRow("middle up") << WM_MBUTTONUP << false << 0;
        QTest::newRow("right up") << WM_RBUTTONUP << false << 1;
        QTest::newRow("right up, high word set") << (0x00410000u | WM_RBUTTONUP) << false << 1;
        QTest::newRow("right up, icon removed") << WM_RBUTTONUP << true << 0;
    }
    void onlyTheRightButtonReleaseOpensTheMenu() {
        QFETCH(uint32_t, lParam);
        QFETCH(bool, iconRemoved);
        QFETCH(int, opens);
        Started program;
        if (iconRemoved)
            program.main.objTray().RemoveIcon(program.main.picTray);
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
        const std::string path = folder.file(kPasswordFileName);
        PopupWatch popup;
        fileAttributes().setAttr(path, 0);
        folder.write(kPasswordFileName, *passwordFileContents("pw", "Q? = A", 0));
        desktop.mouse(WM_RBUTTONUP);
        QCOMPARE(popup.passwordStates, (QList<bool>{false, true, true}));

        fileAttributes().setAttr(path, 0);
        QVERIFY(QFile::remove(QString::fromStdString(path)));
        desktop.mouse(WM_RBUTTONUP);
        QCOMPARE(popup.passwordStates, (QList<bool>{true, false, false}));
    }

    void f1OpensHelpWithAnyModifier_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<bool>("onControl");
        QTest::addColumn<int>("runs");
        const int all = Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier;
        QTest::newRow("F1") << int(Qt::Key_F1) << 0 << false << 1;
        QTest::newRow("shift ctrl alt F1") << int(Qt::Key_F1) << all << false << 1;
        QTest::newRow("F1 on a control") << int(Qt::Key_F1) << 0 << true << 1;
        QTest::newRow("F2") << int(Qt::Key_F2) << 0 << false << 0;
        QTest::newRow("Escape on a control") << int(Qt::Key_Escape) << 0 << true << 0;
    }
    void f1OpensHelpWithAnyModifier() {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(bool, onControl);
        QFETCH(int, runs);
        Started program;
        helpRuns = 0;
        QTest::keyClick(onControl ? static_cast<QWidget*>(program.main.lblVersion) : &program.main,
                        Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QCOMPARE(helpRuns, runs);
    }

    void quitUnloadsInOrderRemovesTheIconAndEnds() {
        Started program;
        // frmAdmin is not loaded; a form Quit does not know stays.
        for (const char* name : {"frmUpdate", "frmHelp", "frmAbout", "Form1", "frmOther"}) {
            auto* form = new QWidget;
            form->setObjectName(QLatin1String(name));
            LoadedForms::add(form);
        }
        for (QWidget* form : LoadedForms::all())
            QObject::connect(form, &QObject::destroyed,
                             [name = form->objectName()] { unloaded.append(name); });
        QWidget* other = loadedFormNamed(QStringLiteral("frmOther"));

        QTimer::singleShot(0, [] { mExit_Click(); });
        QCOMPARE(QCoreApplication::exec(), 0);
        QCOMPARE(LoadedForms::all(), QList<QWidget*>{other});
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(unloaded,
                 (QStringList{"Form1", "frmAbout", "frmHelp", "frmMain", "frmMenu", "frmUpdate"}));
        QCOMPARE(program.desktop.calls.last().operation, NIM_DELETE);
        QVERIFY(!program.desktop.present);
        delete other;
    }
};

QTEST_MAIN(TestMainWindow)
#include "test_main_window.moc"
