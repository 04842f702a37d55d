#pragma once
// The tray menu's password commands and the password file behind them, for both
// front ends: either "New" is enabled, or "Modify" and "Forgot" are.

#include <optional>

// Number of times an empty password file is created before giving up (a folder
// without write access never gets one).
constexpr int kPasswordFileCreateTries = 3;

struct PasswordCommandStates {
    bool newEnabled = true;
    bool modifyEnabled = false;
    bool forgotEnabled = false;
};

PasswordCommandStates passwordCommandStates(bool passwordStored);

// The file side of the refresh: clears the file's attributes, creates it empty when it is
// missing, reads it, and sets read-only, hidden and system again. The states for the
// menu, or nothing when the file could not be used (the menu is then left as it is).
std::optional<PasswordCommandStates> refreshPasswordFile();
