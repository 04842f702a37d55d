// On Windows the installation's files sit beside the program, and the system itself gives
// a program in a protected folder a per-user copy of the files it writes there.

#include "platform/program_folder.h"

std::string installationFilePath(const std::string& name) {
    return programFolder() + "/" + name;
}

bool usePerUserDataWhereNeeded() {
    return false;
}
