#pragma once
// The tray menu of the Windows program: the entries of "Action" as they pop up next to
// the icon, each running its command from shell/menu_commands.h. The commands of the
// password dialogs, help, about and update are defined by their parts' win32/ folders.

#include <windows.h>

// Pops the menu up at the pointer, owned by `owner`, and waits until it closes; a chosen
// entry's command runs after that.
void showTrayMenu(HWND owner);

// Runs the command of a menu entry's identifier (WM_COMMAND's low word); false for an
// identifier that is not the menu's.
bool runTrayCommand(UINT id);
// The identifier of "Contents...", which F1 in the main window runs too.
extern const UINT kContentsCommand;

// The menu's handle, made on first use (for tests and the refresh).
HMENU trayMenu();
