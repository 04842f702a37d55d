// The New, Modify and Forgot commands and what OK saves, beyond what
// tests/whole/test_password.py drives: prompts cancelled or left blank, unusable question
// numbers, the dialog's presets for an own question, an open dialog left alone, the file's
// decoded contents, and what every failure in the middle of a save leaves behind.

#include "password/admin_fixture.h"
#include "password/password_save.h"
#include "password/x11/password_commands.h"
#include "platform/file_attributes.h"
#include "platform/x11/ansi_text.h"
#include "shell/menu_commands.h"
#include "store/password_file.h"
#include "support/failing_file_steps.h"

#include <QPushButton>

namespace {

using platform::FileError;

int attributesOf(const ScratchFolder& folder) {
    int attributes = -1;
    platform::fileAttributes().getAttr(folder.file("vtrpwd.sys"), attributes);
    return attributes;
}

bool tempFileLeft(const ScratchFolder& folder) {
    int attributes = 0;
    return platform::fileAttributes().getAttr(folder.file("vtrpwd.tmp"), attributes) !=
           FileError::NotFound;
}

// Writes the named file afresh and gives it `attributes` (7: as the program leaves it).
void put(const ScratchFolder& folder, const char* name, const std::string& contents,
         int attributes = 7) {
    platform::fileAttributes().setAttr(folder.file(name), 0);
    folder.write(name, contents);
    platform::fileAttributes().setAttr(folder.file(name), attributes);
}

// What the user types and what the file must give back (UTF-8).
struct Typed {
    const char *name, *password, *confirm;
    int option;
    const char *other, *answer, *question, *storedAnswer;
};

const Typed kTyped[] = {
    {"spaces only", "   ", " ", 0, "", "golf", "What is your favourite sport?", "golf"},
    {"own question trimmed", "=x=", "=x=", 3, "  Pet name?  ", " Rex ", "Pet name?", "Rex"},
    {"own question of spaces", "pw", "pw", 3, "   ", "Rex", "", "Rex"},
    {"Windows-1252 letters", "\u00e9t\u00e9\u20ac", "\u00e9t\u00e9\u20ac", 0, "", "f\u00fbt",
     "What is your favourite sport?", "f\u00fbt"},
};

// A save (Modify's when `edit`) whose `occurrence`-th call of `step` fails with `error`.
struct Failure {
    const char* name;
    bool edit;
    const char* step;
    FileError error;
    int occurrence;
    bool reported; // with a "Critical Error" box
};

const Failure kFailures[] = {
    {"new: folder missing", false, "mayWrite", FileError::NotFound, 1, false},
    {"new: checking fails", false, "mayWrite", FileError::Other, 1, true},
    // The first refusal is the file's own attributes; the retry after the reset is refused.
    {"new: refused after the reset", false, "mayWrite", FileError::AccessDenied, 2, true},
    {"new: temporary file refused", false, "create", FileError::AccessDenied, 1, true},
    {"edit: create", true, "create", FileError::Other, 1, true},
    {"edit: write", true, "write", FileError::Other, 1, true},
    {"edit: flush", true, "flush", FileError::Other, 1, true},
    {"edit: close", true, "close", FileError::Other, 1, true},
    {"edit: setAttr", true, "setAttr", FileError::Other, 1, true},
    {"edit: rename", true, "rename", FileError::Other, 1, true},
};

void store(const ScratchFolder& folder, const std::string& password, const std::string& question,
           const std::string& answer, int16_t number) {
    folder.write("vtrpwd.sys", *passwordFileContents(password, question + " = " + answer, number));
}

// The one prompt box shown, as "title | prompt".
void checkPrompt(const AdminFixture& fixture, const QString& title, const QString& prompt) {
    QCOMPARE(fixture.forms->inputBoxes.size(), 1);
    const RecordedInputBox& box = fixture.forms->inputBoxes[0];
    QCOMPARE(box.title + " | " + box.prompt, title + " | " + prompt);
}

} // namespace

Q_DECLARE_METATYPE(const Typed*)
Q_DECLARE_METATYPE(const Failure*)

