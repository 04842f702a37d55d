#pragma once
// The file operations that writing the password file is made of, one call per step, so
// that a test can make any single step fail. The real service uses POSIX calls.

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
    // Opens `path` for writing, creating or emptying it (refused as mayWrite says).
    virtual platform::FileError create(const std::string& path) = 0;
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

class PosixPasswordFileSteps : public PasswordFileSteps {
public:
    ~PosixPasswordFileSteps() override;
    platform::FileError mayWrite(const std::string& path) override;
    platform::FileError create(const std::string& path) override;
    platform::FileError write(const std::string& bytes) override;
    platform::FileError flush() override;
    platform::FileError close() override;
    platform::FileError setAttr(const std::string& path, int attributes) override;
    platform::FileError rename(const std::string& from, const std::string& to) override;
    void remove(const std::string& path) override;

private:
    int fd_ = -1;
};
