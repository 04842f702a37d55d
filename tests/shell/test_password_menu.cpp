// The tray menu's tree, the refresh of its password commands when the password file
// cannot be used, and the tray record's icon and tip changes. The rest of the shell is
// driven for real by tests/whole/test_shell.py.

#include "platform/file_attributes.h"
#include "platform/program_folder.h"
#include "platform/x11/forms.h"
#include "platform/x11/notification_icon.h"
#include "shell/mdlKeyCode.h"
#include "shell/x11/clsTray.h"
#include "shell/x11/frmMenu.h"
#include "store/password_file.h"
#include "support/scratch_folder.h"

#include <QSystemTrayIcon>
#include <QtTest>

using namespace platform;

namespace {

// The real attributes, recording what is set, with one fault injected.
class FaultyAttributes : public FileAttributes {
public:
    enum Fault { None, EveryFileHidden, ClearingDenied };
    explicit FaultyAttributes(Fault fault) : fault_(fault) { setFileAttributes(this); }
    ~FaultyAttributes() override { setFileAttributes(nullptr); }

    FileError setAttr(const std::string& path, int attributes) override {
        setCalls.append(attributes);
        if (fault_ == ClearingDenied && attributes == vbNormal)
            return FileError::AccessDenied;
        return real_.setAttr(path, attributes);
    }
    FileError getAttr(const std::string& path, int& attributes) override {
        const FileError error = real_.getAttr(path, attributes);
        if (fault_ == EveryFileHidden)
            attributes |= vbHidden; // a directory search never finds the file
        return error;
    }
    QList<int> setCalls;

private:
    Fault fault_;
    PosixFileAttributes real_;
};

frmMenu& menu() {
    return formSlot<frmMenu>().get();
}

// Each entry as "caption", "-" for a separator, "caption>" for a submenu, "(caption)"
// when disabled.
QStringList layout(const QMenu* menu) {
    QStringList entries;
    for (const QAction* action : menu->actions()) {
        QString entry = action->isSeparator() ? QStringLiteral("-") : action->text();
        if (action->menu())
            entry += u'>';
        if (!action->isEnabled())
            entry = u'(' + entry + u')';
        entries.append(entry);
    }
    return entries;
}

} // namespace

class TestPasswordMenu : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void treeCaptionsAndOrder() {
        QCOMPARE(layout(menu().mFile), (QStringList{"(Menu)", "-", "Lock Desktop", "-", "Password>",
                                                    "-", "Help>", "-", "Quit"}));
        QCOMPARE(menu().mFile->title(), QStringLiteral("Action"));
        QCOMPARE(layout(menu().mPassword), (QStringList{"New", "Modify", "Forgot"}));
        QCOMPARE(layout(menu().mHelp), (QStringList{"Contents...", "-", "Check for update...", "-",
                                                    "About Veltrane..."}));
        QCOMPARE(menu().windowTitle(), QStringLiteral("Menu"));
    }

    // The creation loop gives up after a few tries; the menu stays as it was.
    void unusableFileLeavesTheMenu_data() {
        QTest::addColumn<int>("fault");
        QTest::addColumn<bool>("folderMissing");
        QTest::addColumn<QByteArray>("contents");
        QTest::newRow("folder missing") << int(FaultyAttributes::None) << true << QByteArray();
        QTest::newRow("file never visible")
            << int(FaultyAttributes::EveryFileHidden) << false << QByteArray();
        QTest::newRow("attributes locked")
            << int(FaultyAttributes::ClearingDenied) << false
            << QByteArray::fromStdString(*passwordFileContents("secret", "Pet? = Rex", 1));
    }
    void unusableFileLeavesTheMenu() {
        QFETCH(int, fault);
        QFETCH(bool, folderMissing);
        QFETCH(QByteArray, contents);
        ScratchFolder folder;
        folder.write(kPasswordFileName, contents.toStdString());
        if (folderMissing) // as root no permission stops a write
            setProgramFolder(folder.file("missing-folder"));
        FaultyAttributes attributes{FaultyAttributes::Fault(fault)};
        const QList<QAction*> commands{menu().mNew, menu().mModify, menu().mForgot};
        for (QAction* command : commands)
            command->setEnabled(false); // any reading enables something
        refreshPasswordMenu();
        for (QAction* command : commands)
            QVERIFY(!command->isEnabled());
        QCOMPARE(attributes.setCalls, (QList<int>{vbNormal, 7}));
        QCOMPARE(QByteArray::fromStdString(folder.read(kPasswordFileName)), contents);
    }

    // Nothing calls these yet; they keep the icon's other fields as they are.
    void trayChangesIconAndToolTip() {
        QWidget target;
        clsTray tray;
        tray.ShowIcon(&target);
        auto* icon =
            dynamic_cast<QObject&>(platform::notificationIcon()).findChild<QSystemTrayIcon*>();
        QVERIFY(icon && icon->isVisible());
        tray.ChangeToolTip(&target, QString(70, u'a'));
        QCOMPARE(icon->toolTip(), QString(63, u'a'));
        const QIcon other(QPixmap(16, 16));
        tray.ChangeIcon(&target, other);
        QCOMPARE(icon->icon().cacheKey(), other.cacheKey());
        QCOMPARE(icon->toolTip(), QString(63, u'a'));
        tray.RemoveIcon(&target);
        QVERIFY(!icon->isVisible());
    }
};

QTEST_MAIN(TestPasswordMenu)
#include "test_password_menu.moc"
