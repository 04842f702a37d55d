// The New, Modify and Forgot commands: prompts, their place, trimming, denials, the
// reminder and how the dialog is preset.

#include "password/admin_fixture.h"
#include "password/password_commands.h"
#include "password/prompt_position.h"
#include "platform/ansi_text.h"
#include "shell/menu_commands.h"
#include "store/mdlGlobal.h"
#include "store/password_file.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

namespace {

const QString kModifyPrompt = QStringLiteral(
    "You need to provide password to edit!\n\renter your password in the box below and click "
    "OK button");

void store(const ScratchFolder& folder, const std::string& password, const std::string& question,
           const std::string& answer, int16_t number) {
    folder.write("vtrpwd.sys", *passwordFileContents(password, question + " = " + answer, number));
}

} // namespace

class TestPasswordCommands : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void promptPositionIsOneThird_data();
    void promptPositionIsOneThird();
    void newPresetsTheFirstQuestion();
    void newShowsTheDialogModally();
    void openDialogIsLeftAsItIs();
    void modifyAsksForThePassword_data();
    void modifyAsksForThePassword();
    void modifyPresets_data();
    void modifyPresets();
    void modifyEndsSilentlyForAnUnknownQuestion_data();
    void modifyEndsSilentlyForAnUnknownQuestion();
    void modifyThenOkWantsTheConfirmation();
    void noPasswordFileMeansNoPrompt();
    void forgot_data();
    void forgot();
};

void TestPasswordCommands::promptPositionIsOneThird_data() {
    QTest::addColumn<double>("width");
    QTest::addColumn<double>("height");
    QTest::addColumn<double>("left");
    QTest::addColumn<double>("top");
    QTest::newRow("1024 x 768") << 15360.0 << 11520.0 << 5120.0 << 3840.0;
    QTest::newRow("1366 x 768") << 20490.0 << 11520.0 << 6830.0 << 3840.0;
    QTest::newRow("thirds round to nearest") << 1000.0 << 1001.0 << 333.0 << 334.0;
    QTest::newRow("halves round to even") << 1.5 << 7.5 << 0.0 << 2.0;
}

void TestPasswordCommands::promptPositionIsOneThird() {
    QFETCH(double, width);
    QFETCH(double, height);
    QFETCH(double, left);
    QFETCH(double, top);
    const TwipsPoint at = promptPosition(width, height);
    QCOMPARE(at.left, left);
    QCOMPARE(at.top, top);
}

void TestPasswordCommands::newPresetsTheFirstQuestion() {
    AdminFixture fixture;
    mdlGlobal::bEditMode = true;
    mdlGlobal::bNewMode = false;
    frmAdmin::intRemind = 3;
    frmAdmin* form = prepareNewPassword();
    QVERIFY(form);
    QVERIFY(!mdlGlobal::bEditMode);
    QVERIFY(mdlGlobal::bNewMode);
    QVERIFY(form->optRemindQuestion[0]->isChecked());
    QCOMPARE(frmAdmin::intRemind, int16_t(0));
    QVERIFY(!form->txtOther->isEnabled());
    for (QLineEdit* box : {form->txtNew, form->txtConfirm, form->txtOther, form->txtAnswer})
        QVERIFY(box->text().isEmpty());
    QVERIFY(fixture.forms->inputBoxes.isEmpty());
}

void TestPasswordCommands::newShowsTheDialogModally() {
    AdminFixture fixture;
    bool shownModal = false;
    QTimer::singleShot(0, [&] {
        frmAdmin* form = platform::formSlot<frmAdmin>().loaded();
        shownModal = form && form->isVisible() && form->isModal();
        if (form)
            form->cmdCancel->click();
    });
    mNew_Click();
    QVERIFY(shownModal);
    QVERIFY(!fixture.dialogLoaded());
    QVERIFY(fixture.folder->read("vtrpwd.sys").empty());
}

void TestPasswordCommands::openDialogIsLeftAsItIs() {
    AdminFixture fixture;
    store(*fixture.folder, "pw", "Q?", "a", 3);
    mdlGlobal::bEditMode = true;
    mdlGlobal::bNewMode = false;
    frmAdmin& form = fixture.show();
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
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("opens");
    QTest::addColumn<bool>("denied");
    QTest::newRow("right") << "Secret"
                           << "Secret" << true << false;
    QTest::newRow("padded") << "Secret"
                            << "  Secret " << true << false;
    QTest::newRow("stored padded") << " Secret  "
                                   << "Secret" << true << false;
    QTest::newRow("other case") << "Secret"
                                << "secret" << false << true;
    QTest::newRow("wrong") << "Secret"
                           << "Secrets" << false << true;
    QTest::newRow("cancelled") << "Secret"
                               << "" << false << false;
    QTest::newRow("spaces only") << "Secret"
                                 << "   " << false << false;
    QTest::newRow("stored spaces, typed spaces") << "   "
                                                 << "   " << false << false;
    QTest::newRow("stored spaces, typed text") << "   "
                                               << "x" << false << true;
}

