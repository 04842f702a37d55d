#pragma once
// The real password-file steps with one of them made to fail, for tests of what a
// failure in the middle of a save leaves behind. Installs itself for its lifetime and
// records every step in order.

#include "password/posix_password_file_steps.h"

#include <string>
#include <vector>

class FailingFileSteps : public PasswordFileSteps {
public:
    // `failAt` names the step that fails ("mayWrite", "create", "write", "flush",
    // "close", "setAttr", "rename"); its `occurrence`-th call (1 = the first) fails
    // with `error` without doing anything. An empty name fails nothing.
    explicit FailingFileSteps(std::string failAt = {},
                              platform::FileError error = platform::FileError::Other,
                              int occurrence = 1)
        : failAt_(std::move(failAt)), error_(error), occurrence_(occurrence) {
        setPasswordFileSteps(this);
    }
    ~FailingFileSteps() override { setPasswordFileSteps(nullptr); }

    platform::FileError mayWrite(const std::string& path) override {
        return step("mayWrite") ? real_.mayWrite(path) : error_;
    }
    platform::FileError create(const std::string& path) override {
        return step("create") ? real_.create(path) : error_;
    }
    platform::FileError write(const std::string& bytes) override {
        return step("write") ? real_.write(bytes) : error_;
    }
    platform::FileError flush() override { return step("flush") ? real_.flush() : error_; }
    platform::FileError close() override { return step("close") ? real_.close() : error_; }
    platform::FileError setAttr(const std::string& path, int attributes) override {
        return step("setAttr") ? real_.setAttr(path, attributes) : error_;
    }
    platform::FileError rename(const std::string& from, const std::string& to) override {
        return step("rename") ? real_.rename(from, to) : error_;
    }
    void remove(const std::string& path) override {
        calls.push_back("remove");
        real_.remove(path);
    }

    std::vector<std::string> calls;

private:
    // Records the call; false when this call is the one to fail.
    bool step(const std::string& name) {
        calls.push_back(name);
        return !(name == failAt_ && ++seen_ == occurrence_);
    }

    PosixPasswordFileSteps real_;
    std::string failAt_;
    platform::FileError error_;
    int occurrence_;
    int seen_ = 0;
};
