#pragma once
// Ending the program from the upgrade window, so that the installer can replace it.
// The main window is unloaded first (its unload handling removes the tray icon), then
// every event loop is told to end; main() returns once control gets back to it.
// Tests install a replacement so that their own process survives.

#include <functional>
#include <string>

void endProgram();
// Ends the program as endProgram does, and starts the program at `path` as soon as this
// process is gone: started earlier, the new program would find this one still running
// and end at once.
void endProgramAndStart(const std::string& path);
// Replaces what both do; the replacement is given the program to start ("" for none). An
// empty function restores the real ending.
void setEndProgram(std::function<void(const std::string& startAfter)> replacement);
