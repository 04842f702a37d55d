#include "shell/menu_states.h"

#include "password/password_file_steps.h"
#include "platform/file_attributes.h"
#include "platform/program_folder.h"
#include "store/password_file.h"

namespace {

using platform::FileError;

// True when the file is there (and visible) for reading; false when it could not be made.
bool ensureFileExists(const std::string& path) {
    for (int attempt = 0; attempt < kPasswordFileCreateTries; ++attempt) {
        if (platform::fileExists(path))
            return true;
        // Only when absent: another instance of this user may have just written its
        // password there.
        passwordFileSteps().createIfAbsent(path);
    }
    return platform::fileExists(path);
}

} // namespace

PasswordCommandStates passwordCommandStates(bool passwordStored) {
    return {!passwordStored, passwordStored, passwordStored};
}

std::optional<PasswordCommandStates> refreshPasswordFile() {
    const std::string path = programFilePath(kPasswordFileName);
    const FileError cleared = platform::fileAttributes().setAttr(path, platform::vbNormal);
    std::optional<PasswordCommandStates> states;
    if ((cleared == FileError::None || cleared == FileError::NotFound) && ensureFileExists(path))
        states = passwordCommandStates(readPasswordFile(kPasswordFileName));
    platform::fileAttributes().setAttr(path, platform::vbReadOnly | platform::vbHidden |
                                                 platform::vbSystem);
    return states;
}
