#pragma once
// The Windows program's main window: never shown, it owns the tray icon, receives its
// callbacks and owns the tray menu. Its caption is the icon's tip.

#include <windows.h>

// Makes the window and adds the icon; false when the window could not be made.
bool loadMainWindow(HINSTANCE instance);
HWND mainWindow();
