// What OK writes: the file's decoded contents, its attributes, the messages, the reset
// and retry on a refused file, and what every failure leaves behind.

#include "password/admin_fixture.h"
#include "platform/ansi_text.h"
#include "platform/file_attributes.h"
#include "shell/frmMenu.h"
#include "shell/mdlKeyCode.h"
#include "store/mdlGlobal.h"
#include "store/password_file.h"
#include "support/failing_file_steps.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <algorithm>

namespace {

using platform::FileError;

const QString kCreated = QStringLiteral("Your password has been created successfully ");
const QString kSaved = QStringLiteral("Your password detail has been saved successfully ");
const QString kCreateFailed =
    QStringLiteral("Unable to create new password please try again later");
const QString kEditFailed = QStringLiteral("Unable to edit password please try again later");

void setMode(bool edit) {
    mdlGlobal::bEditMode = edit;
    mdlGlobal::bNewMode = !edit;
}

void fill(frmAdmin& form, const QString& password, const QString& confirm, int option,
          const QString& other, const QString& answer) {
    form.optRemindQuestion[option]->setChecked(true);
    form.txtNew->setText(password);
    form.txtConfirm->setText(confirm);
    form.txtOther->setText(other);
    form.txtAnswer->setText(answer);
}

int attributesOf(const ScratchFolder& folder, const std::string& name) {
    int attributes = -1;
    platform::fileAttributes().getAttr(folder.file(name), attributes);
    return attributes;
}

bool exists(const ScratchFolder& folder, const std::string& name) {
    int attributes = 0;
    return platform::fileAttributes().getAttr(folder.file(name), attributes) == FileError::None;
}

// A stored password file as the dialog leaves it: attributes 7.
void storeProtected(const ScratchFolder& folder, const std::string& contents) {
    folder.write("vtrpwd.sys", contents);
    platform::fileAttributes().setAttr(folder.file("vtrpwd.sys"), 7);
}

// What the user types and what the file must give back.
struct Typed {
    const char* name;
    const char* password; // UTF-8
    const char* confirm;
    int option;
    const char* other;
    const char* answer;
    const char* question;
    const char* storedAnswer;
};

} // namespace

Q_DECLARE_METATYPE(Typed)

class TestAdminSaves : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void newPasswordDecodesAsTyped_data();
    void newPasswordDecodesAsTyped();
    void newOverProtectedFileRetriesOnce();
    void newPasswordRefreshesTheTrayMenu();
    void newRefusedTwiceReports();
    void newFailures_data();
    void newFailures();
    void noSaveForOtherFlagCombinations();
    void editReplacesTheFile();
    void editFailureAtEachStepKeepsTheOldFile_data();
    void editFailureAtEachStepKeepsTheOldFile();
};

void TestAdminSaves::newPasswordDecodesAsTyped_data() {
    QTest::addColumn<Typed>("typed");
    const Typed rows[] = {
        // name, password, confirmation, option, own question, answer, stored question
        // and answer
        {"fixed question", "Tr0ub4dor", "Tr0ub4dor", 1, "", " blue ",
         "What is your favourite colour?", "blue"},
        {"spaces only", "   ", " ", 0, "", "golf", "What is your favourite sport?", "golf"},
        {"trailing space kept", "pass ", "pass", 2, "", "Alien", "What is your favourite movie?",
         "Alien"},
        {"own question trimmed", "=x=", "=x=", 3, "  Pet name?  ", " Rex ", "Pet name?", "Rex"},
        {"own question of spaces", "pw", "pw", 3, "   ", "Rex", "", "Rex"},
        {"Windows-1252 letters", "\u00e9t\u00e9\u20ac", "\u00e9t\u00e9\u20ac", 0, "", "f\u00fbt",
         "What is your favourite sport?", "f\u00fbt"},
    };
    for (const Typed& row : rows)
        QTest::newRow(row.name) << row;
}

