#pragma once
// What "Lock Desktop" does, for both front ends: nothing while a lock is already being
// set up or shown, "Password Required" without a usable password, else lock with the
// password stored at this moment.

#include <cstddef>

// The password box holds at most this many characters.
constexpr std::size_t kLockPasswordRoom = 255;

extern const char* const kPasswordRequiredText;  // "You need to create a password ..."
extern const char* const kPasswordRequiredTitle; // "Password Required"

enum class LockDecision { Ignore, PasswordRequired, Lock };

// Reads the password file unless `busy`. Lock copies the password into
// mdlGlobal::strLockPassword. A password longer than the box could take could never be
// typed, so it counts as no password rather than a lock nobody can open.
LockDecision decideLock(bool busy);
