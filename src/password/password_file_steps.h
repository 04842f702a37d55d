#pragma once
// The file operations that writing the password file is made of, one call per step, so
// that a test can make any single step fail. The real service is POSIX here
// (posix_password_file_steps.h) and Win32 in platform/win32/password_file_steps.cpp.

#include "platform/file_attributes.h"

#include <string>

class PasswordFileSteps {
public:
    virtual ~PasswordFileSteps() = default;
    // Whether `path` could be opened for writing now. Windows refuses a file that
    // carries read-only, hidden or system even to an administrator; that refusal is
    // kept here (AccessDenied), so the program behaves the same when run as root.
    // NotFound when the folder is missing.
    virtual platform::FileError mayWrite(const std::string& path) = 0;
    // Creates `path` for writing, readable and writable by its owner only whatever the
    // umask; refused as mayWrite says, and when anything (a symbolic link included) is
    // already there: a file is never emptied, nor a link followed.
    virtual platform::FileError create(const std::string& path) = 0;
    // Creates `path` empty, as create does, and closes it; an existing file is left as it
    // is (that is no failure: the file is there).
    virtual platform::FileError createIfAbsent(const std::string& path) = 0;
    virtual platform::FileError write(const std::string& bytes) = 0;
    // Pushes what was written through to the disk.
    virtual platform::FileError flush() = 0;
    virtual platform::FileError close() = 0;
    virtual platform::FileError setAttr(const std::string& path, int attributes) = 0;
    // Replaces `to` with `from` in one step.
    virtual platform::FileError rename(const std::string& from, const std::string& to) = 0;
    // Best effort: a file that is not there is no failure.
    virtual void remove(const std::string& path) = 0;
};

// The service in use (the real one unless a test installed another).
PasswordFileSteps& passwordFileSteps();
// Installs a replacement; nullptr restores the real service.
void setPasswordFileSteps(PasswordFileSteps* service);

// The write decision every real service makes in mayWrite, from the file's attributes:
// AccessDenied for read-only, hidden, system or a folder; for a missing file, NotFound
// unless its folder exists.
platform::FileError passwordFileWriteDecision(const std::string& path);
// The folder part of `path` with its trailing separator ("." when there is none).
std::string folderOfFile(const std::string& path);
