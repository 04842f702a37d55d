#pragma once
// The program folder: the folder of the executable, where every file of the program
// lives. Paths are plain joins of folder, separator and bare file name.

#include <string>

const std::string& programFolder();
// The folder of the running executable as the system reports it ("." when it cannot).
std::string executableFolder();
// Set once at start-up from the executable's location; tests point it at a scratch folder.
void setProgramFolder(const std::string& folder);
// programFolder() + "/" + name, with no other normalisation.
std::string programFilePath(const std::string& name);
