#pragma once
// The program folder: the folder of the executable. The files the program writes (the
// password file, the version text, the downloaded installer) live in its data folder,
// which is the program folder for a copy in a folder of the user's own and a private
// per-user folder otherwise; the files the installation brings (the help page) are
// always read from the installation. Paths are plain joins of folder, separator and
// bare file name.

#include <string>

const std::string& programFolder();
// The folder of the running executable as the system reports it ("." when it cannot).
std::string executableFolder();
// Set once at start-up from the executable's location; tests point it at a scratch
// folder. It becomes the data folder too, until chooseDataFolder() says else.
void setProgramFolder(const std::string& folder);
// Where the program's own files go.
const std::string& dataFolder();
void setDataFolder(const std::string& folder);
// dataFolder() + "/" + name, with no other normalisation.
std::string programFilePath(const std::string& name);
// A file the installation brings: beside the program in a portable copy or the build;
// in share/veltrane, seen from the program folder, for an installed program.
std::string installationFilePath(const std::string& name);

// Each system has its own answer to these (installation_folders.cpp).

// True for a copy the system's package tools installed (its help page is not beside it
// but in the installation's share folder); such a copy is upgraded by those tools.
bool isInstalledCopy();

// Where start-up put the program's files, or why it refuses to run.
struct DataFolderChoice {
    bool perUser = false; // the per-user folder rather than the program folder
    std::string refusal;  // not empty: no safe folder; the text says which and why
};

// Decides the data folder, once at start-up. Files stay beside the program only in a
// folder that is the user's own and that nobody else can write to (nor replace, through
// a folder above it); an installed copy, and any other, uses the per-user folder, which
// must be the user's own real folder, private to them: one that is merely too open is
// made private, any other makes the program refuse. On Windows the program folder under
// Program Files is never used.
DataFolderChoice chooseDataFolder();
// The refusal's text for a problem that names its folder ("... is a symbolic link").
std::string dataFolderRefusal(const std::string& problem);
