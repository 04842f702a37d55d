// The password dialog as the user meets it: layout, options, keyboard and every check
// behind OK with its message, title, style and focus.

#include "password/admin_fixture.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <cmath>

namespace {

// The controls as designed: place in twips (client coordinates), then the caption, or
// for a text box its length limit.
struct Control {
    const char* name;
    int left, top, width, height;
    const char* caption;
    int maxLength;
};

const Control kDesign[] = {
    {"lblNew", 120, 120, 1335, 195, "Your Password:", 0},
    {"txtNew", 1800, 120, 3135, 285, nullptr, 255},
    {"lblConfirm", 120, 480, 1635, 195, "Confirm Password:", 0},
    {"txtConfirm", 1800, 480, 3135, 285, nullptr, 255},
    {"frmQuestion", 120, 840, 4815, 2175, "Reminder Question?", 0},
    {"optRemindQuestion0", 240, 1080, 3255, 255, "What is your favourite sport?", 0},
    {"optRemindQuestion1", 240, 1440, 3015, 255, "What is your favourite colour?", 0},
    {"optRemindQuestion2", 240, 1800, 3015, 255, "What is your favourite movie?", 0},
    {"optRemindQuestion3", 240, 2160, 4095, 255, "Other ( enter to create your own question )", 0},
    {"txtOther", 600, 2560, 3975, 285, nullptr, 1000},
    {"Image1", 3960, 1320, 480, 480, "", 0},
    {"Label1", 120, 3120, 705, 195, "Answer:", 0},
    {"txtAnswer", 960, 3120, 3975, 285, nullptr, 1000},
    {"cmdOK", 3960, 3600, 975, 300, "OK", 0},
    {"cmdCancel", 2640, 3600, 975, 300, "Cancel", 0},
};

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
    {"inner space counts", "se cret", "secret", 0, "", "a", "Password Error", kMismatch,
     "txtConfirm", "txtConfirm", "secret"},
    // The box shows while OK, just clicked, still has the focus; txtOther gets it after.
    {"own question empty", "pw", "pw", 3, "", "a", "Question Required", kNoQuestion, "cmdOK",
     "txtOther", ""},
    {"answer empty", "pw", " pw ", 2, "", "", "Anwser Required",
     "Answer can not be blank. Please enter", "txtAnswer", "txtAnswer", ""},
    {"answer empty, own question", "pw", "pw", 3, "Pet?", "", "Anwser Required",
     "Answer can not be blank. Please enter", "txtAnswer", "txtAnswer", ""},
    {"password not storable", "p\u0101ss", "p\u0101ss", 0, "", "a", "Password Error", kNotStorable,
     "txtNew", "txtNew", ""},
    {"own question not storable", "pw", "pw", 3, "\u4f60\u597d?", "a", "Password Error",
     kNotStorable, "txtOther", "txtOther", ""},
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

int px(int twips, double perPixel) {
    return static_cast<int>(std::nearbyint(twips / perPixel));
}

} // namespace

Q_DECLARE_METATYPE(const Refusal*)

class TestFrmAdmin : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void asDesigned();
    void freshDialogAndOptions();
    void okRefuses_data();
    void okRefuses();
    void enterMovesOnAndPressesAFocusedOk();
    void escapeDoesNothingCancelAndCloseUnload();
};

