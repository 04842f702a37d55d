#pragma once
// The program's shared state: what the last read of the password file found, the
// password the open lock window accepts, and the mode of the password dialog.
// Text is single-byte (Windows-1252) as stored.

#include <cstdint>
#include <string>

namespace mdlGlobal {

// Filled by readPasswordFile; they keep their values until the next read.
extern std::string strPassword;
extern std::string strQuestion; // trimmed
extern std::string strAnswer;   // trimmed
extern int16_t intQuestion;     // 0..2 a fixed question, 3 the user's own

// Written only by the lock command.
extern std::string strLockPassword;

// Set by the New and Modify commands, read by the dialog's OK button.
extern bool bEditMode;
extern bool bNewMode;

} // namespace mdlGlobal
