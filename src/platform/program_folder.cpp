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

struct Folders {
    std::string program = ".";
    std::string data = ".";
};

Folders& folders() {
    static Folders value;
    return value;
}

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

const std::string& programFolder() {
    return folders().program;
}

void setProgramFolder(const std::string& value) {
    folders().program = value;
    folders().data = value;
}

const std::string& dataFolder() {
    return folders().data;
}

std::string programFilePath(const std::string& name) {
    return folders().data + "/" + name;
}

std::string installationFilePath(const std::string& name) {
    const std::string beside = folders().program + "/" + name;
    const std::string installed = folders().program + "/" VTR_INSTALLED_DATA_RELATIVE "/" + name;
    return !exists(beside) && exists(installed) ? installed : beside;
}

std::string perUserDataFolder(const char* xdgDataHome, const char* home) {
    if (xdgDataHome && xdgDataHome[0] == '/')
        return std::string(xdgDataHome) + "/veltrane";
    if (home && home[0] == '/')
        return std::string(home) + "/.local/share/veltrane";
    return {};
}

bool usePerUserDataWhereNeeded() {
    const std::string& program = folders().program;
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
    folders().data = folder;
    return true;
}
