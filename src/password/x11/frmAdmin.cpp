#include "password/x11/frmAdmin.h"

#include "password/admin_checks.h"
#include "password/admin_layout.h"
#include "password/x11/padlock_icon.h"
#include "platform/program_folder.h"
#include "platform/x11/ansi_text.h"
#include "platform/x11/forms.h"
#include "platform/x11/forms_services.h"
#include "platform/x11/on_error.h"
#include "platform/x11/twips_geometry.h"
#include "shell/mdlKeyCode.h"
#include "store/mdlGlobal.h"
#include "store/password_file.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>
#include <initializer_list>
#include <iterator>
#include <utility>
#include <vector>

using platform::FileError;

int16_t frmAdmin::intRemind = 0;
void (*frmAdmin::menuRefresh)() = &refreshPasswordMenu;

namespace {

constexpr int kCarriageReturn = 13;

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
    // Passwords are not shown to whoever stands behind the user, unless asked for.
    txtNew->setEchoMode(QLineEdit::Password);
    txtConfirm->setEchoMode(QLineEdit::Password);
    chkShow = new QCheckBox(QStringLiteral("Show"), this);
    chkShow->setObjectName(QStringLiteral("chkShow"));
    frmQuestion = new QGroupBox(QStringLiteral("Reminder Question?"), this);
    frmQuestion->setObjectName(QStringLiteral("frmQuestion"));
    txtOther = textBox(frmQuestion, "txtOther", 1000);
    Image1 = new QLabel(frmQuestion);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(padlockIcon());
    Image1->setAlignment(Qt::AlignCenter);
    // The options sit inside the frame, one group of mutually exclusive choices.
    options_ = new QButtonGroup(this);
    options_->setExclusive(true);
    for (int i = 0; i < 4; ++i) {
        optRemindQuestion[i] = new QRadioButton(QLatin1String(kQuestionCaptions[i]), frmQuestion);
        optRemindQuestion[i]->setObjectName(QStringLiteral("optRemindQuestion%1").arg(i));
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
        letTabReachChosenOption();
    });
    connect(chkShow, &QCheckBox::toggled, this, [this](bool shown) {
        for (QLineEdit* password : {txtNew, txtConfirm})
            password->setEchoMode(shown ? QLineEdit::Normal : QLineEdit::Password);
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
    }
    // "Show" takes the right end of the password boxes' column, between the two rows.
    chkShow->setFont(font);
    const int showWidth = chkShow->sizeHint().width();
    const QRect first = txtNew->geometry(), second = txtConfirm->geometry();
    for (QLineEdit* password : {txtNew, txtConfirm})
        password->setFixedWidth(first.width() - showWidth - first.height() / 2);
    chkShow->setGeometry(first.right() - showWidth + 1,
                         (first.top() + second.bottom()) / 2 - chkShow->sizeHint().height() / 2,
                         showWidth, chkShow->sizeHint().height());
    placeOptionsInFrame();
    setTabOrderAsShown();
}

void frmAdmin::placeOptionsInFrame() {
    // The design puts the first option on the frame's caption; the options go down below
    // it, closer together where the own-question box leaves them less room.
    frmQuestion->ensurePolished();
    const int top = frmQuestion->contentsRect().top();
    const QRect firstOption = optRemindQuestion[0]->geometry();
    const int shift = std::max(0, top - firstOption.top());
    const int designPitch = optRemindQuestion[1]->y() - firstOption.y();
    const int room = txtOther->y() - 2 - (firstOption.top() + shift) - firstOption.height();
    const int pitch = std::min(designPitch, room / 3);
    for (int i = 0; i < 4; ++i)
        optRemindQuestion[i]->move(optRemindQuestion[i]->x(),
                                   firstOption.top() + shift + i * pitch);
}

void frmAdmin::setTabOrderAsShown() {
    const QWidget* order[] = {txtNew,
                              txtConfirm,
                              chkShow,
                              optRemindQuestion[0],
                              optRemindQuestion[1],
                              optRemindQuestion[2],
                              optRemindQuestion[3],
                              txtOther,
                              txtAnswer,
                              cmdCancel,
                              cmdOK};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(const_cast<QWidget*>(order[i - 1]), const_cast<QWidget*>(order[i]));
    letTabReachChosenOption();
}

