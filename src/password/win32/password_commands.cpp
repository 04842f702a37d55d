// Password > New, Modify and Forgot in the Windows program.

#include "password/password_prompts.h"
#include "password/prompt_position.h"
#include "password/win32/frmAdmin.h"
#include "platform/win32/win32_forms.h"
#include "shell/menu_commands.h"
#include "shell/running_flag.h"
#include "store/mdlGlobal.h"
#include "store/password_file.h"
#include "store/text_rules.h"

namespace {

// The prompt box at one third of the screen.
std::string ask(const std::string& prompt, const std::string& title) {
    const TwipsPoint at = promptPosition(win32::screenTwipsWidth(), win32::screenTwipsHeight());
    return win32::inputBox(prompt, title, at.left, at.top);
}

void tell(const AdminMessage& message) {
    win32::msgBox(message.text, message.style, message.title);
}

// A password command chosen again from the tray while one is under way (its prompt,
// its message or the dialog open) brings that box forward, so that what is typed there
// is kept and no second box opens.
bool commandRunning = false;

bool alreadyOpen(const RunningFlag& run) {
    if (run.first())
        return false;
    win32::bringOpenWindowForward();
    return true;
}

} // namespace

void mNew_Click() {
    const RunningFlag run(commandRunning);
    if (alreadyOpen(run))
        return;
    mdlGlobal::bEditMode = false;
    mdlGlobal::bNewMode = true;
    frmAdmin form;
    form.selectQuestion(0);
    EnableWindow(form.txtOther, FALSE);
    form.show();
}

void mModify_Click() {
    const RunningFlag run(commandRunning);
    if (alreadyOpen(run) || !readPasswordFile(kPasswordFileName))
        return;
    if (!promptAccepted(judgePromptAnswer(ask(kModifyPrompt, kModifyTitle), mdlGlobal::strPassword),
                        modifyDeniedMessage(), tell))
        return;
    // There is no option button for any other number: the command ends here.
    const int question = mdlGlobal::intQuestion;
    if (question < 0 || question > 3)
        return;
    mdlGlobal::bEditMode = true;
    mdlGlobal::bNewMode = false;
    frmAdmin form;
    SetWindowTextA(form.txtNew, mdlGlobal::strPassword.c_str());
    form.selectQuestion(question);
    if (question == 3) {
        SetWindowTextA(form.txtOther, mdlGlobal::strQuestion.c_str());
        EnableWindow(form.txtOther, TRUE);
    } else {
        SetWindowTextA(form.txtOther, "");
        EnableWindow(form.txtOther, FALSE);
    }
    SetWindowTextA(form.txtAnswer, mdlGlobal::strAnswer.c_str());
    form.show();
}

void mForgot_Click() {
    const RunningFlag run(commandRunning);
    if (alreadyOpen(run) || !readPasswordFile(kPasswordFileName))
        return;
    if (promptAccepted(judgePromptAnswer(ask(trimBlanks(mdlGlobal::strQuestion), kForgotTitle),
                                         mdlGlobal::strAnswer),
                       forgotDeniedMessage(), tell))
        win32::msgBox(forgotRevealText(mdlGlobal::strPassword), MB_OK | MB_ICONINFORMATION,
                      kForgotTitle);
}
