// The password dialog and the New, Modify and Forgot commands, beyond what
// tests/whole/test_dialogs.py drives: every check behind OK in its order with its focus,
// Escape and Cancel, prompts judged trimmed and exact, Modify's presets, an open dialog
// left alone, and what every failure in the middle of a save leaves behind.

#include "password/password_save.h"
#include "password/x11/frmAdmin.h"
#include "password/x11/password_commands.h"
#include "platform/file_attributes.h"
#include "platform/x11/ansi_text.h"
#include "platform/x11/forms.h"
#include "shell/menu_commands.h"
#include "store/mdlGlobal.h"
#include "store/password_file.h"
#include "support/failing_file_steps.h"
#include "support/fake_forms_services.h"
#include "support/scratch_folder.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

namespace {

using platform::FileError;

int refreshes = 0; // of the tray menu, asked for by the dialog

// A scratch program folder, the scripted services, and the dialog as the commands load it.
struct Fixture {
    ScratchFolder folder;
    FakeFormsServices forms;
    void (*const realRefresh)() = frmAdmin::menuRefresh;

    Fixture() {
        refreshes = 0;
        frmAdmin::menuRefresh = [] { ++refreshes; };
    }
    ~Fixture() {
        frmAdmin::menuRefresh = realRefresh;
        platform::formSlot<frmAdmin>().unload();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    // Shown and active (so that focus can be looked at), in New or Modify (`edit`) mode.
    frmAdmin& show(bool edit = false) {
        mdlGlobal::bEditMode = edit;
        mdlGlobal::bNewMode = !edit;
        frmAdmin& form = platform::formSlot<frmAdmin>().get();
        form.show();
        form.activateWindow();
        (void)QTest::qWaitForWindowActive(&form);
        return form;
    }
    // Writes the named file afresh, protected as the program leaves it.
    void put(const char* name, const std::string& contents) {
        platform::fileAttributes().setAttr(folder.file(name), 0);
        folder.write(name, contents);
        platform::fileAttributes().setAttr(folder.file(name), 7);
    }
    // The title and style of the message box shown.
    QString boxes() const { return forms.shown().section(QStringLiteral(" | "), 0, 1); }
    // What the file reads back as, "password|question|answer|number attributes".
    QString saved() const {
        int attributes = -1;
        platform::fileAttributes().getAttr(folder.file(kPasswordFileName), attributes);
        if (!readPasswordFile(kPasswordFileName))
            return QStringLiteral("unreadable");
        return platform::fromAnsi(
            mdlGlobal::strPassword + "|" + mdlGlobal::strQuestion + "|" + mdlGlobal::strAnswer +
            "|" + std::to_string(mdlGlobal::intQuestion) + " " + std::to_string(attributes));
    }
    bool tempFileLeft() const {
        return QFile::exists(QString::fromStdString(folder.file("vtrpwd.tmp")));
    }
};

bool loaded() {
    return platform::formSlot<frmAdmin>().isLoaded();
}

// Types into the dialog as the user would leave it before OK (UTF-8 texts).
void fill(frmAdmin& form, const char* password, const char* confirm, int option, const char* other,
          const char* answer) {
    form.optRemindQuestion[option]->setChecked(true);
    form.txtNew->setText(QString::fromUtf8(password));
    form.txtConfirm->setText(QString::fromUtf8(confirm));
    form.txtOther->setText(QString::fromUtf8(other));
    form.txtAnswer->setText(QString::fromUtf8(answer));
}

} // namespace

class TestPasswordCommands : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // The first check that fails speaks; its box gets the focus (the text selected when
    // the passwords differ). A fresh dialog has it in the password box.
    void okRefusesInOrder() {
        const struct {
            const char *password, *confirm;
            int option;
            const char *other, *answer, *title, *focus, *selected;
        } rows[] = {
            {"", "", 0, "", "", "Password Required", "txtNew", ""},
            {" ", "", 0, "", "a", "Confirm Password Required", "txtConfirm", ""},
            {"secret", "secreT", 0, "", "a", "Password Error", "txtConfirm", "secreT"},
            {"pw", "pw", 3, "", "", "Question Required", "txtOther", ""},
            {"pw", " pw ", 2, "", "", "Anwser Required", "txtAnswer", ""},
            {"p\u0101ss", "p\u0101ss", 0, "", "a", "Password Error", "txtNew", ""},
            {"pw", "pw", 1, "", "\u0416", "Password Error", "txtAnswer", ""},
            // The file joins question and answer with "=".
            {"pw", "pw", 3, "1+1=?", "2", "Password Error", "txtOther", ""},
            {"pw", "pw", 1, "", "E=mc2", "Password Error", "txtAnswer", ""},
        };
        for (const auto& row : rows) {
            Fixture fixture;
            frmAdmin& form = fixture.show();
            QCOMPARE(QApplication::focusWidget(), form.txtNew);
            fill(form, row.password, row.confirm, row.option, row.other, row.answer);
            QTest::mouseClick(form.cmdOK, Qt::LeftButton);
            const auto* focus = qobject_cast<QLineEdit*>(QApplication::focusWidget());
            QCOMPARE(fixture.boxes() + " " + (focus ? focus->objectName() : "?") + " " +
                         (focus ? focus->selectedText() : ""),
                     QString(row.title) + " | 16 " + row.focus + " " + row.selected);
            // Escape, closing or Cancel unloads the dialog without a word.
            if (&row == rows)
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
            else
                &row == rows + 1 ? (void)form.close()
                                 : QTest::mouseClick(form.cmdCancel, Qt::LeftButton);
            QVERIFY(!loaded() && fixture.forms.boxes.size() == 1);
        }
    }

