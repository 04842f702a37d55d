#pragma once
// Ending the program from the upgrade window, so that the installer can replace it.
// The main window is unloaded first (its unload handling removes the tray icon), then
// every event loop is told to end; main() returns once control gets back to it.
// Tests install a replacement so that their own process survives.

#include <functional>

void endProgram();
// Replaces what endProgram does; an empty function restores the real ending.
void setEndProgram(std::function<void()> replacement);