void TestPasswordCommands::modifyAsksForThePassword() {
    QFETCH(QString, stored);
    QFETCH(QString, typed);
    QFETCH(bool, opens);
    QFETCH(bool, denied);
    AdminFixture fixture;
    store(*fixture.folder, stored.toStdString(), "What is your favourite sport?", "golf", 0);
    mdlGlobal::bEditMode = false;
    mdlGlobal::bNewMode = true;
    fixture.forms->inputAnswers.enqueue(typed);

    QCOMPARE(prepareModifyPassword() != nullptr, opens);
    QCOMPARE(fixture.dialogLoaded(), opens);
    QCOMPARE(fixture.forms->inputBoxes.size(), 1);
    const RecordedInputBox& prompt = fixture.forms->inputBoxes[0];
    QCOMPARE(prompt.prompt, kModifyPrompt);
    QCOMPARE(prompt.title, QStringLiteral("Modify Password"));
    QCOMPARE(prompt.left, 5120.0);
    QCOMPARE(prompt.top, 3840.0);
    QCOMPARE(mdlGlobal::bEditMode, opens);
    QCOMPARE(mdlGlobal::bNewMode, !opens);
    if (denied) {
        QCOMPARE(fixture.onlyBox(),
                 AdminFixture::box(QStringLiteral("Modify Password Denied"), 16,
                                   QStringLiteral("Sorry, your password is incorrect")));
    } else {
        QVERIFY(fixture.forms->boxes.isEmpty());
    }
}

void TestPasswordCommands::modifyPresets_data() {
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("question");
    QTest::addColumn<QString>("other");
    QTest::newRow("fixed") << 2 << "What is your favourite movie?"
                           << "";
    QTest::newRow("own") << 3 << "Street I grew up in?"
                         << "Street I grew up in?";
}

void TestPasswordCommands::modifyPresets() {
    QFETCH(int, number);
    QFETCH(QString, question);
    QFETCH(QString, other);
    AdminFixture fixture;
    store(*fixture.folder, " pa ss ", question.toStdString(), "  Elm  ", int16_t(number));
    fixture.forms->inputAnswers.enqueue(QStringLiteral("pa ss"));
    frmAdmin* form = prepareModifyPassword();
    QVERIFY(form);
    QCOMPARE(form->txtNew->text(), QStringLiteral(" pa ss "));
    QVERIFY(form->txtConfirm->text().isEmpty());
    for (int i = 0; i < 4; ++i)
        QCOMPARE(form->optRemindQuestion[i]->isChecked(), i == number);
    QCOMPARE(frmAdmin::intRemind, int16_t(number));
    QCOMPARE(form->txtOther->text(), other);
    QCOMPARE(form->txtOther->isEnabled(), number == 3);
    QCOMPARE(form->txtAnswer->text(), QStringLiteral("Elm"));
}

void TestPasswordCommands::modifyEndsSilentlyForAnUnknownQuestion_data() {
    QTest::addColumn<int>("number");
    QTest::newRow("7") << 7;
    QTest::newRow("4") << 4;
    QTest::newRow("-1") << -1;
}

void TestPasswordCommands::modifyEndsSilentlyForAnUnknownQuestion() {
    QFETCH(int, number);
    AdminFixture fixture;
    store(*fixture.folder, "pw", "Q?", "a", int16_t(number));
    fixture.forms->inputAnswers.enqueue(QStringLiteral("pw"));
    mModify_Click();
    QCOMPARE(fixture.forms->inputBoxes.size(), 1);
    QVERIFY(fixture.forms->boxes.isEmpty());
    QVERIFY(!fixture.dialogLoaded());
}

void TestPasswordCommands::modifyThenOkWantsTheConfirmation() {
    AdminFixture fixture;
    store(*fixture.folder, "pw", "What is your favourite sport?", "golf", 0);
    fixture.forms->inputAnswers.enqueue(QStringLiteral("pw"));
    QTimer::singleShot(0, [&] {
        frmAdmin* form = platform::formSlot<frmAdmin>().loaded();
        if (!form)
            return;
        form->cmdOK->click();
        form->close();
    });
    mModify_Click();
    QCOMPARE(fixture.forms->boxes.size(), 1);
    QCOMPARE(fixture.forms->boxes[0].title, QStringLiteral("Confirm Password Required"));
    QVERIFY(!fixture.dialogLoaded());
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
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("box"); // empty: none
    const QString denied =
        AdminFixture::box("Answer Denied", 16, "Sorry, your answer is incorrect");
    // The password is shown exactly as stored, its own spaces included.
    const QString reminded = AdminFixture::box(
        "Password Reminder", 64,
        "Password is case sENsiTiVe please enter your password exactly.\n\r\rYour password "
        "is   My Pass ");
    QTest::newRow("right") << "Rex"
                           << "Rex" << reminded;
    QTest::newRow("padded") << "Rex"
                            << " Rex  " << reminded;
    QTest::newRow("other case") << "Rex"
                                << "rex" << denied;
    QTest::newRow("wrong") << "Rex"
                           << "Max" << denied;
    QTest::newRow("cancelled") << "Rex"
                               << "" << QString();
    QTest::newRow("spaces only") << "Rex"
                                 << "  " << QString();
    QTest::newRow("stored answer of spaces") << "   "
                                             << "x" << denied;
}

void TestPasswordCommands::forgot() {
    QFETCH(QString, answer);
    QFETCH(QString, typed);
    QFETCH(QString, box);
    AdminFixture fixture;
    store(*fixture.folder, "  My Pass ", "  Pet name?", answer.toStdString(), 3);
    fixture.forms->inputAnswers.enqueue(typed);
    mForgot_Click();

    QCOMPARE(fixture.forms->inputBoxes.size(), 1);
    QCOMPARE(fixture.forms->inputBoxes[0].prompt, QStringLiteral("Pet name?"));
    QCOMPARE(fixture.forms->inputBoxes[0].title, QStringLiteral("Password Reminder"));
    QCOMPARE(fixture.forms->inputBoxes[0].left, 5120.0);
    QCOMPARE(fixture.forms->inputBoxes[0].top, 3840.0);
    QCOMPARE(fixture.onlyBox(), box.isEmpty() ? QStringLiteral("0 boxes") : box);
    QVERIFY(!fixture.dialogLoaded());
}

QTEST_MAIN(TestPasswordCommands)
#include "test_password_commands.moc"
