// The New, Modify and Forgot commands beyond what tests/whole/test_password.py drives:
// prompts cancelled or left blank, unusable question numbers, the dialog's presets for
// an own question, and an open dialog left alone.

#include "password/admin_fixture.h"
#include "password/password_commands.h"
#include "shell/menu_commands.h"
#include "store/password_file.h"

namespace {

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

class TestPasswordCommands : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void openDialogIsLeftAsItIs();
    void modify_data();
    void modify();
    void forgot_data();
    void forgot();
};

void TestPasswordCommands::openDialogIsLeftAsItIs() {
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

void TestPasswordCommands::modify_data() {
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

void TestPasswordCommands::modify() {
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

void TestPasswordCommands::forgot_data() {
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

void TestPasswordCommands::forgot() {
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

QTEST_MAIN(TestPasswordCommands)
#include "test_password_commands.moc"
