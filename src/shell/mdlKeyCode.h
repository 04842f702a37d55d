#pragma once
// Brings the tray menu's password commands up to date: makes sure the password file
// exists (creating it empty), reads it, and enables either "New" or "Modify" and
// "Forgot". The file keeps the attributes read-only, hidden and system between uses.
// Each front end has its own, over refreshPasswordFile (shell/menu_states.h).

#include "shell/menu_states.h"

void refreshPasswordMenu();
