#pragma once
// Brings the tray menu's password commands up to date: makes sure the password file
// exists (creating it empty), reads it, and enables either "New" or "Modify" and
// "Forgot". The file keeps the attributes read-only, hidden and system between uses.

// Number of times an empty password file is created before giving up (a folder
// without write access never gets one).
constexpr int kPasswordFileCreateTries = 3;

void refreshPasswordMenu();
