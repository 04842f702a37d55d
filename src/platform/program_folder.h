#pragma once
// The program folder: the folder of the executable. The files the program writes (the
// password file, the version text, the downloaded installer) live in its data folder,
// which is the program folder for a copy in a writable folder and a private per-user
// folder for an installed one; the files the installation brings (the help page) are
// always read from the installation. Paths are plain joins of folder, separator and
// bare file name.

#include <string>

const std::string& programFolder();
// The folder of the running executable as the system reports it ("." when it cannot).
std::string executableFolder();
// Set once at start-up from the executable's location; tests point it at a scratch
// folder. It becomes the data folder too, until usePerUserDataWhereNeeded() says else.
void setProgramFolder(const std::string& folder);
// Where the program's own files go.
const std::string& dataFolder();
void setDataFolder(const std::string& folder);
// dataFolder() + "/" + name, with no other normalisation.
std::string programFilePath(const std::string& name);
// A file the installation brings: beside the program in a portable copy or the build;
// in share/veltrane, seen from the program folder, for an installed program.
std::string installationFilePath(const std::string& name);

// The per-user data folder under the XDG rules: $XDG_DATA_HOME when it is an absolute
// path, else $HOME/.local/share; "veltrane" inside it. Empty when neither is known.
std::string perUserDataFolder(const char* xdgDataHome, const char* home);

// Each system has its own answer to these two (installation_folders.cpp).

// Moves the data folder to the per-user folder (made 0700) when the program folder
// cannot be written or is an installed one (its help page is not beside it, so the
// package owns the folder). True when the files now live there.
bool usePerUserDataWhereNeeded();