    // The passwords show dots until "Show" is ticked; the options lie inside their frame,
    // below its caption; Tab goes in the screen's order and into the options at the
    // chosen one. (Enter along the text boxes is typed in tests/whole/test_dialogs.py.)
    void keyboardAndLayout() {
        Fixture fixture;
        frmAdmin& form = fixture.show();
        form.optRemindQuestion[2]->setChecked(true);
        for (const bool shown : {false, true, false}) {
            form.chkShow->setChecked(shown);
            const auto mode = shown ? QLineEdit::Normal : QLineEdit::Password;
            QVERIFY(form.txtNew->echoMode() == mode && form.txtConfirm->echoMode() == mode);
        }
        QVERIFY(form.txtNew->geometry().right() < form.chkShow->x());
        const QRect inside = form.frmQuestion->contentsRect();
        for (QRadioButton* option : form.optRemindQuestion)
            QVERIFY2(option->parentWidget() == form.frmQuestion &&
                         inside.contains(option->geometry()) &&
                         option->geometry().bottom() < form.txtOther->y(),
                     qPrintable(option->objectName()));

        const auto walk = [&](QWidget* from, int steps) {
            from->setFocus();
            QStringList names;
            for (int i = 0; i < steps; ++i) {
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
                names << QApplication::focusWidget()->objectName();
            }
            return names.join(' ');
        };
        QCOMPARE(walk(form.txtNew, 7),
                 "txtConfirm chkShow optRemindQuestion2 txtAnswer cmdCancel cmdOK txtNew");
        form.optRemindQuestion[3]->setChecked(true);
        QCOMPARE(walk(form.chkShow, 3), "optRemindQuestion3 txtOther txtAnswer");
        QVERIFY(loaded() && fixture.forms.boxes.isEmpty());
    }

