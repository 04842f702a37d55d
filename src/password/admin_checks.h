#pragma once
// What OK in the password dialog checks, in its order, and what each refusal says; and
// what the saves tell the user. Both programs' dialogs ask these and carry the answer
// out with their own controls. Text is Windows-1252.

#include "platform/file_attributes.h"

#include <cstdint>
#include <optional>
#include <string>

// The captions of the four reminder options.
extern const char* const kQuestionCaptions[4];

enum class AdminBox { New, Confirm, Other, Answer };

struct AdminEntries {
    std::string password; // txtNew, as typed
    std::string confirm;  // txtConfirm
    std::string other;    // txtOther
    std::string answer;   // txtAnswer
    int selected = -1;    // the option button that is on; -1 none
    int16_t intRemind = 0;
    std::string remind; // strRemind before this press
    // The first box holding a character the password file can not keep (the X11
    // program's boxes take any character; the Windows ones only single bytes).
    std::optional<AdminBox> unstorable;
};

struct AdminRefusal {
    AdminBox focus;
    std::string message;
    std::string title;
    bool selectAll = false;     // the box's whole text selected, so that typing replaces it
    bool focusAfterBox = false; // the focus moves once the box is closed, not before
};

enum class AdminSave { None, New, Edit };

struct AdminVerdict {
    std::string remind; // strRemind after the checks
    std::optional<AdminRefusal> refusal;
    AdminSave save = AdminSave::None; // with no refusal: which save the mode flags choose
};

AdminVerdict checkAdminEntries(const AdminEntries& entries, bool editMode, bool newMode);

// The one of a dialog's four boxes that `which` names.
template <class Box>
Box boxNamed(AdminBox which, Box txtNew, Box txtConfirm, Box txtOther, Box txtAnswer) {
    switch (which) {
    case AdminBox::New:
        return txtNew;
    case AdminBox::Confirm:
        return txtConfirm;
    case AdminBox::Other:
        return txtOther;
    case AdminBox::Answer:
        break;
    }
    return txtAnswer;
}

// Carries a refusal out with a dialog's own means: the focus moves before the box (or
// after it), the box's text is selected where asked, so that typing replaces it.
template <class Focus, class SelectAll, class ShowBox>
void carryOutRefusal(const AdminRefusal& refusal, Focus focus, SelectAll selectAll,
                     ShowBox showBox) {
    if (!refusal.focusAfterBox)
        focus();
    if (refusal.selectAll)
        selectAll();
    showBox();
    if (refusal.focusAfterBox)
        focus();
}

// A message box of the saves: text, style and title.
struct AdminMessage {
    const char* text;
    int style;
    const char* title;
};

// Writes "vtrpwd.sys" for a new password. A file the menu refresh left read-only, hidden
// and system is made normal and tried once more. `remind` is extended in place to
// question + " = " + trimmed answer. NotFound means the user is told nothing.
platform::FileError saveNewPassword(const std::string& password, std::string& remind,
                                    const std::string& answer, int16_t number);
// Replaces "vtrpwd.sys" for a changed password, extending `remind` the same way.
platform::FileError saveEditedPassword(const std::string& password, std::string& remind,
                                       const std::string& answer, int16_t number);
// What the user is told after a save of that kind ended so; nothing for NotFound of New.
std::optional<AdminMessage> adminSaveMessage(AdminSave save, platform::FileError result);
