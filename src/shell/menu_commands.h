#pragma once
// The commands of the tray menu, one per entry; each part of the program defines its own.

void mnuShowMe_Click(); // Lock Desktop            (lock/lock_command.cpp)
void mNew_Click();      // Password > New          (password/password_commands.cpp)
void mModify_Click();   // Password > Modify       (password/password_commands.cpp)
void mForgot_Click();   // Password > Forgot       (password/password_commands.cpp)
void mExit_Click();     // Quit                    (password/quit_command.cpp)
void mContents_Click(); // Help > Contents...      (help/help_commands.cpp)
void mAbout_Click();    // Help > About Veltrane...(help/help_commands.cpp)
void mUpdate_Click();   // Help > Check for update (update/update_command.cpp)

// True while the desktop is locked: the tray icon then opens no menu and no command runs.
bool desktopLocked(); // (lock/lock_command.cpp)
