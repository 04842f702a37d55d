#include "password/frmAdmin.h"

#include "password/admin_layout.h"
#include "password/padlock_icon.h"
#include "password/password_save.h"
#include "password/trim_spaces.h"
#include "platform/ansi_text.h"
#include "platform/forms.h"
#include "platform/forms_services.h"
#include "platform/on_error.h"
#include "platform/program_folder.h"
#include "platform/twips_geometry.h"
#include "shell/mdlKeyCode.h"
#include "store/mdlGlobal.h"
#include "store/password_file.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>
#include <initializer_list>
#include <vector>

using platform::FileError;

int16_t frmAdmin::intRemind = 0;
void (*frmAdmin::menuRefresh)() = &refreshPasswordMenu;

namespace {

constexpr int kCarriageReturn = 13;

const char* const kQuestionCaptions[4] = {
    "What is your favourite sport?",
    "What is your favourite colour?",
    "What is your favourite movie?",
    "Other ( enter to create your own question )",
};

QLineEdit* textBox(QWidget* parent, const char* name, int maxLength) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(QLatin1String(name));
    box->setMaxLength(maxLength);
    return box;
}

QLabel* label(QWidget* parent, const char* name, const char* caption) {
    auto* text = new QLabel(QLatin1String(caption), parent);
    text->setObjectName(QLatin1String(name));
    return text;
}

// A button that is never the dialog's default: a QDialog presses its default button on
// Enter wherever the focus is, and an auto-default button becomes the default while it
// has the focus. Enter in a text box must not press OK; the key filter presses a focused
// button itself.
QPushButton* button(QWidget* parent, const char* name, const char* caption) {
    auto* push = new QPushButton(QLatin1String(caption), parent);
    push->setObjectName(QLatin1String(name));
    push->setAutoDefault(false);
    push->setDefault(false);
    return push;
}

QRect placeOf(const adminLayout::ControlTwips& control) {
    return pixelRect(control.left, control.top, control.width, control.height);
}

// The password file keeps question and answer on one line joined by "=", so an "=" in
// either would move the split when the file is read back.
QString equalsRefusal(const char* boxName) {
    return QStringLiteral("The %1 box holds \"=\", which can not be stored in the password "
                          "file. Please leave it out.")
        .arg(QLatin1String(boxName));
}

QString storageRefusal() {
    return QStringLiteral("This box holds characters that can not be stored in the password "
                          "file. Please use only the letters, digits and signs of Western "
                          "European languages.");
}

} // namespace