void TestFrmAdmin::asDesigned() {
    AdminFixture fixture;
    // Different factors across and down, so that neither can stand in for the other.
    fixture.forms->screenTwips.twipsPerPixelX = 12;
    fixture.forms->screenTwips.twipsPerPixelY = 15;
    frmAdmin& form = fixture.show();
    QCOMPARE(form.objectName(), QStringLiteral("frmAdmin"));
    QCOMPARE(form.windowTitle(), QStringLiteral("Password"));
    QVERIFY(!(form.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    QCOMPARE(form.size(), QSize(422, 267)); // 5070 / 12 = 422.5 rounds to the even 422
    QCOMPARE(form.minimumSize(), form.maximumSize());
    for (const Control& control : kDesign) {
        auto* widget = form.findChild<QWidget*>(QLatin1String(control.name));
        QVERIFY2(widget, control.name);
        QCOMPARE(QRect(widget->mapTo(&form, QPoint(0, 0)), widget->size()),
                 QRect(px(control.left, 12), px(control.top, 15), px(control.width, 12),
                       px(control.height, 15)));
        if (auto* box = qobject_cast<QLineEdit*>(widget)) {
            QCOMPARE(box->maxLength(), control.maxLength);
            QCOMPARE(box->echoMode(), QLineEdit::Normal); // no masking
        } else {
            const char* property = qobject_cast<QGroupBox*>(widget) ? "title" : "text";
            QCOMPARE(widget->property(property).toString(), QString::fromUtf8(control.caption));
        }
    }
    for (QWidget* widget : form.findChildren<QWidget*>()) {
        QCOMPARE(widget->font().family(), QStringLiteral("Verdana"));
        QCOMPARE(widget->font().pointSizeF(), 8.25);
        QCOMPARE(widget->font().weight(), QFont::Normal);
    }
    // The options belong to the form, over the frame; the frame holds txtOther and Image1.
    for (QRadioButton* option : form.optRemindQuestion)
        QCOMPARE(option->parentWidget(), static_cast<QWidget*>(&form));
    QCOMPARE(form.txtOther->parentWidget(), static_cast<QWidget*>(form.frmQuestion));
    QCOMPARE(form.Image1->parentWidget(), static_cast<QWidget*>(form.frmQuestion));
    QCOMPARE(form.Image1->pixmap().size(), QSize(32, 32));

    QStringList chain;
    QWidget* widget = form.txtNew;
    do {
        if (widget->focusPolicy() & Qt::TabFocus)
            chain.append(widget->objectName());
        widget = widget->nextInFocusChain();
    } while (widget != form.txtNew && chain.size() < 20);
    QCOMPARE(chain.join(' '), QStringLiteral("txtNew txtConfirm txtOther txtAnswer cmdOK cmdCancel "
                                             "optRemindQuestion3 optRemindQuestion2 "
                                             "optRemindQuestion1 optRemindQuestion0"));
}

void TestFrmAdmin::freshDialogAndOptions() {
    {
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
        // Selecting in code goes through the same handling.
        form.txtOther->setText(QStringLiteral("kept"));
        form.optRemindQuestion[2]->setChecked(true);
        QVERIFY(form.txtOther->text().isEmpty());
    }
    // intRemind outlives the form.
    AdminFixture again;
    again.show();
    QCOMPARE(frmAdmin::intRemind, int16_t(2));
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

void TestFrmAdmin::enterMovesOnAndPressesAFocusedOk() {
    AdminFixture fixture;
    fixture.forms->deliverKeys = true;
    frmAdmin& form = fixture.show();
    form.optRemindQuestion[3]->setChecked(true);
    form.txtNew->setFocus();
    QSignalSpy entered(form.txtNew, &QLineEdit::returnPressed);
    QStringList visited{AdminFixture::focusName()};
    for (int i = 0; i < 4; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCoreApplication::processEvents();
        visited.append(AdminFixture::focusName());
    }
    QCOMPARE(visited.join(' '), QStringLiteral("txtNew txtConfirm txtOther txtAnswer cmdOK"));
    // The Enter itself reached the box; one Tab was injected per Enter; none pressed OK
    // (pressing it would complain about the empty password).
    QCOMPARE(entered.count(), 1);
    QCOMPARE(fixture.forms->sentKeys, QStringList(4, QStringLiteral("{Tab}")));
    QVERIFY(fixture.forms->boxes.isEmpty());

    // Enter on the focused OK presses it.
    QTest::keyClick(form.cmdOK, Qt::Key_Return);
    QCOMPARE(fixture.onlyBox(),
             AdminFixture::box("Password Required", 16, "Password can not be blank. Please enter"));
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
