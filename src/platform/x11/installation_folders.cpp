// Where an installed copy finds its installation's files, and where a copy keeps its own,
// on POSIX.

#include "platform/program_folder.h"
#include "platform/x11/instance_files.h"
#include "platform/x11/xdg_data_folder.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#ifndef VTR_INSTALLED_DATA_RELATIVE
#define VTR_INSTALLED_DATA_RELATIVE "../share/veltrane"
#endif

namespace {

constexpr mode_t kOthersWrite = S_IWGRP | S_IWOTH;

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
            return true;
    }
}

// No one but this user (and the system) can put files into `folder`, nor swap it for
// another: it is this user's, writable by them only, and every folder above it belongs
// to them or the system and lets no one else rename what it holds (a sticky folder such
// as /tmp protects the entries of others). An absolute path without symbolic links, as
// the executable's folder is.
bool onlyUserCanChange(const std::string& folder) {
    struct stat info;
    if (folder.empty() || folder[0] != '/' || ::lstat(folder.c_str(), &info) != 0 ||
        !S_ISDIR(info.st_mode) || info.st_uid != ::geteuid() || (info.st_mode & kOthersWrite) ||
        ::access(folder.c_str(), W_OK) != 0)
        return false;
    for (std::string above = folder; above.size() > 1;) {
        above = above.substr(0, std::max<std::size_t>(above.rfind('/'), 1));
        if (::lstat(above.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) ||
            (info.st_uid != ::geteuid() && info.st_uid != 0) ||
            ((info.st_mode & kOthersWrite) && !(info.st_mode & S_ISVTX)))
            return false;
    }
    return true;
}

} // namespace

std::string installationFilePath(const std::string& name) {
    const std::string beside = programFolder() + "/" + name;
    const std::string installed = programFolder() + "/" VTR_INSTALLED_DATA_RELATIVE "/" + name;
    return !exists(beside) && exists(installed) ? installed : beside;
}

bool isInstalledCopy() {
    const std::string& program = programFolder();
    return !exists(program + "/help") && exists(program + "/" VTR_INSTALLED_DATA_RELATIVE "/help");
}

std::string perUserDataFolder(const char* xdgDataHome, const char* home) {
    if (xdgDataHome && xdgDataHome[0] == '/')
        return std::string(xdgDataHome) + "/veltrane";
    if (home && home[0] == '/')
        return std::string(home) + "/.local/share/veltrane";
    return {};
}

DataFolderChoice chooseDataFolder() {
    if (!isInstalledCopy() && onlyUserCanChange(programFolder()))
        return {};
    const char* home = std::getenv("HOME");
    if (!home || home[0] != '/') {
        const passwd* entry = ::getpwuid(::getuid());
        home = entry ? entry->pw_dir : nullptr;
    }
    const std::string folder = perUserDataFolder(std::getenv("XDG_DATA_HOME"), home);
    if (folder.empty())
        return {false, dataFolderRefusal("no home folder is known")};
    // The folders above it are made private too where missing; the one that holds the
    // files must be a private folder of the user's own, as it is checked now.
    if (const std::string problem = makeFolders(folder)
                                        ? platform::makePrivateFolder(folder, ::geteuid())
                                        : folder + " cannot be made";
        !problem.empty())
        return {false, dataFolderRefusal(problem)};
    setDataFolder(folder);
    return {true, {}};
}