frmAdmin::frmAdmin() {
    setObjectName(QStringLiteral("frmAdmin"));
    setWindowTitle(QStringLiteral("Password"));
    // A window of its own rather than a dialog type: dialogs become transient windows,
    // which taskbars leave out, and this one has a taskbar button. No minimize or
    // maximize box.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);

    lblNew = label(this, "lblNew", "Your Password:");
    txtNew = textBox(this, "txtNew", 255);
    lblConfirm = label(this, "lblConfirm", "Confirm Password:");
    txtConfirm = textBox(this, "txtConfirm", 255);
    frmQuestion = new QGroupBox(QStringLiteral("Reminder Question?"), this);
    frmQuestion->setObjectName(QStringLiteral("frmQuestion"));
    txtOther = textBox(frmQuestion, "txtOther", 1000);
    Image1 = new QLabel(frmQuestion);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(padlockIcon());
    Image1->setAlignment(Qt::AlignCenter);
    // The options belong to the form and lie over the frame, drawn above it.
    options_ = new QButtonGroup(this);
    options_->setExclusive(true);
    for (int i = 0; i < 4; ++i) {
        optRemindQuestion[i] = new QRadioButton(QLatin1String(kQuestionCaptions[i]), this);
        optRemindQuestion[i]->setObjectName(QStringLiteral("optRemindQuestion%1").arg(i));
        optRemindQuestion[i]->raise();
        options_->addButton(optRemindQuestion[i], i);
    }
    Label1 = label(this, "Label1", "Answer:");
    txtAnswer = textBox(this, "txtAnswer", 1000);
    cmdOK = button(this, "cmdOK", "OK");
    cmdCancel = button(this, "cmdCancel", "Cancel");
    placeControls();
    // The dialog opens in the first box of the tab order.
    txtNew->setFocus();

    // Each load starts without a chosen question.
    strRemind.clear();

    connect(options_, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked)
            optRemindQuestion_Click(id);
    });
    for (QWidget* control :
         std::initializer_list<QWidget*>{txtNew, txtConfirm, txtOther, txtAnswer, cmdOK, cmdCancel})
        control->installEventFilter(this);
    // On a failure the dialog stays open with what the user typed; OK can be pressed again.
    connect(cmdOK, &QPushButton::clicked, this,
            [this] { platform::continueOnError([this] { cmdOK_Click(); }); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
}

void frmAdmin::placeControls() {
    QFont font(QStringLiteral("Verdana"));
    font.setPointSizeF(8.25);
    font.setWeight(QFont::Normal);
    setFont(font);
    setFixedSize(pixelsX(adminLayout::kClientWidth), pixelsY(adminLayout::kClientHeight));

    const QRect frame = placeOf(*adminLayout::find("frmQuestion"));
    std::vector<const adminLayout::ControlTwips*> tabOrder;
    for (const adminLayout::ControlTwips& control : adminLayout::kControls) {
        auto* widget = findChild<QWidget*>(QLatin1String(control.name));
        if (!widget)
            continue;
        QRect place = placeOf(control);
        // Frame children are placed from the frame's corner.
        if (widget->parentWidget() == frmQuestion)
            place.translate(-frame.topLeft());
        widget->setGeometry(place);
        widget->setFont(font);
        if (control.tabIndex >= 0 && widget->focusPolicy() != Qt::NoFocus)
            tabOrder.push_back(&control);
    }
    std::sort(tabOrder.begin(), tabOrder.end(),
              [](const auto* a, const auto* b) { return a->tabIndex < b->tabIndex; });
    for (size_t i = 1; i < tabOrder.size(); ++i) {
        setTabOrder(findChild<QWidget*>(QLatin1String(tabOrder[i - 1]->name)),
                    findChild<QWidget*>(QLatin1String(tabOrder[i]->name)));
    }
}

void frmAdmin::optRemindQuestion_Click(int index) {
    if (index < 3) {
        txtOther->clear();
        txtOther->setEnabled(false);
    } else {
        txtOther->setEnabled(true);
    }
    intRemind = static_cast<int16_t>(index);
}

void frmAdmin::textBox_KeyPress(int keyAscii) {
    // The Enter itself goes on to the box; the injected Tab follows it.
    if (keyAscii == kCarriageReturn)
        platform::continueOnError([] { platform::forms().sendKeys(QStringLiteral("{Tab}")); });
}

bool frmAdmin::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const auto* keyEvent = static_cast<QKeyEvent*>(event);
        const int key = keyEvent->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            // Enter presses a focused button, as Space does; the Enter path ends on OK, so
            // that is where a keyboard user presses it. A held Enter that moved the focus
            // there does not press it by repeating.
            if (auto* push = qobject_cast<QPushButton*>(watched)) {
                if (!keyEvent->isAutoRepeat())
                    push->click();
                return true;
            }
            textBox_KeyPress(kCarriageReturn);
        }
    }
    return QDialog::eventFilter(watched, event);
}

void frmAdmin::keyPressEvent(QKeyEvent* event) {
    // No button is bound to Escape, so it does not close the dialog.
    if (event->key() == Qt::Key_Escape)
        return;
    QDialog::keyPressEvent(event);
}

bool frmAdmin::refuse(QLineEdit* focus, const QString& text, const QString& title, bool selectAll) {
    focus->setFocus();
    // Selected, so that typing replaces it.
    if (selectAll)
        focus->setSelection(0, static_cast<int>(focus->text().size()));
    platform::forms().msgBox(text, platform::vbCritical, title);
    return false;
}

bool frmAdmin::takeReminderQuestion() {
    if (optRemindQuestion[0]->isChecked() || optRemindQuestion[1]->isChecked() ||
        optRemindQuestion[2]->isChecked()) {
        // The caption comes from the button intRemind names; selecting a button set it.
        if (intRemind >= 0 && intRemind < 3)
            strRemind = trimSpaces(optRemindQuestion[intRemind]->text());
    } else if (optRemindQuestion[3]->isChecked()) {
        if (txtOther->text().isEmpty()) {
            platform::forms().msgBox(
                QStringLiteral("You have selected creating your own question\n\r"
                               "you can not leave it blank please enter."),
                platform::vbCritical, QStringLiteral("Question Required"));
            txtOther->setFocus();
            strRemind.clear();
            return false;
        }
        strRemind = trimSpaces(txtOther->text());
    }
    return true;
}

