// The New, Modify and Forgot commands: prompts, their place, trimming, denials, the
// reminder and how the dialog is preset.

#include "password/admin_fixture.h"
#include "password/password_commands.h"
#include "password/prompt_position.h"
#include "shell/menu_commands.h"
#include "store/password_file.h"

#include <QPushButton>
#include <QTimer>

namespace {

void store(const ScratchFolder& folder, const std::string& password, const std::string& question,
           const std::string& answer, int16_t number) {
    folder.write("vtrpwd.sys", *passwordFileContents(password, question + " = " + answer, number));
}

// The one prompt box shown, as "title | prompt" at one third of a 1024 x 768 screen.
void checkPrompt(const AdminFixture& fixture, const QString& title, const QString& prompt) {
    QCOMPARE(fixture.forms->inputBoxes.size(), 1);
    const RecordedInputBox& box = fixture.forms->inputBoxes[0];
    QCOMPARE(box.title + " | " + box.prompt, title + " | " + prompt);
    QCOMPARE(QPointF(box.left, box.top), QPointF(5120, 3840));
}

} // namespace

class TestPasswordCommands : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void promptPositionIsOneThird();
    void newPresetsTheFirstQuestionAndShowsModally();
    void openDialogIsLeftAsItIs();
    void modifyAsksForThePassword_data();
    void modifyAsksForThePassword();
    void modifyPresets_data();
    void modifyPresets();
    void noPasswordFileMeansNoPrompt();
    void forgot_data();
    void forgot();
};

void TestPasswordCommands::promptPositionIsOneThird() {
    // Screen width and height, then where the prompt goes: 1024 x 768; thirds round to the
    // nearest; halves round to even.
    const double rows[][4] = {{15360, 11520, 5120, 3840}, {1000, 1001, 333, 334}, {1.5, 7.5, 0, 2}};
    for (const auto& row : rows) {
        const TwipsPoint at = promptPosition(row[0], row[1]);
        QCOMPARE(QPointF(at.left, at.top), QPointF(row[2], row[3]));
    }
}

void TestPasswordCommands::newPresetsTheFirstQuestionAndShowsModally() {
    AdminFixture fixture;
    mdlGlobal::bEditMode = true;
    mdlGlobal::bNewMode = false;
    frmAdmin::intRemind = 3;
    bool shownPreset = false;
    QTimer::singleShot(0, [&] {
        frmAdmin* form = platform::formSlot<frmAdmin>().loaded();
        if (!form)
            return;
        shownPreset = form->isVisible() && form->isModal() &&
                      form->optRemindQuestion[0]->isChecked() && !form->txtOther->isEnabled();
        form->cmdCancel->click();
    });
    mNew_Click();
    QVERIFY(shownPreset);
    QVERIFY(!mdlGlobal::bEditMode && mdlGlobal::bNewMode);
    QCOMPARE(frmAdmin::intRemind, int16_t(0));
    QVERIFY(!fixture.dialogLoaded());
    QVERIFY(fixture.forms->inputBoxes.isEmpty());
}

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

void TestPasswordCommands::modifyAsksForThePassword_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("opens");
    QTest::addColumn<bool>("denied");
    QTest::newRow("right") << "Secret" << true << false;
    QTest::newRow("padded") << "  Secret " << true << false;
    QTest::newRow("other case") << "secret" << false << true;
    QTest::newRow("wrong") << "Secrets" << false << true;
    QTest::newRow("cancelled") << "" << false << false;
    QTest::newRow("spaces only") << "   " << false << false;
}

void TestPasswordCommands::modifyAsksForThePassword() {
    QFETCH(QString, typed);
    QFETCH(bool, opens);
    QFETCH(bool, denied);
    AdminFixture fixture;
    store(*fixture.folder, "Secret", "What is your favourite sport?", "golf", 0);
    mdlGlobal::bEditMode = false;
    mdlGlobal::bNewMode = true;
    fixture.forms->inputAnswers.enqueue(typed);

    QCOMPARE(prepareModifyPassword() != nullptr, opens);
    QCOMPARE(fixture.dialogLoaded(), opens);
    checkPrompt(fixture, "Modify Password",
                "You need to provide password to edit!\n\renter your password in the box below "
                "and click OK button");
    QCOMPARE(mdlGlobal::bEditMode, opens);
    QCOMPARE(mdlGlobal::bNewMode, !opens);
    QCOMPARE(fixture.onlyBox(), denied ? AdminFixture::box("Modify Password Denied", 16,
                                                           "Sorry, your password is incorrect")
                                       : QStringLiteral("0 boxes"));
}

void TestPasswordCommands::modifyPresets_data() {
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("question");
    QTest::addColumn<QString>("other");
    QTest::newRow("fixed") << 2 << "What is your favourite movie?"
                           << "";
    QTest::newRow("own") << 3 << "Street I grew up in?"
                         << "Street I grew up in?";
    // No option button for these: the command ends silently.
    QTest::newRow("4") << 4 << "Q?"
                       << "";
    QTest::newRow("-1") << -1 << "Q?"
                        << "";
}

void TestPasswordCommands::modifyPresets() {
    QFETCH(int, number);
    QFETCH(QString, question);
    QFETCH(QString, other);
    AdminFixture fixture;
    // The stored password is compared trimmed and preset as stored.
    store(*fixture.folder, " pa ss ", question.toStdString(), "  Elm  ", int16_t(number));
    fixture.forms->inputAnswers.enqueue(QStringLiteral("pa ss"));
    frmAdmin* form = prepareModifyPassword();
    QVERIFY(fixture.forms->boxes.isEmpty());
    QCOMPARE(form != nullptr, number >= 0 && number <= 3);
    QCOMPARE(fixture.dialogLoaded(), form != nullptr);
    if (!form)
        return;
    QCOMPARE(form->txtNew->text(), QStringLiteral(" pa ss "));
    QVERIFY(form->txtConfirm->text().isEmpty());
    for (int i = 0; i < 4; ++i)
        QCOMPARE(form->optRemindQuestion[i]->isChecked(), i == number);
    QCOMPARE(frmAdmin::intRemind, int16_t(number));
    QCOMPARE(form->txtOther->text(), other);
    QCOMPARE(form->txtOther->isEnabled(), number == 3);
    QCOMPARE(form->txtAnswer->text(), QStringLiteral("Elm"));
}

void TestPasswordCommands::noPasswordFileMeansNoPrompt() {
    for (const bool empty : {false, true}) {
        AdminFixture fixture;
        if (empty)
            fixture.folder->write("vtrpwd.sys", "");
        mModify_Click();
        mForgot_Click();
        QVERIFY(fixture.forms->inputBoxes.isEmpty());
        QVERIFY(fixture.forms->boxes.isEmpty());
        QVERIFY(!fixture.dialogLoaded());
    }
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
    QTest::newRow("right") << "Rex" << reminded;
    QTest::newRow("padded") << " Rex  " << reminded;
    QTest::newRow("other case") << "rex" << denied;
    QTest::newRow("wrong") << "Max" << denied;
    QTest::newRow("cancelled") << ""
                               << "0 boxes";
    QTest::newRow("spaces only") << "  "
                                 << "0 boxes";
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
