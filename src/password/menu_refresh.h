#pragma once
// The tray menu's refresh after a password was created; the shell defines it.
void refreshPasswordMenu();
