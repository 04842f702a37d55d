#include "lock/lock_decision.h"

#include "store/mdlGlobal.h"
#include "store/password_file.h"

const char* const kPasswordRequiredText =
    "You need to create a password before you can run the Veltrane application";
const char* const kPasswordRequiredTitle = "Password Required";

LockDecision decideLock(bool busy) {
    if (busy)
        return LockDecision::Ignore;
    if (!readPasswordFile(kPasswordFileName))
        return LockDecision::PasswordRequired;
    mdlGlobal::strLockPassword = mdlGlobal::strPassword;
    return LockDecision::Lock;
}
