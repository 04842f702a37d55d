#pragma once
// The lock's panel, the child window that holds the password box: its artwork is drawn,
// navy with a light edge and the program's name above the box.

#include <windows.h>

extern const char* const kPanelClass; // "VeltraneLockPanel"

bool registerPanelClass(HINSTANCE instance);
