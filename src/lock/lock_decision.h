#pragma once
// What "Lock Desktop" does, for both front ends: nothing while a lock is already being
// set up or shown, "Password Required" without a usable password, else lock with the
// password stored at this moment.

extern const char* const kPasswordRequiredText;  // "You need to create a password ..."
extern const char* const kPasswordRequiredTitle; // "Password Required"

enum class LockDecision { Ignore, PasswordRequired, Lock };

// Reads the password file unless `busy`. Lock copies the password into
// mdlGlobal::strLockPassword.
LockDecision decideLock(bool busy);
