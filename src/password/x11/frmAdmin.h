#pragma once
// The password dialog: the user types a password twice, picks a reminder question (a
// fixed one or an own one) and its answer. OK checks the fields in a fixed order and
// then creates the password file (New) or replaces it (Modify), as the mode flags in
// mdlGlobal say. The New and Modify commands load it, preset it and show it modally.
// The password boxes show dots unless "Show" is ticked; Escape cancels; Tab follows the
// screen's order and enters the options at the chosen one, while Enter in a text box
// moves along the text boxes to OK.

#include "password/admin_checks.h"

#include <QDialog>
#include <cstdint>

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

class frmAdmin : public QDialog {
    Q_OBJECT
public:
    frmAdmin();

    QLabel* lblNew;
    QLineEdit* txtNew;
    QLabel* lblConfirm;
    QLineEdit* txtConfirm;
    QCheckBox* chkShow; // shows both password boxes in clear
    QGroupBox* frmQuestion;
    QRadioButton* optRemindQuestion[4];
    QLineEdit* txtOther;
    QLabel* Image1;
    QLabel* Label1;
    QLineEdit* txtAnswer;
    QPushButton* cmdOK;
    QPushButton* cmdCancel;

    // The chosen question's text; emptied on load, computed by OK, extended by a save
    // to question + " = " + answer.
    QString strRemind;
    // The option button clicked or selected last. Kept between openings, as the form's
    // own variable is: both opening commands select a button and so set it again.
    static int16_t intRemind;
    // Called after a new password was saved; tests replace it to watch the call.
    static void (*menuRefresh)();

    void optRemindQuestion_Click(int index);
    // The four text boxes share it: Enter moves on as Tab does. (Enter on a focused
    // button presses it.)
    void textBox_KeyPress(int keyAscii);
    void cmdOK_Click();
    void cmdCancel_Click();
    void saveNewData();
    void saveEditData();

    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    QLineEdit* box(AdminBox which) const;
    // Runs that save and tells the user how it went; true when the file was written.
    bool save(AdminSave kind);
    void placeControls();
    void placeOptionsInFrame();
    void setTabOrderAsShown();
    // Tab reaches the chosen option only; the arrow keys move among them.
    void letTabReachChosenOption();
    QButtonGroup* options_;
    bool enterMovesOn_ = false; // the next Tab is the one an Enter injected
};