void frmAdmin::letTabReachChosenOption() {
    for (QRadioButton* option : optRemindQuestion)
        option->setFocusPolicy(option->isChecked() ? Qt::StrongFocus : Qt::ClickFocus);
}

bool frmAdmin::focusNextPrevChild(bool next) {
    if (!std::exchange(enterMovesOn_, false) || !next)
        return QDialog::focusNextPrevChild(next);
    // Enter's way: the text boxes that can take text, then OK.
    QWidget* const path[] = {txtNew, txtConfirm, txtOther, txtAnswer, cmdOK};
    const auto from = std::find(std::begin(path), std::end(path), focusWidget());
    if (from == std::end(path))
        return QDialog::focusNextPrevChild(next);
    const auto to = std::find_if(from + 1, std::end(path),
                                 [](QWidget* control) { return control->isEnabled(); });
    if (to == std::end(path))
        return QDialog::focusNextPrevChild(next);
    (*to)->setFocus(Qt::TabFocusReason);
    return true;
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
    if (keyAscii == kCarriageReturn) {
        enterMovesOn_ = true;
        platform::continueOnError([] { platform::forms().sendKeys(QStringLiteral("{Tab}")); });
    }
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

QLineEdit* frmAdmin::box(AdminBox which) const {
    return boxNamed(which, txtNew, txtConfirm, txtOther, txtAnswer);
}

void frmAdmin::cmdOK_Click() {
    AdminEntries entries{platform::toAnsi(txtNew->text()),
                         platform::toAnsi(txtConfirm->text()),
                         platform::toAnsi(txtOther->text()),
                         platform::toAnsi(txtAnswer->text()),
                         options_->checkedId(),
                         intRemind,
                         platform::toAnsi(strRemind),
                         {}};
    for (AdminBox which : {AdminBox::New, AdminBox::Confirm, AdminBox::Other, AdminBox::Answer}) {
        if (!entries.unstorable && !platform::hasAnsiCodes(box(which)->text()))
            entries.unstorable = which;
    }
    const AdminVerdict verdict =
        checkAdminEntries(entries, mdlGlobal::bEditMode, mdlGlobal::bNewMode);
    strRemind = platform::fromAnsi(verdict.remind);
    if (const auto& refusal = verdict.refusal) {
        QLineEdit* focus = box(refusal->focus);
        carryOutRefusal(
            *refusal, [focus] { focus->setFocus(); },
            [focus] { focus->setSelection(0, static_cast<int>(focus->text().size())); },
            [&refusal] {
                platform::forms().msgBox(platform::fromAnsi(refusal->message), platform::vbCritical,
                                         platform::fromAnsi(refusal->title));
            });
        return;
    }
    if (verdict.save == AdminSave::New)
        saveNewData();
    else if (verdict.save == AdminSave::Edit)
        saveEditData();
}

void frmAdmin::cmdCancel_Click() {
    platform::unloadForm(this);
}

void frmAdmin::reject() {
    // The close box: leave as Cancel does.
    platform::unloadForm(this);
}

bool frmAdmin::save(AdminSave kind) {
    std::string remind = platform::toAnsi(strRemind);
    const std::string password = platform::toAnsi(txtNew->text());
    const std::string answer = platform::toAnsi(txtAnswer->text());
    const FileError result = kind == AdminSave::New
                                 ? saveNewPassword(password, remind, answer, intRemind)
                                 : saveEditedPassword(password, remind, answer, intRemind);
    strRemind = platform::fromAnsi(remind);
    if (const auto message = adminSaveMessage(kind, result))
        platform::forms().msgBox(QLatin1String(message->text), message->style,
                                 QLatin1String(message->title));
    return result == FileError::None;
}

void frmAdmin::saveNewData() {
    if (!save(AdminSave::New))
        return;
    if (menuRefresh)
        menuRefresh();
    platform::unloadForm(this);
}

void frmAdmin::saveEditData() {
    if (save(AdminSave::Edit))
        platform::unloadForm(this);
}
