#include "password/admin_checks.h"

#include "password/password_save.h"
#include "platform/program_folder.h"
#include "store/password_file.h"
#include "store/text_rules.h"

using platform::FileError;

const char* const kQuestionCaptions[4] = {
    "What is your favourite sport?",
    "What is your favourite colour?",
    "What is your favourite movie?",
    "Other ( enter to create your own question )",
};

namespace {

constexpr int kStop = 16;
constexpr int kInformation = 64;

AdminVerdict refused(std::string remind, AdminBox focus, std::string message, std::string title,
                     bool selectAll = false, bool focusAfterBox = false) {
    return {std::move(remind),
            AdminRefusal{focus, std::move(message), std::move(title), selectAll, focusAfterBox},
            AdminSave::None};
}

// The password file keeps question and answer on one line joined by "=", so an "=" in
// either would move the split when the file is read back.
std::string equalsRefusal(const char* boxName) {
    return std::string("The ") + boxName +
           " box holds \"=\", which can not be stored in the password file. Please leave it out.";
}

// Extends `remind` and writes the file.
FileError writePasswordFile(const std::string& password, std::string& remind,
                            const std::string& answer, int16_t number) {
    remind += " = " + trimBlanks(answer);
    const auto contents = passwordFileContents(password, remind, number);
    return contents ? replacePasswordFile(*contents) : FileError::Other;
}

} // namespace

AdminVerdict checkAdminEntries(const AdminEntries& entries, bool editMode, bool newMode) {
    std::string remind = entries.remind;
    if (entries.password.empty())
        return refused(remind, AdminBox::New, "Password can not be blank. Please enter",
                       "Password Required");
    if (entries.confirm.empty())
        return refused(remind, AdminBox::Confirm, "Confirm password can not be blank. Please enter",
                       "Confirm Password Required");
    if (trimBlanks(entries.password) != trimBlanks(entries.confirm))
        return refused(remind, AdminBox::Confirm,
                       "Your password and Confirm password does not match", "Password Error", true);
    if (entries.selected >= 0 && entries.selected < 3) {
        // The caption comes from the button intRemind names; selecting a button set it.
        if (entries.intRemind >= 0 && entries.intRemind < 3)
            remind = trimBlanks(kQuestionCaptions[entries.intRemind]);
    } else if (entries.selected == 3) {
        if (entries.other.empty())
            return refused("", AdminBox::Other,
                           "You have selected creating your own question\n\r"
                           "you can not leave it blank please enter.",
                           "Question Required", false, true);
        remind = trimBlanks(entries.other);
    }
    if (entries.answer.empty())
        return refused(remind, AdminBox::Answer, "Answer can not be blank. Please enter",
                       "Anwser Required");
    // What cannot be stored would come back as something else: a password that never
    // unlocks, an answer that is never right.
    if (entries.unstorable)
        return refused(remind, *entries.unstorable,
                       "This box holds characters that can not be stored in the password "
                       "file. Please use only the letters, digits and signs of Western "
                       "European languages.",
                       "Password Error");
    if (remind.find('=') != std::string::npos)
        return refused(remind, AdminBox::Other, equalsRefusal("question"), "Password Error");
    if (entries.answer.find('=') != std::string::npos)
        return refused(remind, AdminBox::Answer, equalsRefusal("answer"), "Password Error");
    AdminSave save = AdminSave::None;
    if (!editMode && newMode)
        save = AdminSave::New;
    else if (editMode && !newMode)
        save = AdminSave::Edit;
    return {remind, std::nullopt, save};
}

FileError saveNewPassword(const std::string& password, std::string& remind,
                          const std::string& answer, int16_t number) {
    FileError result = passwordFileWritable();
    if (result == FileError::AccessDenied) {
        // The file the menu refresh leaves is read-only, hidden and system: reset, retry once.
        platform::fileAttributes().setAttr(programFilePath(kPasswordFileName), platform::vbNormal);
        result = passwordFileWritable();
    }
    return result == FileError::None ? writePasswordFile(password, remind, answer, number) : result;
}

FileError saveEditedPassword(const std::string& password, std::string& remind,
                             const std::string& answer, int16_t number) {
    return writePasswordFile(password, remind, answer, number);
}

std::optional<AdminMessage> adminSaveMessage(AdminSave save, FileError result) {
    if (save == AdminSave::New) {
        if (result == FileError::NotFound)
            return std::nullopt;
        if (result != FileError::None)
            return AdminMessage{"Unable to create new password please try again later", kStop,
                                "Critical Error"};
        return AdminMessage{"Your password has been created successfully ", kInformation,
                            "Veltrane"};
    }
    if (result != FileError::None)
        return AdminMessage{"Unable to edit password please try again later", kStop,
                            "Critical Error"};
    return AdminMessage{"Your password detail has been saved successfully ", kInformation,
                        "Veltrane"};
}
