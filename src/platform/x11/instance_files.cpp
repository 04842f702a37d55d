#include "platform/x11/instance_files.h"

#include "platform/application.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace platform {

namespace {

bool absolute(const char* path) {
    return path && path[0] == '/';
}

std::string parentOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == 0 || slash == std::string::npos ? std::string("/") : path.substr(0, slash);
}

} // namespace

std::string privateFolderProblem(const std::string& path, unsigned uid) {
    struct stat info;
    if (::lstat(path.c_str(), &info) != 0)
        return path + " cannot be read (" + std::strerror(errno) + ")";
    if (S_ISLNK(info.st_mode))
        return path + " is a symbolic link";
    if (!S_ISDIR(info.st_mode))
        return path + " is not a folder";
    if (info.st_uid != uid)
        return path + " belongs to another user (uid " + std::to_string(info.st_uid) + ")";
    if (info.st_mode & 077)
        return path + " is open to other users";
    // Whoever can write the folder it is in could swap it for another.
    struct stat parent;
    const std::string above = parentOf(path);
    if (::lstat(above.c_str(), &parent) != 0 ||
        ((parent.st_mode & (S_IWGRP | S_IWOTH)) && !(parent.st_mode & S_ISVTX) &&
         parent.st_uid != uid))
        return path + " is in a folder that other users can change";
    return {};
}

InstancePath instanceFolder() {
    const unsigned uid = ::getuid();
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (absolute(runtime) && privateFolderProblem(runtime, uid).empty())
        return {runtime, {}};
    const char* tmp = std::getenv("TMPDIR");
    const std::string folder =
        std::string(absolute(tmp) ? tmp : "/tmp") + "/veltrane-" + std::to_string(uid);
    if (std::string problem = makePrivateFolder(folder, uid); !problem.empty())
        return {{}, problem};
    return {folder, {}};
}

std::string makePrivateFolder(const std::string& path, unsigned uid) {
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)
        return path + " cannot be made (" + std::strerror(errno) + ")";
    std::string problem = privateFolderProblem(path, uid);
    // One of ours made with a looser mode (by hand, say) is closed, never another's.
    struct stat info;
    if (!problem.empty() && ::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) &&
        info.st_uid == uid && (info.st_mode & 077) && ::chmod(path.c_str(), 0700) == 0)
        problem = privateFolderProblem(path, uid);
    return problem;
}

InstancePath instanceFile(const char* suffix) {
    InstancePath folder = instanceFolder();
    if (folder.path.empty())
        return folder;
    const char* display = std::getenv("DISPLAY");
    const std::string path =
        folder.path + "/" + instanceName(::getuid(), display ? display : "") + suffix;
    if (path.size() >= sizeof(sockaddr_un{}.sun_path))
        return {{}, path + " is too long for a socket's address"};
    return {path, {}};
}

namespace {

// The whole file, as open-file-description locks: they belong to the open file, so they
// can be tested without being taken (a test that took the lock for a moment would turn
// away a program starting at that moment).
struct flock wholeFile(short type) {
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    return lock;
}

} // namespace

InstanceLock holdInstanceLock(std::string* error) {
    static bool held = false;
    if (held)
        return InstanceLock::Held;
    const InstancePath lock = instanceFile(".lock");
    const int fd = lock.path.empty()
                       ? -1
                       : ::open(lock.path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        if (error)
            *error = lock.path.empty()
                         ? lock.error
                         : lock.path + " cannot be opened (" + std::strerror(errno) + ")";
        return InstanceLock::Unavailable;
    }
    struct flock whole = wholeFile(F_WRLCK);
    if (::fcntl(fd, F_OFD_SETLK, &whole) == 0) {
        held = true; // the descriptor stays open, and so the lock held, until the end
        return InstanceLock::Held;
    }
    const int failure = errno;
    ::close(fd);
    if (failure == EAGAIN || failure == EACCES)
        return InstanceLock::HeldElsewhere;
    if (error)
        *error = lock.path + " cannot be locked (" + std::strerror(failure) + ")";
    return InstanceLock::Unavailable;
}

bool instanceLockHeld(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct flock lock = wholeFile(F_WRLCK);
    const bool held = ::fcntl(fd, F_OFD_GETLK, &lock) == 0 && lock.l_type != F_UNLCK;
    ::close(fd);
    return held;
}

} // namespace platform
