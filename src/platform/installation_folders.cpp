// Where an installed copy finds its installation's files and keeps its own, on POSIX.

#include "platform/program_folder.h"

#include <cerrno>
#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#ifndef VTR_INSTALLED_DATA_RELATIVE
#define VTR_INSTALLED_DATA_RELATIVE "../share/veltrane"
#endif

namespace {

bool exists(const std::string& path) {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0;
}

// Each missing folder of the path is made private; existing ones are left as they are.
bool makeFolders(const std::string& path) {
    for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        const std::string part = path.substr(0, slash);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
        if (slash == std::string::npos)
            break;
    }
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

} // namespace

std::string installationFilePath(const std::string& name) {
    const std::string beside = programFolder() + "/" + name;
    const std::string installed = programFolder() + "/" VTR_INSTALLED_DATA_RELATIVE "/" + name;
    return !exists(beside) && exists(installed) ? installed : beside;
}

bool usePerUserDataWhereNeeded() {
    const std::string& program = programFolder();
    const bool installed =
        !exists(program + "/help") && exists(program + "/" VTR_INSTALLED_DATA_RELATIVE "/help");
    if (!installed && ::access(program.c_str(), W_OK) == 0)
        return false;
    const char* home = std::getenv("HOME");
    if (!home || home[0] != '/') {
        const passwd* entry = ::getpwuid(::getuid());
        home = entry ? entry->pw_dir : nullptr;
    }
    const std::string folder = perUserDataFolder(std::getenv("XDG_DATA_HOME"), home);
    // Nowhere to go: the files stay addressed in the program folder, and each command
    // that writes there reports its own failure as before.
    if (folder.empty() || !makeFolders(folder))
        return false;
    setDataFolder(folder);
    return true;
}