bool frmAdmin::hasOnlyStorableText() {
    for (QLineEdit* box : {txtNew, txtConfirm, txtOther, txtAnswer}) {
        if (!platform::hasAnsiCodes(box->text()))
            return refuse(box, storageRefusal(), QStringLiteral("Password Error"));
    }
    if (strRemind.contains(QLatin1Char('=')))
        return refuse(txtOther, equalsRefusal("question"), QStringLiteral("Password Error"));
    if (txtAnswer->text().contains(QLatin1Char('=')))
        return refuse(txtAnswer, equalsRefusal("answer"), QStringLiteral("Password Error"));
    return true;
}

void frmAdmin::cmdOK_Click() {
    if (txtNew->text().isEmpty()) {
        refuse(txtNew, QStringLiteral("Password can not be blank. Please enter"),
               QStringLiteral("Password Required"));
        return;
    }
    if (txtConfirm->text().isEmpty()) {
        refuse(txtConfirm, QStringLiteral("Confirm password can not be blank. Please enter"),
               QStringLiteral("Confirm Password Required"));
        return;
    }
    if (trimSpaces(txtNew->text()) != trimSpaces(txtConfirm->text())) {
        refuse(txtConfirm, QStringLiteral("Your password and Confirm password does not match"),
               QStringLiteral("Password Error"), true);
        return;
    }
    if (!takeReminderQuestion())
        return;
    if (txtAnswer->text().isEmpty()) {
        refuse(txtAnswer, QStringLiteral("Answer can not be blank. Please enter"),
               QStringLiteral("Anwser Required"));
        return;
    }
    // What cannot be stored would come back as something else: a password that never
    // unlocks, an answer that is never right.
    if (!hasOnlyStorableText())
        return;
    if (!mdlGlobal::bEditMode && mdlGlobal::bNewMode)
        saveNewData();
    else if (mdlGlobal::bEditMode && !mdlGlobal::bNewMode)
        saveEditData();
}

void frmAdmin::cmdCancel_Click() {
    platform::unloadForm(this);
}

void frmAdmin::reject() {
    // The close box: leave as Cancel does.
    platform::unloadForm(this);
}

FileError frmAdmin::writePasswordFile() {
    strRemind += QStringLiteral(" = ") + trimSpaces(txtAnswer->text());
    const auto contents = passwordFileContents(platform::toAnsi(txtNew->text()),
                                               platform::toAnsi(strRemind), intRemind);
    return contents ? replacePasswordFile(*contents) : FileError::Other;
}

void frmAdmin::saveNewData() {
    FileError result = passwordFileWritable();
    if (result == FileError::AccessDenied) {
        // The file the menu refresh leaves is read-only, hidden and system: reset, retry once.
        platform::fileAttributes().setAttr(programFilePath(kPasswordFileName), platform::vbNormal);
        result = passwordFileWritable();
    }
    if (result == FileError::None)
        result = writePasswordFile();
    if (result == FileError::NotFound)
        return;
    if (result != FileError::None) {
        platform::forms().msgBox(
            QStringLiteral("Unable to create new password please try again later"),
            platform::vbCritical, QStringLiteral("Critical Error"));
        return;
    }
    platform::forms().msgBox(QStringLiteral("Your password has been created successfully "),
                             platform::vbInformation, QStringLiteral("Veltrane"));
    if (menuRefresh)
        menuRefresh();
    platform::unloadForm(this);
}

void frmAdmin::saveEditData() {
    if (writePasswordFile() != FileError::None) {
        platform::forms().msgBox(QStringLiteral("Unable to edit password please try again later"),
                                 platform::vbCritical, QStringLiteral("Critical Error"));
        return;
    }
    platform::forms().msgBox(QStringLiteral("Your password detail has been saved successfully "),
                             platform::vbInformation, QStringLiteral("Veltrane"));
    platform::unloadForm(this);
}
