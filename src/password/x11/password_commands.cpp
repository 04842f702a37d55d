#include "password/x11/password_commands.h"

#include "password/password_prompts.h"
#include "password/prompt_position.h"
#include "password/x11/frmAdmin.h"
#include "platform/x11/ansi_text.h"
#include "platform/x11/forms.h"
#include "platform/x11/forms_services.h"
#include "platform/x11/on_error.h"
#include "shell/menu_commands.h"
#include "store/mdlGlobal.h"
#include "store/password_file.h"
#include "store/text_rules.h"

#include <QLineEdit>
#include <QPointer>
#include <QRadioButton>

namespace {

// The prompt box at one third of the screen, its answer judged against `stored`. A
// character the file can not hold never matches what it holds.
// A password is asked for masked; a reminder's answer in clear.
PromptAnswer ask(const QString& prompt, const QString& title, const std::string& stored,
                 bool masked) {
    const platform::ScreenTwips screen = platform::forms().screen();
    const TwipsPoint at = promptPosition(screen.width, screen.height);
    const QString typed = platform::forms().inputBox(prompt, title, at.left, at.top, masked);
    if (!platform::hasAnsiCodes(typed))
        return PromptAnswer::Wrong;
    return judgePromptAnswer(platform::toAnsi(typed), stored);
}

void tell(const AdminMessage& message) {
    platform::forms().msgBox(platform::fromAnsi(message.text), message.style,
                             platform::fromAnsi(message.title));
}

// The tray menu stays usable while the dialog is open: choosing New or Modify again
// only brings the open dialog forward, so what is typed there is not reset.
bool dialogAlreadyOpen() {
    frmAdmin* open = platform::formSlot<frmAdmin>().loaded();
    if (!open || !open->isVisible())
        return false;
    open->raise();
    open->activateWindow();
    return true;
}

void showModal(frmAdmin* form) {
    if (!form)
        return;
    QPointer<frmAdmin> guard(form);
    platform::showModal(*form);
    // Closed without a save or Cancel (the dialog hid itself): it goes all the same.
    if (guard && platform::isFormLoaded(guard))
        platform::unloadForm(guard);
}

} // namespace

frmAdmin* prepareNewPassword() {
    if (dialogAlreadyOpen())
        return nullptr;
    mdlGlobal::bEditMode = false;
    mdlGlobal::bNewMode = true;
    frmAdmin& form = platform::formSlot<frmAdmin>().get();
    form.optRemindQuestion[0]->setChecked(true);
    form.txtOther->setEnabled(false);
    return &form;
}

frmAdmin* prepareModifyPassword() {
    if (dialogAlreadyOpen())
        return nullptr;
    if (!readPasswordFile(kPasswordFileName))
        return nullptr;
    if (!promptAccepted(ask(platform::fromAnsi(kModifyPrompt), platform::fromAnsi(kModifyTitle),
                            mdlGlobal::strPassword, true),
                        modifyDeniedMessage(), tell))
        return nullptr;
    // There is no option button for any other number: the command ends here.
    const int question = mdlGlobal::intQuestion;
    if (question < 0 || question > 3)
        return nullptr;

    mdlGlobal::bEditMode = true;
    mdlGlobal::bNewMode = false;
    frmAdmin& form = platform::formSlot<frmAdmin>().get();
    form.txtNew->setText(platform::fromAnsi(mdlGlobal::strPassword));
    form.optRemindQuestion[question]->setChecked(true);
    if (question == 3) {
        form.txtOther->setText(platform::fromAnsi(mdlGlobal::strQuestion));
        form.txtOther->setEnabled(true);
    } else {
        form.txtOther->clear();
        form.txtOther->setEnabled(false);
    }
    form.txtAnswer->setText(platform::fromAnsi(mdlGlobal::strAnswer));
    return &form;
}

void mNew_Click() {
    platform::continueOnError([] { showModal(prepareNewPassword()); });
}

void mModify_Click() {
    platform::continueOnError([] { showModal(prepareModifyPassword()); });
}

void mForgot_Click() {
    platform::continueOnError([] {
        if (!readPasswordFile(kPasswordFileName))
            return;
        if (promptAccepted(ask(platform::fromAnsi(trimBlanks(mdlGlobal::strQuestion)),
                               platform::fromAnsi(kForgotTitle), mdlGlobal::strAnswer, false),
                           forgotDeniedMessage(), tell))
            tell({forgotRevealText(mdlGlobal::strPassword).c_str(), platform::vbInformation,
                  kForgotTitle});
    });
}