void TestAdminSaves::newPasswordDecodesAsTyped() {
    QFETCH(Typed, typed);
    const QString password = QString::fromUtf8(typed.password);
    AdminFixture fixture;
    setMode(false);
    frmAdmin& form = fixture.show();
    fill(form, password, QString::fromUtf8(typed.confirm), typed.option,
         QString::fromUtf8(typed.other), QString::fromUtf8(typed.answer));
    QTest::mouseClick(form.cmdOK, Qt::LeftButton);

    QCOMPARE(fixture.onlyBox(), AdminFixture::box(QStringLiteral("Veltrane"), 64, kCreated));
    QCOMPARE(AdminFixture::refreshes(), 1);
    QVERIFY(!fixture.dialogLoaded());
    QCOMPARE(attributesOf(*fixture.folder, "vtrpwd.sys"), 7);
    QVERIFY(!exists(*fixture.folder, "vtrpwd.tmp"));

    QVERIFY(readPasswordFile(kPasswordFileName));
    QCOMPARE(platform::fromAnsi(mdlGlobal::strPassword), password);
    QCOMPARE(platform::fromAnsi(mdlGlobal::strQuestion), QString::fromUtf8(typed.question));
    QCOMPARE(platform::fromAnsi(mdlGlobal::strAnswer), QString::fromUtf8(typed.storedAnswer));
    QCOMPARE(mdlGlobal::intQuestion, int16_t(typed.option));
    const std::string bytes = fixture.folder->read("vtrpwd.sys");
    QVERIFY(bytes.size() > 5);
    QCOMPARE(bytes.substr(bytes.size() - 5), " " + std::to_string(typed.option) + " \r\n");
}

void TestAdminSaves::newOverProtectedFileRetriesOnce() {
    AdminFixture fixture;
    // The empty file the menu refresh leaves, read-only, hidden and system.
    storeProtected(*fixture.folder, "");
    FailingFileSteps steps;
    setMode(false);
    frmAdmin& form = fixture.show();
    fill(form, "pw", "pw", 0, "", "golf");
    QTest::mouseClick(form.cmdOK, Qt::LeftButton);

    QCOMPARE(std::count(steps.calls.begin(), steps.calls.end(), "mayWrite"), 2);
    QCOMPARE(fixture.onlyBox(), AdminFixture::box("Veltrane", 64, kCreated));
    QCOMPARE(attributesOf(*fixture.folder, "vtrpwd.sys"), 7);
    QVERIFY(readPasswordFile(kPasswordFileName));
    QCOMPARE(mdlGlobal::strPassword, std::string("pw"));
}

void TestAdminSaves::newPasswordRefreshesTheTrayMenu() {
    AdminFixture fixture;
    frmAdmin::menuRefresh = fixture.realMenuRefresh;
    refreshPasswordMenu(); // as at start-up: an empty, protected file, only New enabled
    frmMenu& menu = platform::formSlot<frmMenu>().get();
    QVERIFY(menu.mNew->isEnabled());
    QVERIFY(!menu.mModify->isEnabled());
    setMode(false);
    frmAdmin& form = fixture.show();
    fill(form, "pw", "pw", 0, "", "golf");
    QTest::mouseClick(form.cmdOK, Qt::LeftButton);
    QVERIFY(!menu.mNew->isEnabled());
    QVERIFY(menu.mModify->isEnabled());
    QVERIFY(menu.mForgot->isEnabled());
    QCOMPARE(attributesOf(*fixture.folder, "vtrpwd.sys"), 7);
    platform::formSlot<frmMenu>().unload();
}

void TestAdminSaves::newRefusedTwiceReports() {
    AdminFixture fixture;
    storeProtected(*fixture.folder, "");
    // The first refusal is the file's own attributes; the retry is refused as well.
    FailingFileSteps steps("mayWrite", FileError::AccessDenied, 2);
    setMode(false);
    frmAdmin& form = fixture.show();
    fill(form, "pw", "pw", 0, "", "golf");
    QTest::mouseClick(form.cmdOK, Qt::LeftButton);

    QCOMPARE(std::count(steps.calls.begin(), steps.calls.end(), "mayWrite"), 2);
    QCOMPARE(fixture.onlyBox(),
             AdminFixture::box(QStringLiteral("Critical Error"), 16, kCreateFailed));
    QCOMPARE(AdminFixture::refreshes(), 0);
    QVERIFY(fixture.dialogLoaded());
    QCOMPARE(form.txtNew->text(), QStringLiteral("pw"));
    QVERIFY(fixture.folder->read("vtrpwd.sys").empty());
}

void TestAdminSaves::newFailures_data() {
    QTest::addColumn<QString>("step");
    QTest::addColumn<int>("error");
    QTest::addColumn<bool>("reported");
    QTest::newRow("folder missing") << "mayWrite" << int(FileError::NotFound) << false;
    QTest::newRow("checking fails") << "mayWrite" << int(FileError::Other) << true;
    QTest::newRow("temporary file refused") << "create" << int(FileError::AccessDenied) << true;
    QTest::newRow("write fails") << "write" << int(FileError::Other) << true;
    QTest::newRow("flush fails") << "flush" << int(FileError::Other) << true;
    QTest::newRow("rename fails") << "rename" << int(FileError::Other) << true;
}

