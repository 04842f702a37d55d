#include "shell/mdlKeyCode.h"

#include "platform/file_attributes.h"
#include "platform/forms.h"
#include "platform/program_folder.h"
#include "shell/frmMenu.h"
#include "store/password_file.h"

#include <cstdio>

namespace {

using platform::FileError;

void createEmptyFile(const std::string& path) {
    if (std::FILE* file = std::fopen(path.c_str(), "wb"))
        std::fclose(file);
}

// True when the file is there (and visible) for reading; false when it could not be made.
bool ensureFileExists(const std::string& path) {
    for (int attempt = 0; attempt < kPasswordFileCreateTries; ++attempt) {
        if (platform::fileExists(path))
            return true;
        createEmptyFile(path);
    }
    return platform::fileExists(path);
}

void showPasswordState(bool stored) {
    frmMenu& menu = platform::formSlot<frmMenu>().get();
    menu.mNew->setEnabled(!stored);
    menu.mModify->setEnabled(stored);
    menu.mForgot->setEnabled(stored);
}

} // namespace

void refreshPasswordMenu() {
    const std::string path = programFilePath(kPasswordFileName);
    const FileError cleared = platform::fileAttributes().setAttr(path, platform::vbNormal);
    const bool usable =
        (cleared == FileError::None || cleared == FileError::NotFound) && ensureFileExists(path);
    if (usable)
        showPasswordState(readPasswordFile(kPasswordFileName));
    platform::fileAttributes().setAttr(path, platform::vbReadOnly | platform::vbHidden |
                                                 platform::vbSystem);
}
