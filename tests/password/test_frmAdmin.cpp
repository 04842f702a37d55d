// The password dialog as the user meets it: layout, options, keyboard and every check
// behind OK with its message, title, style and focus.

#include "password/admin_fixture.h"

#include "store/mdlGlobal.h"
#include <cmath>

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>

namespace {

struct Place {
    const char* name;
    int left, top, width, height; // twips, in the dialog's client coordinates
};

// The dialog's controls as designed.
const Place kDesign[] = {
    {"lblNew", 120, 120, 1335, 195},
    {"txtNew", 1800, 120, 3135, 285},
    {"lblConfirm", 120, 480, 1635, 195},
    {"txtConfirm", 1800, 480, 3135, 285},
    {"frmQuestion", 120, 840, 4815, 2175},
    {"optRemindQuestion0", 240, 1080, 3255, 255},
    {"optRemindQuestion1", 240, 1440, 3015, 255},
    {"optRemindQuestion2", 240, 1800, 3015, 255},
    {"optRemindQuestion3", 240, 2160, 4095, 255},
    {"txtOther", 600, 2560, 3975, 285},
    {"Image1", 3960, 1320, 480, 480},
    {"Label1", 120, 3120, 705, 195},
    {"txtAnswer", 960, 3120, 3975, 285},
    {"cmdOK", 3960, 3600, 975, 300},
    {"cmdCancel", 2640, 3600, 975, 300},
};

int px(int twips, double perPixel) {
    return static_cast<int>(std::nearbyint(twips / perPixel));
}

} // namespace

class TestFrmAdmin : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void layoutFollowsTheScreenFactor_data();
    void layoutFollowsTheScreenFactor();
    void captionsFontsAndLimits();
    void tabOrder();
    void startsEmptyAndKeepsIntRemind();
    void optionsEmptyAndEnableOwnQuestion();
    void okChecks_data();
    void okChecks();
    void ownQuestionFocusMovesAfterTheBox();
    void mismatchSelectsTheConfirmation();
    void enterMovesOnWithoutPressingOk_data();
    void enterMovesOnWithoutPressingOk();
    void escapeDoesNothingCancelAndCloseUnload();
};

void TestFrmAdmin::layoutFollowsTheScreenFactor_data() {
    QTest::addColumn<double>("perPixel");
    QTest::newRow("96 dpi") << 15.0;
    QTest::newRow("120 dpi") << 12.0; // 5070 / 12 = 422.5 rounds to the even 422
}

void TestFrmAdmin::layoutFollowsTheScreenFactor() {
    QFETCH(double, perPixel);
    AdminFixture fixture;
    fixture.forms->screenTwips.twipsPerPixelX = perPixel;
    fixture.forms->screenTwips.twipsPerPixelY = perPixel;
    frmAdmin& form = fixture.show();
    QCOMPARE(form.size(), QSize(px(5070, perPixel), px(4005, perPixel)));
    QCOMPARE(form.minimumSize(), form.maximumSize());
    if (perPixel == 12.0)
        QCOMPARE(form.width(), 422);
    for (const Place& place : kDesign) {
        auto* widget = form.findChild<QWidget*>(QLatin1String(place.name));
        QVERIFY2(widget, place.name);
        const QPoint at = widget->mapTo(&form, QPoint(0, 0));
        QCOMPARE(QRect(at, widget->size()),
                 QRect(px(place.left, perPixel), px(place.top, perPixel), px(place.width, perPixel),
                       px(place.height, perPixel)));
    }
}