class TestPasswordCommands : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void openDialogIsLeftAsItIs() {
        AdminFixture fixture;
        store(*fixture.folder, "pw", "Q?", "a", 3);
        frmAdmin& form = fixture.show(true);
        form.optRemindQuestion[3]->setChecked(true);
        form.txtOther->setText(QStringLiteral("typed so far"));
        QVERIFY(!prepareNewPassword());
        QVERIFY(!prepareModifyPassword());
        QVERIFY(mdlGlobal::bEditMode);
        QVERIFY(form.optRemindQuestion[3]->isChecked());
        QCOMPARE(form.txtOther->text(), QStringLiteral("typed so far"));
        QVERIFY(fixture.forms->inputBoxes.isEmpty());
    }

    void modify_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("question");
        QTest::addColumn<bool>("opens");
        QTest::addColumn<QString>("box");
        const QString denied =
            AdminFixture::box("Modify Password Denied", 16, "Sorry, your password is incorrect");
        const QString movie = QStringLiteral("What is your favourite movie?");
        QTest::newRow("padded, own question")
            << "  Secret " << 3 << "Street I grew up in?" << true << "0 boxes";
        QTest::newRow("other case") << "secret" << 2 << movie << false << denied;
        QTest::newRow("cancelled") << "" << 2 << movie << false << "0 boxes";
        // No option button for these: the command ends silently.
        QTest::newRow("question 4") << "Secret" << 4 << movie << false << "0 boxes";
    }

    void modify() {
        QFETCH(QString, typed);
        QFETCH(int, number);
        QFETCH(QString, question);
        QFETCH(bool, opens);
        QFETCH(QString, box);
        AdminFixture fixture;
        // The stored password is compared trimmed and preset as stored.
        store(*fixture.folder, " Secret ", question.toStdString(), "  Elm  ", int16_t(number));
        mdlGlobal::bEditMode = false;
        mdlGlobal::bNewMode = true;
        fixture.forms->inputAnswers.enqueue(typed);

        frmAdmin* form = prepareModifyPassword();
        QCOMPARE(form != nullptr, opens);
        QCOMPARE(fixture.dialogLoaded(), opens);
        checkPrompt(fixture, "Modify Password",
                    "You need to provide password to edit!\n\renter your password in the box below "
                    "and click OK button");
        QCOMPARE(fixture.onlyBox(), box);
        QCOMPARE(mdlGlobal::bEditMode, opens);
        QCOMPARE(mdlGlobal::bNewMode, !opens);
        if (!form)
            return;
        QCOMPARE(form->txtNew->text(), QStringLiteral(" Secret "));
        QVERIFY(form->txtConfirm->text().isEmpty());
        for (int i = 0; i < 4; ++i)
            QCOMPARE(form->optRemindQuestion[i]->isChecked(), i == number);
        QCOMPARE(frmAdmin::intRemind, int16_t(number));
        QCOMPARE(form->txtOther->text(), number == 3 ? question : QString());
        QCOMPARE(form->txtOther->isEnabled(), number == 3);
        QCOMPARE(form->txtAnswer->text(), QStringLiteral("Elm"));
    }

    void forgot_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("box");
        const QString denied =
            AdminFixture::box("Answer Denied", 16, "Sorry, your answer is incorrect");
        // The password is shown exactly as stored, its own spaces included.
        const QString reminded = AdminFixture::box(
            "Password Reminder", 64,
            "Password is case sENsiTiVe please enter your password exactly.\n\r\rYour password "
            "is   My Pass ");
        QTest::newRow("padded") << " Rex  " << reminded;
        QTest::newRow("other case") << "rex" << denied;
        QTest::newRow("spaces only") << "  " << QStringLiteral("0 boxes");
    }

    void forgot() {
        QFETCH(QString, typed);
        QFETCH(QString, box);
        AdminFixture fixture;
        store(*fixture.folder, "  My Pass ", "  Pet name?", " Rex", 3);
        fixture.forms->inputAnswers.enqueue(typed);
        mForgot_Click();
        checkPrompt(fixture, "Password Reminder", "Pet name?");
        QCOMPARE(fixture.onlyBox(), box);
        QVERIFY(!fixture.dialogLoaded());
    }

    void newPasswordDecodesAsTyped_data() { addRows(kTyped); }

    void newPasswordDecodesAsTyped() {
        QFETCH(const Typed*, row);
        AdminFixture fixture;
        frmAdmin& form = fixture.show();
        AdminFixture::fill(form, row->password, row->confirm, row->option, row->other, row->answer);
        QTest::mouseClick(form.cmdOK, Qt::LeftButton);

        QCOMPARE(fixture.onlyBox(),
                 AdminFixture::box("Veltrane", 64, "Your password has been created successfully "));
        QVERIFY(readPasswordFile(kPasswordFileName));
        QCOMPARE(platform::fromAnsi(mdlGlobal::strPassword), QString::fromUtf8(row->password));
        QCOMPARE(platform::fromAnsi(mdlGlobal::strQuestion), QString::fromUtf8(row->question));
        QCOMPARE(platform::fromAnsi(mdlGlobal::strAnswer), QString::fromUtf8(row->storedAnswer));
        QCOMPARE(mdlGlobal::intQuestion, int16_t(row->option));
    }

    void failureKeepsTheOldFileAndOkRetries_data() { addRows(kFailures); }

    void failureKeepsTheOldFileAndOkRetries() {
        QFETCH(const Failure*, row);
        AdminFixture fixture;
        // New finds the empty file the menu refresh leaves; Modify a stored password.
        const std::string old = row->edit ? *passwordFileContents("old", "What? = it", 3) : "";
        put(*fixture.folder, "vtrpwd.sys", old);
        FailingFileSteps steps(row->step, row->error, row->occurrence);
        frmAdmin& form = fixture.show(row->edit);
        AdminFixture::fill(form, "new one", "new one ", 3, " Town? ", " Rome ");
        QTest::mouseClick(form.cmdOK, Qt::LeftButton);

        const QString failed = row->edit ? "Unable to edit password please try again later"
                                         : "Unable to create new password please try again later";
        QCOMPARE(fixture.onlyBox(), row->reported ? AdminFixture::box("Critical Error", 16, failed)
                                                  : QStringLiteral("0 boxes"));
        QVERIFY(fixture.dialogLoaded());
        QCOMPARE(AdminFixture::refreshes(), 0);
        QVERIFY(fixture.folder->read("vtrpwd.sys") == old);
        if (row->edit)
            QCOMPARE(attributesOf(*fixture.folder), 7);
        QVERIFY(!tempFileLeft(*fixture.folder));

        // The fields are unchanged, so OK again saves what was typed.
        fixture.forms->boxes.clear();
        QTest::mouseClick(form.cmdOK, Qt::LeftButton);
        QCOMPARE(fixture.onlyBox(),
                 AdminFixture::box("Veltrane", 64,
                                   row->edit ? "Your password detail has been saved successfully "
                                             : "Your password has been created successfully "));
        QCOMPARE(AdminFixture::refreshes(), row->edit ? 0 : 1);
        QVERIFY(!fixture.dialogLoaded());
        QCOMPARE(attributesOf(*fixture.folder), 7);
        QVERIFY(!tempFileLeft(*fixture.folder));
        QVERIFY(readPasswordFile(kPasswordFileName));
        QCOMPARE(mdlGlobal::strPassword, std::string("new one"));
        QCOMPARE(mdlGlobal::strQuestion, std::string("Town?"));
        QCOMPARE(mdlGlobal::strAnswer, std::string("Rome"));
        QCOMPARE(mdlGlobal::intQuestion, int16_t(3));
    }

    void replacingRenamesLastAndKeepsTheErrorKind() {
        AdminFixture fixture;
        put(*fixture.folder, "vtrpwd.sys", "old");
        // A temporary file left by an interrupted run, itself protected, is no obstacle.
        put(*fixture.folder, "vtrpwd.tmp", "stale");
        {
            FailingFileSteps steps;
            QVERIFY(replacePasswordFile("new\r\n") == FileError::None);
            // The rename is the last step: nothing can fail once the old file is gone.
            QCOMPARE(steps.calls.back(), std::string("rename"));
        }
        QCOMPARE(fixture.folder->read("vtrpwd.sys"), std::string("new\r\n"));
        FailingFileSteps failing("create", FileError::AccessDenied);
        QVERIFY(replacePasswordFile("x") == FileError::AccessDenied);
    }
};

QTEST_MAIN(TestPasswordCommands)
#include "test_password_commands.moc"
