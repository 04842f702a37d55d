// The password dialog: the options, Escape and Cancel, and every check behind OK with its
// message, title, style and focus. Typing and Enter are driven for real by
// tests/whole/test_password.py.

#include "password/admin_fixture.h"

#include <QPushButton>

namespace {

// One OK that is refused: what was typed, the box and where the focus is while it shows
// and after it.
struct Refusal {
    const char *name, *password, *confirm;
    int option;
    const char *other, *answer, *title, *text;
    const char *focusAtBox, *focusAfter, *selected; // selected: in the focused box after
};

const char* const kMismatch = "Your password and Confirm password does not match";
const char* const kNotStorable =
    "This box holds characters that can not be stored in the password file. Please use only "
    "the letters, digits and signs of Western European languages.";
const char* const kNoQuestion =
    "You have selected creating your own question\n\ryou can not leave it blank please enter.";

const Refusal kRefusals[] = {
    {"all empty: only the first", "", "", 0, "", "", "Password Required",
     "Password can not be blank. Please enter", "txtNew", "txtNew", ""},
    {"confirm empty", " ", "", 0, "", "a", "Confirm Password Required",
     "Confirm password can not be blank. Please enter", "txtConfirm", "txtConfirm", ""},
    {"different", "secret", "secreT", 0, "", "a", "Password Error", kMismatch, "txtConfirm",
     "txtConfirm", "secreT"},
    // The box shows while OK, just clicked, still has the focus; txtOther gets it after.
    {"own question empty", "pw", "pw", 3, "", "a", "Question Required", kNoQuestion, "cmdOK",
     "txtOther", ""},
    {"answer empty", "pw", " pw ", 2, "", "", "Anwser Required",
     "Answer can not be blank. Please enter", "txtAnswer", "txtAnswer", ""},
    {"password not storable", "p\u0101ss", "p\u0101ss", 0, "", "a", "Password Error", kNotStorable,
     "txtNew", "txtNew", ""},
    {"answer not storable", "pw", "pw", 1, "", "\u0416", "Password Error", kNotStorable,
     "txtAnswer", "txtAnswer", ""},
    // The file joins question and answer with "=".
    {"own question holds =", "pw", "pw", 3, "1+1=?", "2", "Password Error",
     "The question box holds \"=\", which can not be stored in the password file. Please "
     "leave it out.",
     "txtOther", "txtOther", ""},
    {"answer holds =", "pw", "pw", 1, "", "E=mc2", "Password Error",
     "The answer box holds \"=\", which can not be stored in the password file. Please "
     "leave it out.",
     "txtAnswer", "txtAnswer", ""},
};

} // namespace

Q_DECLARE_METATYPE(const Refusal*)

class TestFrmAdmin : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void freshDialogAndOptions();
    void okRefuses_data();
    void okRefuses();
    void escapeDoesNothingCancelAndCloseUnload();
};

void TestFrmAdmin::freshDialogAndOptions() {
    AdminFixture fixture;
    frmAdmin& form = fixture.show();
    QCOMPARE(AdminFixture::focusName(), QStringLiteral("txtNew"));
    for (QRadioButton* option : form.optRemindQuestion)
        QVERIFY(!option->isChecked());
    QVERIFY(form.txtOther->isEnabled());
    QTest::mouseClick(form.optRemindQuestion[3], Qt::LeftButton);
    QCOMPARE(frmAdmin::intRemind, int16_t(3));
    QTest::keyClicks(form.txtOther, "Where was I born?");
    QTest::mouseClick(form.optRemindQuestion[1], Qt::LeftButton);
    QVERIFY(form.txtOther->text().isEmpty());
    QVERIFY(!form.txtOther->isEnabled());
    QCOMPARE(frmAdmin::intRemind, int16_t(1));
    QTest::mouseClick(form.optRemindQuestion[3], Qt::LeftButton);
    QVERIFY(form.txtOther->isEnabled());
}

void TestFrmAdmin::okRefuses_data() {
    addRows(kRefusals);
}

void TestFrmAdmin::okRefuses() {
    QFETCH(const Refusal*, row);
    AdminFixture fixture;
    frmAdmin& form = fixture.show();
    AdminFixture::fill(form, row->password, row->confirm, row->option, row->other, row->answer);
    form.strRemind = QStringLiteral("left over");
    form.cmdOK->setFocus();
    QTest::mouseClick(form.cmdOK, Qt::LeftButton);

    QCOMPARE(fixture.onlyBox(), AdminFixture::box(row->title, 16, QString::fromUtf8(row->text)));
    QCOMPARE(fixture.focusAtBox, QStringList{row->focusAtBox});
    QCOMPARE(AdminFixture::focusName(), QString(row->focusAfter));
    QCOMPARE(qobject_cast<QLineEdit*>(QApplication::focusWidget())->selectedText(),
             QString(row->selected));
    // A refused own question forgets the question of an earlier OK.
    QCOMPARE(form.strRemind.isEmpty(), row->title == QStringLiteral("Question Required"));
    QVERIFY(fixture.dialogLoaded());
}

void TestFrmAdmin::escapeDoesNothingCancelAndCloseUnload() {
    AdminFixture fixture;
    for (const bool viaCancel : {true, false}) {
        frmAdmin& form = fixture.show();
        QVERIFY(form.txtNew->text().isEmpty()); // a fresh dialog each time
        form.txtNew->setText(QStringLiteral("pw"));
        QTest::keyClick(form.txtNew, Qt::Key_Escape);
        QVERIFY(fixture.dialogLoaded());
        if (viaCancel)
            QTest::mouseClick(form.cmdCancel, Qt::LeftButton);
        else
            form.close();
        QVERIFY(!fixture.dialogLoaded());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    QVERIFY(fixture.forms->boxes.isEmpty());
}

QTEST_MAIN(TestFrmAdmin)
#include "test_frmAdmin.moc"
