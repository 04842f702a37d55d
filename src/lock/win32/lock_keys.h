#pragma once
// What the keyboard can do while the Windows lock is up: only typed keys reach its
// password box, and the system's switching keys and accessibility shortcuts are held.

#include <windows.h>

// Makes `text` the lock's password box: `check` runs before each key goes down (the
// form's key preview), and nothing but typed keys changes its text: pasting (Ctrl+V,
// Shift+Insert, WM_PASTE), undoing and text set by another program are refused.
void guardPasswordBox(HWND text, void (*check)());

// While on, a low-level keyboard hook swallows the switching keys below, and the
// accessibility shortcuts (Shift five times and the like) are turned off for this
// session only; off puts both back.
void holdSystemKeys(bool on);

// Whether the keyboard hook swallows this key going down: Alt+Tab, Alt+F4, Alt+Esc,
// Ctrl+Esc and the Windows keys. Ctrl+Alt+Del belongs to the system.
bool swallowedWhileLocked(unsigned long virtualKey, bool altDown, bool controlDown);

// Whether the password box refuses this message (with its wParam, and whether Shift or
// Alt is held): everything that would put text into it other than a typed character.
bool refusedByPasswordBox(UINT message, WPARAM wParam, bool shiftDown, bool altDown);