    // Modify's password and Forgot's answer are compared trimmed and in their case; the
    // password shown exactly as stored. Nothing typed ends the command, as does a question
    // number without an option button.
    void promptsJudgeTrimmedAndExact() {
        const struct {
            bool forgot;
            const char* typed;
            int16_t number;
            const char* boxes; // "open": Modify opened the dialog
        } rows[] = {
            {false, "  Secret ", 3, "open"},
            {false, "secret", 3, "Modify Password Denied | 16"},
            {false, "", 3, ""},
            {false, "Secret", 4, ""},
            {true, " Elm  ", 3, "Password Reminder | 64"},
            {true, "elm", 3, "Answer Denied | 16"},
            {true, "  ", 3, ""},
        };
        for (const auto& row : rows) {
            Fixture fixture;
            fixture.folder.write(
                kPasswordFileName,
                *passwordFileContents(" Secret ", " Street? =  Elm  ", row.number));
            fixture.forms.inputAnswers.enqueue(row.typed);
            frmAdmin* form = nullptr;
            if (row.forgot)
                mForgot_Click();
            else
                form = prepareModifyPassword();
            QCOMPARE(form ? QStringLiteral("open") : fixture.boxes(), QString(row.boxes));
            QCOMPARE(loaded(), form != nullptr);
            // Modify asks for the password masked; Forgot for the answer in clear.
            QCOMPARE(fixture.forms.inputBoxes[0].masked, !row.forgot);
            if (row.forgot) {
                QCOMPARE(fixture.forms.inputBoxes[0].prompt, QStringLiteral("Street?"));
                if (!fixture.forms.boxes.isEmpty() && fixture.forms.boxes[0].style == 64)
                    QVERIFY(fixture.forms.boxes[0].text.endsWith("Your password is  Secret "));
            }
            if (!form)
                continue;
            // Choosing New or Modify again only brings the open dialog forward.
            form->show();
            QVERIFY(!prepareNewPassword() && !prepareModifyPassword());
            QCOMPARE(fixture.forms.inputBoxes.size(), 1);
            QVERIFY(mdlGlobal::bEditMode && form->optRemindQuestion[3]->isChecked());
            QCOMPARE(QStringList({form->txtNew->text(), form->txtConfirm->text(),
                                  form->txtOther->text(), form->txtAnswer->text()}),
                     QStringList({" Secret ", "", "Street?", "Elm"}));
            // Another option clears and disables the own question.
            QTest::mouseClick(form->optRemindQuestion[1], Qt::LeftButton);
            QVERIFY(form->txtOther->text().isEmpty() && !form->txtOther->isEnabled());
        }
    }

    void failureKeepsTheOldFileAndOkRetries() {
        // A save (Modify's when `edit`) whose `occurrence`-th call of `step` fails.
        const struct {
            bool edit;
            const char* step;
            FileError error;
            int occurrence;
            bool reported; // with a "Critical Error" box
        } rows[] = {
            {false, "mayWrite", FileError::NotFound, 1, false}, // the folder is gone
            {false, "mayWrite", FileError::Other, 1, true},
            // The first refusal is the file's own attributes; the retry after the reset is.
            {false, "mayWrite", FileError::AccessDenied, 2, true},
            {false, "create", FileError::AccessDenied, 1, true},
            {true, "create", FileError::Other, 1, true},
            {true, "write", FileError::Other, 1, true},
            {true, "flush", FileError::Other, 1, true},
            {true, "close", FileError::Other, 1, true},
            {true, "setAttr", FileError::Other, 1, true},
            {true, "rename", FileError::Other, 1, true},
        };
        for (const auto& row : rows) {
            const QByteArray at = QByteArray(row.step) + " " + QByteArray::number(row.occurrence);
            Fixture fixture;
            // New finds the empty file the menu refresh leaves; Modify a stored password.
            const std::string old = row.edit ? *passwordFileContents("old", "What? = it", 3) : "";
            fixture.put(kPasswordFileName, old);
            FailingFileSteps steps(row.step, row.error, row.occurrence);
            frmAdmin& form = fixture.show(row.edit);
            // Any Windows-1252 text, "=" in the password; the confirmation is compared trimmed.
            fill(form, " =\u00e9t\u00e9\u20ac", " =\u00e9t\u00e9\u20ac  ", 3, " Town? ",
                 " f\u00fbt ");
            QTest::mouseClick(form.cmdOK, Qt::LeftButton);
            QCOMPARE(fixture.boxes(), row.reported ? "Critical Error | 16" : "");
            QVERIFY2(loaded() && refreshes == 0 && !fixture.tempFileLeft(), at);
            QVERIFY2(fixture.folder.read(kPasswordFileName) == old, at);
            QVERIFY2(!row.edit || fixture.saved() == "old|What?|it|3 7", at);

            // The fields are unchanged, so OK again saves what was typed. A temporary file
            // left by an interrupted run, itself protected, is no obstacle.
            fixture.put("vtrpwd.tmp", "stale");
            fixture.forms.boxes.clear();
            QTest::mouseClick(form.cmdOK, Qt::LeftButton);
            QCOMPARE(fixture.boxes(), QStringLiteral("Veltrane | 64"));
            QVERIFY2(!loaded() && refreshes == (row.edit ? 0 : 1) && !fixture.tempFileLeft(), at);
            QCOMPARE(fixture.saved(), QStringLiteral(" =\u00e9t\u00e9\u20ac|Town?|f\u00fbt|3 7"));
        }
    }
};

QTEST_MAIN(TestPasswordCommands)
#include "test_password_commands.moc"
