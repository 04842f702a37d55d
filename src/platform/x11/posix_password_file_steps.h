#pragma once
// The X11 program's password-file steps, with POSIX calls.

#include "password/password_file_steps.h"

class PosixPasswordFileSteps : public PasswordFileSteps {
public:
    ~PosixPasswordFileSteps() override;
    platform::FileError mayWrite(const std::string& path) override;
    platform::FileError create(const std::string& path) override;
    platform::FileError createIfAbsent(const std::string& path) override;
    platform::FileError write(const std::string& bytes) override;
    platform::FileError flush() override;
    platform::FileError close() override;
    platform::FileError setAttr(const std::string& path, int attributes) override;
    platform::FileError rename(const std::string& from, const std::string& to) override;
    void remove(const std::string& path) override;

private:
    int fd_ = -1;
};
