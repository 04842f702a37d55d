#pragma once
// The real password-file steps with one of them made to fail, for tests of what a
// failure in the middle of a save leaves behind. Installs itself for its lifetime.

#include "platform/x11/posix_password_file_steps.h"

#include <string>

class FailingFileSteps : public PasswordFileSteps {
    using Error = platform::FileError;
    using Text = const std::string&;

public:
    // `failAt` names the step that fails ("mayWrite", "create", "write", "flush",
    // "close", "setAttr", "rename"); its `occurrence`-th call (1 = the first) fails
    // with `error` without doing anything.
    FailingFileSteps(std::string failAt, Error error, int occurrence)
        : failAt_(std::move(failAt)), error_(error), occurrence_(occurrence) {
        setPasswordFileSteps(this);
    }
    ~FailingFileSteps() override { setPasswordFileSteps(nullptr); }

    Error mayWrite(Text path) override { return step("mayWrite") ? real_.mayWrite(path) : error_; }
    Error create(Text path) override { return step("create") ? real_.create(path) : error_; }
    Error createIfAbsent(Text path) override { return real_.createIfAbsent(path); }
    Error write(Text bytes) override { return step("write") ? real_.write(bytes) : error_; }
    Error flush() override { return step("flush") ? real_.flush() : error_; }
    Error close() override { return step("close") ? real_.close() : error_; }
    Error setAttr(Text path, int attributes) override {
        return step("setAttr") ? real_.setAttr(path, attributes) : error_;
    }
    Error rename(Text from, Text to) override {
        return step("rename") ? real_.rename(from, to) : error_;
    }
    void remove(Text path) override { real_.remove(path); }

private:
    // False when this call is the one to fail.
    bool step(const std::string& name) { return !(name == failAt_ && ++seen_ == occurrence_); }

    PosixPasswordFileSteps real_; // its steps calling one another go unrecorded
    std::string failAt_;
    Error error_;
    int occurrence_;
    int seen_ = 0;
};
