// The tray menu's tree, and the refresh of its password commands from the password file.

#include "platform/file_attributes.h"
#include "platform/forms.h"
#include "platform/program_folder.h"
#include "shell/frmMenu.h"
#include "shell/mdlKeyCode.h"
#include "store/password_file.h"
#include "support/scratch_folder.h"

#include <QtTest>
#include <sys/xattr.h>

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

QList<bool> passwordStates() {
    return {menu().mNew->isEnabled(), menu().mModify->isEnabled(), menu().mForgot->isEnabled()};
}

void setPasswordStates(bool newOn, bool modifyOn, bool forgotOn) {
    menu().mNew->setEnabled(newOn);
    menu().mModify->setEnabled(modifyOn);
    menu().mForgot->setEnabled(forgotOn);
}

bool keepsExtendedAttributes(const ScratchFolder& folder) {
    folder.write("probe", "");
    const std::string file = folder.file("probe");
    return setxattr(file.c_str(), "user.probe", "1", 1, 0) == 0 &&
           removexattr(file.c_str(), "user.probe") == 0;
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

std::string validFile() {
    return *passwordFileContents("secret", "Pet? = Rex", 1);
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

    void statesFollowTheFile_data() {
        QTest::addColumn<bool>("present");
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<bool>("stored");
        QTest::newRow("missing") << false << QByteArray() << false;
        QTest::newRow("empty") << true << QByteArray() << false;
        QTest::newRow("valid") << true << QByteArray::fromStdString(validFile()) << true;
    }
    void statesFollowTheFile() {
        QFETCH(bool, present);
        QFETCH(QByteArray, contents);
        QFETCH(bool, stored);
        ScratchFolder folder;
        const std::string path = folder.file(kPasswordFileName);
        if (present) {
            folder.write(kPasswordFileName, contents.toStdString());
            // Between uses the file is read-only, hidden and system.
            QCOMPARE(fileAttributes().setAttr(path, 7), FileError::None);
        }
        setPasswordStates(stored, !stored, !stored); // the opposite of what must come
        refreshPasswordMenu();
        QCOMPARE(passwordStates(), (QList<bool>{!stored, stored, stored}));
        QCOMPARE(QByteArray::fromStdString(folder.read(kPasswordFileName)), contents);
        int attributes = 0;
        QCOMPARE(fileAttributes().getAttr(path, attributes), FileError::None);
        QCOMPARE(attributes, keepsExtendedAttributes(folder) ? 7 : 1);
    }

    // The creation loop gives up after a few tries; the menu stays as it was.
    void unusableFileLeavesTheMenu_data() {
        QTest::addColumn<int>("fault");
        QTest::addColumn<bool>("folderMissing");
        QTest::addColumn<QByteArray>("contents");
        QTest::newRow("folder missing") << int(FaultyAttributes::None) << true << QByteArray();
        QTest::newRow("file never visible")
            << int(FaultyAttributes::EveryFileHidden) << false << QByteArray();
        QTest::newRow("attributes locked") << int(FaultyAttributes::ClearingDenied) << false
                                           << QByteArray::fromStdString(validFile());
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
        setPasswordStates(false, false, false); // any reading enables something
        refreshPasswordMenu();
        QCOMPARE(passwordStates(), (QList<bool>{false, false, false}));
        QCOMPARE(attributes.setCalls, (QList<int>{vbNormal, 7}));
        QCOMPARE(QByteArray::fromStdString(folder.read(kPasswordFileName)), contents);
    }
};

QTEST_MAIN(TestPasswordMenu)
#include "test_password_menu.moc"
