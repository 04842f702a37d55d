#pragma once
// The per-user data folder of the Linux program, under the XDG rules.

#include <string>

// $XDG_DATA_HOME when it is an absolute path, else $HOME/.local/share; "veltrane" inside
// it. Empty when neither is known.
std::string perUserDataFolder(const char* xdgDataHome, const char* home);