void TestFrmAdmin::captionsFontsAndLimits() {
    AdminFixture fixture;
    frmAdmin& form = fixture.show();
    QCOMPARE(form.objectName(), QStringLiteral("frmAdmin"));
    QCOMPARE(form.windowTitle(), QStringLiteral("Password"));
    QVERIFY(!(form.windowFlags() & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(form.windowFlags() & Qt::WindowMaximizeButtonHint));
    QCOMPARE(form.lblNew->text(), QStringLiteral("Your Password:"));
    QCOMPARE(form.lblConfirm->text(), QStringLiteral("Confirm Password:"));
    QCOMPARE(form.frmQuestion->title(), QStringLiteral("Reminder Question?"));
    QCOMPARE(form.Label1->text(), QStringLiteral("Answer:"));
    QCOMPARE(form.optRemindQuestion[0]->text(), QStringLiteral("What is your favourite sport?"));
    QCOMPARE(form.optRemindQuestion[1]->text(), QStringLiteral("What is your favourite colour?"));
    QCOMPARE(form.optRemindQuestion[2]->text(), QStringLiteral("What is your favourite movie?"));
    QCOMPARE(form.optRemindQuestion[3]->text(),
             QStringLiteral("Other ( enter to create your own question )"));
    QCOMPARE(form.cmdOK->text(), QStringLiteral("OK"));
    QCOMPARE(form.cmdCancel->text(), QStringLiteral("Cancel"));
    for (QPushButton* button : {form.cmdOK, form.cmdCancel}) {
        QVERIFY(!button->isDefault());
        QVERIFY(!button->autoDefault());
    }
    for (QWidget* widget : form.findChildren<QWidget*>()) {
        QCOMPARE(widget->font().family(), QStringLiteral("Verdana"));
        QCOMPARE(widget->font().pointSizeF(), 8.25);
        QCOMPARE(widget->font().weight(), QFont::Normal);
    }
    const std::pair<QLineEdit*, int> limits[] = {
        {form.txtNew, 255}, {form.txtConfirm, 255}, {form.txtOther, 1000}, {form.txtAnswer, 1000}};
    for (const auto& [box, limit] : limits) {
        QCOMPARE(box->maxLength(), limit);
        QCOMPARE(box->echoMode(), QLineEdit::Normal);
    }
    // The options belong to the form, over the frame; the frame holds txtOther and Image1.
    for (QRadioButton* option : form.optRemindQuestion)
        QCOMPARE(option->parentWidget(), static_cast<QWidget*>(&form));
    QCOMPARE(form.txtOther->parentWidget(), static_cast<QWidget*>(form.frmQuestion));
    QCOMPARE(form.Image1->parentWidget(), static_cast<QWidget*>(form.frmQuestion));
    QCOMPARE(form.Image1->pixmap().size(), QSize(32, 32));
}

void TestFrmAdmin::tabOrder() {
    AdminFixture fixture;
    frmAdmin& form = fixture.show();
    const QStringList expected = {"txtNew",
                                  "txtConfirm",
                                  "txtOther",
                                  "txtAnswer",
                                  "cmdOK",
                                  "cmdCancel",
                                  "optRemindQuestion3",
                                  "optRemindQuestion2",
                                  "optRemindQuestion1",
                                  "optRemindQuestion0"};
    QStringList chain;
    QWidget* widget = form.txtNew;
    do {
        if (widget->focusPolicy() & Qt::TabFocus)
            chain.append(widget->objectName());
        widget = widget->nextInFocusChain();
    } while (widget != form.txtNew && chain.size() < 20);
    QCOMPARE(chain, expected);
}

void TestFrmAdmin::startsEmptyAndKeepsIntRemind() {
    {
        AdminFixture fixture;
        frmAdmin& form = fixture.show();
        for (QRadioButton* option : form.optRemindQuestion)
            QVERIFY(!option->isChecked());
        for (QLineEdit* box : {form.txtNew, form.txtConfirm, form.txtOther, form.txtAnswer}) {
            QVERIFY(box->text().isEmpty());
            QVERIFY(box->isEnabled());
        }
        QVERIFY(form.strRemind.isEmpty());
        QCOMPARE(AdminFixture::focusName(), QStringLiteral("txtNew"));
        QTest::mouseClick(form.optRemindQuestion[2], Qt::LeftButton);
    }
    AdminFixture again;
    again.show();
    QCOMPARE(frmAdmin::intRemind, int16_t(2));
}

void TestFrmAdmin::optionsEmptyAndEnableOwnQuestion() {
    AdminFixture fixture;
    frmAdmin& form = fixture.show();
    QTest::mouseClick(form.optRemindQuestion[3], Qt::LeftButton);
    QVERIFY(form.txtOther->isEnabled());
    QCOMPARE(frmAdmin::intRemind, int16_t(3));
    QTest::keyClicks(form.txtOther, "Where was I born?");
    QTest::mouseClick(form.optRemindQuestion[1], Qt::LeftButton);
    QVERIFY(form.txtOther->text().isEmpty());
    QVERIFY(!form.txtOther->isEnabled());
    QCOMPARE(frmAdmin::intRemind, int16_t(1));
    QVERIFY(!form.optRemindQuestion[3]->isChecked());
    QTest::mouseClick(form.optRemindQuestion[3], Qt::LeftButton);
    QVERIFY(form.txtOther->isEnabled());
    QVERIFY(form.txtOther->text().isEmpty());
    // Selecting in code goes through the same handling.
    form.txtOther->setText(QStringLiteral("kept"));
    form.optRemindQuestion[0]->setChecked(true);
    QVERIFY(form.txtOther->text().isEmpty());
    QCOMPARE(frmAdmin::intRemind, int16_t(0));
}

void TestFrmAdmin::okChecks_data() {
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("confirm");
    QTest::addColumn<int>("option");
    QTest::addColumn<QString>("other");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("focus");

    const QString notStorable = QStringLiteral(
        "This box holds characters that can not be stored in the password file. Please use "
        "only the letters, digits and signs of Western European languages.");
    QTest::newRow("all empty: only the first") << ""
                                               << "" << 0 << ""
                                               << ""
                                               << "Password can not be blank. Please enter"
                                               << "Password Required"
                                               << "txtNew";
    QTest::newRow("confirm empty") << " "
                                   << "" << 0 << ""
                                   << "a"
                                   << "Confirm password can not be blank. Please enter"
                                   << "Confirm Password Required"
                                   << "txtConfirm";
    QTest::newRow("different") << "secret"
                               << "secreT" << 0 << ""
                               << "a"
                               << "Your password and Confirm password does not match"
                               << "Password Error"
                               << "txtConfirm";
    QTest::newRow("inner space counts") << "se cret"
                                        << "secret" << 0 << ""
                                        << "a"
                                        << "Your password and Confirm password does not match"
                                        << "Password Error"
                                        << "txtConfirm";
    QTest::newRow("answer empty") << "pw"
                                  << " pw " << 2 << ""
                                  << ""
                                  << "Answer can not be blank. Please enter"
                                  << "Anwser Required"
                                  << "txtAnswer";
    QTest::newRow("answer empty, own question") << "pw"
                                                << "pw" << 3 << "Pet?"
                                                << ""
                                                << "Answer can not be blank. Please enter"
                                                << "Anwser Required"
                                                << "txtAnswer";
    QTest::newRow("password not storable")
        << QStringLiteral("p\u0101ss") << QStringLiteral("p\u0101ss") << 0 << ""
        << "a" << notStorable << "Password Error"
        << "txtNew";
    QTest::newRow("own question not storable")
        << "pw"
        << "pw" << 3 << QStringLiteral("\u4f60\u597d?") << "a" << notStorable << "Password Error"
        << "txtOther";
    QTest::newRow("answer not storable")
        << "pw"
        << "pw" << 1 << "" << QStringLiteral("\u0416") << notStorable << "Password Error"
        << "txtAnswer";
}

void TestFrmAdmin::okChecks() {
    QFETCH(QString, password);
    QFETCH(QString, confirm);
    QFETCH(int, option);
    QFETCH(QString, other);
    QFETCH(QString, answer);
    QFETCH(QString, text);
    QFETCH(QString, title);
    QFETCH(QString, focus);

    AdminFixture fixture;
    mdlGlobal::bEditMode = false;
    mdlGlobal::bNewMode = true;
    frmAdmin& form = fixture.show();
    form.optRemindQuestion[option]->setChecked(true);
    form.txtNew->setText(password);
    form.txtConfirm->setText(confirm);
    form.txtOther->setText(other);
    form.txtAnswer->setText(answer);
    form.cmdOK->setFocus();
    QTest::mouseClick(form.cmdOK, Qt::LeftButton);

    QCOMPARE(fixture.onlyBox(), AdminFixture::box(title, 16, text));
    QCOMPARE(fixture.focusAtBox, QStringList{focus});
    QVERIFY(fixture.dialogLoaded());
    QVERIFY(!fixture.folder->read("vtrpwd.sys").size());
    QCOMPARE(form.txtNew->text(), password);
    QCOMPARE(form.txtAnswer->text(), answer);
}

void TestFrmAdmin::ownQuestionFocusMovesAfterTheBox() {
    AdminFixture fixture;
    mdlGlobal::bEditMode = false;
    mdlGlobal::bNewMode = true;
    frmAdmin& form = fixture.show();
    form.optRemindQuestion[3]->setChecked(true);
    form.txtNew->setText(QStringLiteral("pw"));
    form.txtConfirm->setText(QStringLiteral("pw"));
    form.txtAnswer->setText(QStringLiteral("a"));
    form.strRemind = QStringLiteral("left over");
    QTest::mouseClick(form.cmdOK, Qt::LeftButton);

    QCOMPARE(fixture.onlyBox(), AdminFixture::box("Question Required", 16,
                                                  "You have selected creating your own question\n\r"
                                                  "you can not leave it blank please enter."));
    // The box shows while OK, just clicked, still has the focus; txtOther gets it after.
    QCOMPARE(fixture.focusAtBox, QStringList{"cmdOK"});
    QCOMPARE(AdminFixture::focusName(), QStringLiteral("txtOther"));
    QVERIFY(form.strRemind.isEmpty());
    QVERIFY(fixture.dialogLoaded());
}

void TestFrmAdmin::mismatchSelectsTheConfirmation() {
    AdminFixture fixture;
    frmAdmin& form = fixture.show();
    form.optRemindQuestion[0]->setChecked(true);
    form.txtNew->setText(QStringLiteral("Password"));
    form.txtConfirm->setText(QStringLiteral("password"));
    form.txtConfirm->setCursorPosition(3);
    QTest::mouseClick(form.cmdOK, Qt::LeftButton);
    QCOMPARE(fixture.focusAtBox, QStringList{"txtConfirm"});
    QCOMPARE(form.txtConfirm->selectionStart(), 0);
    QCOMPARE(form.txtConfirm->selectedText(), QStringLiteral("password"));
    // Typing replaces the whole confirmation.
    QTest::keyClicks(form.txtConfirm, "Password");
    QCOMPARE(form.txtConfirm->text(), QStringLiteral("Password"));
}

void TestFrmAdmin::enterMovesOnWithoutPressingOk_data() {
    QTest::addColumn<int>("option");
    QTest::addColumn<QStringList>("path");
    QTest::newRow("fixed question skips txtOther")
        << 1 << QStringList{"txtNew", "txtConfirm", "txtAnswer", "cmdOK"};
    QTest::newRow("own question") << 3
                                  << QStringList{"txtNew", "txtConfirm", "txtOther", "txtAnswer",
                                                 "cmdOK"};
}

void TestFrmAdmin::enterMovesOnWithoutPressingOk() {
    QFETCH(int, option);
    QFETCH(QStringList, path);
    AdminFixture fixture;
    fixture.forms->deliverKeys = true;
    mdlGlobal::bEditMode = false;
    mdlGlobal::bNewMode = true;
    frmAdmin& form = fixture.show();
    form.optRemindQuestion[option]->setChecked(true);
    form.txtNew->setFocus();
    QSignalSpy entered(form.txtNew, &QLineEdit::returnPressed);

    QStringList visited{AdminFixture::focusName()};
    for (int i = 1; i < path.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCoreApplication::processEvents();
        visited.append(AdminFixture::focusName());
    }
    QCOMPARE(visited, path);
    // The Enter itself reached the box; one Tab was injected per Enter.
    QCOMPARE(entered.count(), 1);
    QCOMPARE(fixture.forms->sentKeys.size(), path.size() - 1);
    QCOMPARE(fixture.forms->sentKeys, QStringList(path.size() - 1, QStringLiteral("{Tab}")));

    // Enter on OK does not press it (pressing it would complain about the empty password).
    QTest::keyClick(form.cmdOK, Qt::Key_Return);
    QTest::keyClick(form.cmdOK, Qt::Key_Enter, Qt::KeypadModifier);
    QCoreApplication::processEvents();
    QVERIFY(fixture.forms->boxes.isEmpty());
    QVERIFY(fixture.dialogLoaded());
    QCOMPARE(AdminFixture::focusName(), QStringLiteral("cmdOK"));
}

void TestFrmAdmin::escapeDoesNothingCancelAndCloseUnload() {
    {
        AdminFixture fixture;
        frmAdmin& form = fixture.show();
        form.txtNew->setText(QStringLiteral("pw"));
        QTest::keyClick(form.txtNew, Qt::Key_Escape);
        QVERIFY(fixture.dialogLoaded());
        QTest::mouseClick(form.cmdCancel, Qt::LeftButton);
        QVERIFY(!fixture.dialogLoaded());
        QVERIFY(fixture.forms->boxes.isEmpty());
    }
    AdminFixture fixture;
    mdlGlobal::bEditMode = false;
    mdlGlobal::bNewMode = true;
    frmAdmin& form = fixture.show();
    form.txtNew->setText(QStringLiteral("pw"));
    form.close();
    QVERIFY(!fixture.dialogLoaded());
    QVERIFY(fixture.forms->boxes.isEmpty());
    QVERIFY(fixture.folder->read("vtrpwd.sys").empty());
    // The next use is a fresh dialog.
    QVERIFY(fixture.show().txtNew->text().isEmpty());
}

QTEST_MAIN(TestFrmAdmin)
#include "test_frmAdmin.moc"
