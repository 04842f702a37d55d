#include "password/password_save.h"

#include "password/password_file_steps.h"
#include "platform/program_folder.h"
#include "platform/service_slot.h"
#include "store/password_file.h"

using platform::FileError;

namespace {

constexpr int kBetweenUses = platform::vbReadOnly | platform::vbHidden | platform::vbSystem;

// Runs the steps up to the rename, which is the one point where the old file goes.
FileError writeAndSwap(PasswordFileSteps& steps, const std::string& temp, const std::string& target,
                       const std::string& contents) {
    if (const FileError error = steps.create(temp); error != FileError::None)
        return error;
    if (const FileError error = steps.write(contents); error != FileError::None)
        return error;
    if (const FileError error = steps.flush(); error != FileError::None)
        return error;
    if (const FileError error = steps.close(); error != FileError::None)
        return error;
    // The attributes travel with the file, so nothing is left to fail after the rename.
    if (const FileError error = steps.setAttr(temp, kBetweenUses); error != FileError::None)
        return error;
    return steps.rename(temp, target);
}

} // namespace

std::string folderOfFile(const std::string& path) {
    const auto slash = path.find_last_of("/\\");
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
}

void setPasswordFileSteps(PasswordFileSteps* service) {
    platform::installedService<PasswordFileSteps>() = service;
}

FileError passwordFileWriteDecision(const std::string& path) {
    platform::FileAttributes& files = platform::fileAttributes();
    int attributes = 0;
    const FileError error = files.getAttr(path, attributes);
    if (error == FileError::NotFound) {
        int folder = 0;
        return files.getAttr(folderOfFile(path), folder) == FileError::None &&
                       (folder & platform::vbDirectory) != 0
                   ? FileError::None
                   : FileError::NotFound;
    }
    if (error != FileError::None)
        return error;
    return (attributes & (kBetweenUses | platform::vbDirectory)) != 0 ? FileError::AccessDenied
                                                                      : FileError::None;
}

FileError passwordFileWritable() {
    return passwordFileSteps().mayWrite(programFilePath(kPasswordFileName));
}

FileError replacePasswordFile(const std::string& contents) {
    PasswordFileSteps& steps = passwordFileSteps();
    const std::string temp = programFilePath(kPasswordTempName);
    // A leftover of an interrupted run holds nothing anyone needs.
    steps.remove(temp);
    const FileError error = writeAndSwap(steps, temp, programFilePath(kPasswordFileName), contents);
    if (error != FileError::None) {
        steps.close();
        steps.remove(temp);
    }
    return error;
}
