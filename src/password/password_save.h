#pragma once
// Writing the password file so that it is never half-written: the new contents go to
// "vtrpwd.tmp", reach the disk, get the attributes read-only, hidden and system, and
// only then replace "vtrpwd.sys" in one rename. Every step goes through
// passwordFileSteps(), so tests can make any one of them fail.

#include "platform/file_attributes.h"

#include <string>

// Whether "vtrpwd.sys" may be opened for writing now (see PasswordFileSteps::mayWrite).
platform::FileError passwordFileWritable();

// Replaces "vtrpwd.sys" with `contents`, leaving it with attributes 7. On any failure
// "vtrpwd.sys" is exactly as it was (contents and attributes) and "vtrpwd.tmp" is gone;
// the result says what kind of failure it was.
platform::FileError replacePasswordFile(const std::string& contents);