void TestAdminSaves::newFailures() {
    QFETCH(QString, step);
    QFETCH(int, error);
    QFETCH(bool, reported);
    AdminFixture fixture;
    FailingFileSteps steps(step.toStdString(), FileError(error));
    setMode(false);
    frmAdmin& form = fixture.show();
    fill(form, "pw", "pw", 0, "", "golf");
    QTest::mouseClick(form.cmdOK, Qt::LeftButton);

    if (reported) {
        QCOMPARE(fixture.onlyBox(),
                 AdminFixture::box(QStringLiteral("Critical Error"), 16, kCreateFailed));
    } else {
        QVERIFY(fixture.forms->boxes.isEmpty());
    }
    QCOMPARE(AdminFixture::refreshes(), 0);
    QVERIFY(fixture.dialogLoaded());
    QVERIFY(!exists(*fixture.folder, "vtrpwd.sys"));
    QVERIFY(!exists(*fixture.folder, "vtrpwd.tmp"));
}

void TestAdminSaves::noSaveForOtherFlagCombinations() {
    for (const bool both : {true, false}) {
        AdminFixture fixture;
        mdlGlobal::bEditMode = both;
        mdlGlobal::bNewMode = both;
        frmAdmin& form = fixture.show();
        fill(form, "pw", "pw", 0, "", "golf");
        QTest::mouseClick(form.cmdOK, Qt::LeftButton);
        QVERIFY(fixture.forms->boxes.isEmpty());
        QVERIFY(fixture.dialogLoaded());
        QVERIFY(!exists(*fixture.folder, "vtrpwd.sys"));
    }
}

void TestAdminSaves::editReplacesTheFile() {
    AdminFixture fixture;
    storeProtected(*fixture.folder, *passwordFileContents("old", "What? = it", 3));
    setMode(true);
    frmAdmin& form = fixture.show();
    fill(form, "new one", "new one ", 3, " Town? ", " Rome ");
    QTest::mouseClick(form.cmdOK, Qt::LeftButton);

    QCOMPARE(fixture.onlyBox(), AdminFixture::box(QStringLiteral("Veltrane"), 64, kSaved));
    QCOMPARE(AdminFixture::refreshes(), 0);
    QVERIFY(!fixture.dialogLoaded());
    QCOMPARE(attributesOf(*fixture.folder, "vtrpwd.sys"), 7);
    QVERIFY(!exists(*fixture.folder, "vtrpwd.tmp"));
    QVERIFY(readPasswordFile(kPasswordFileName));
    QCOMPARE(mdlGlobal::strPassword, std::string("new one"));
    QCOMPARE(mdlGlobal::strQuestion, std::string("Town?"));
    QCOMPARE(mdlGlobal::strAnswer, std::string("Rome"));
    QCOMPARE(mdlGlobal::intQuestion, int16_t(3));
}

void TestAdminSaves::editFailureAtEachStepKeepsTheOldFile_data() {
    QTest::addColumn<QString>("step");
    for (const char* step : {"create", "write", "flush", "close", "setAttr", "rename"})
        QTest::newRow(step) << step;
}

void TestAdminSaves::editFailureAtEachStepKeepsTheOldFile() {
    QFETCH(QString, step);
    AdminFixture fixture;
    const std::string old = *passwordFileContents("old", "What? = it", 3);
    storeProtected(*fixture.folder, old);
    setMode(true);
    frmAdmin& form = fixture.show();
    fill(form, "new", "new", 1, "", "red");
    {
        FailingFileSteps steps(step.toStdString(), FileError::Other);
        QTest::mouseClick(form.cmdOK, Qt::LeftButton);
    }
    QCOMPARE(fixture.onlyBox(),
             AdminFixture::box(QStringLiteral("Critical Error"), 16, kEditFailed));
    QVERIFY(fixture.dialogLoaded());
    QVERIFY(fixture.folder->read("vtrpwd.sys") == old);
    QCOMPARE(attributesOf(*fixture.folder, "vtrpwd.sys"), 7);
    QVERIFY(!exists(*fixture.folder, "vtrpwd.tmp"));

    // The fields are unchanged, so OK again saves what was typed.
    QTest::mouseClick(form.cmdOK, Qt::LeftButton);
    QCOMPARE(fixture.forms->boxes.size(), 2);
    QCOMPARE(fixture.forms->boxes[1].text, kSaved);
    QVERIFY(readPasswordFile(kPasswordFileName));
    QCOMPARE(mdlGlobal::strPassword, std::string("new"));
    QCOMPARE(mdlGlobal::strQuestion, std::string("What is your favourite colour?"));
    QCOMPARE(mdlGlobal::strAnswer, std::string("red"));
}

QTEST_MAIN(TestAdminSaves)
#include "test_admin_saves.moc"
