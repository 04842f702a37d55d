#include "platform/service_slot.h"
#include "platform/x11/posix_password_file_steps.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using platform::FileError;

namespace {

// A rename is only on the disk once its folder is; failing here changes nothing.
void syncFolder(const std::string& path) {
    const int folder = ::open(folderOfFile(path).c_str(), O_RDONLY | O_DIRECTORY);
    if (folder < 0)
        return;
    ::fsync(folder);
    ::close(folder);
}

// A new file, 0600 whatever the umask (another user must never read it, not even for a
// moment); -1 with errno set, EEXIST when anything is there already.
int createOwnerOnly(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                          S_IRUSR | S_IWUSR);
    if (fd >= 0 && ::fchmod(fd, S_IRUSR | S_IWUSR) != 0) {
        const int error = errno;
        ::close(fd);
        ::unlink(path.c_str());
        errno = error;
        return -1;
    }
    return fd;
}

} // namespace

PosixPasswordFileSteps::~PosixPasswordFileSteps() {
    close();
}

FileError PosixPasswordFileSteps::mayWrite(const std::string& path) {
    return passwordFileWriteDecision(path);
}

FileError PosixPasswordFileSteps::create(const std::string& path) {
    close();
    if (const FileError refused = mayWrite(path); refused != FileError::None)
        return refused;
    fd_ = createOwnerOnly(path);
    return fd_ < 0 ? platform::fileErrorFromErrno(errno) : FileError::None;
}

FileError PosixPasswordFileSteps::createIfAbsent(const std::string& path) {
    const int fd = createOwnerOnly(path);
    if (fd < 0)
        return errno == EEXIST ? FileError::None : platform::fileErrorFromErrno(errno);
    return ::close(fd) == 0 ? FileError::None : platform::fileErrorFromErrno(errno);
}

FileError PosixPasswordFileSteps::write(const std::string& bytes) {
    if (fd_ < 0)
        return FileError::Other;
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::write(fd_, bytes.data() + done, bytes.size() - done);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return written < 0 ? platform::fileErrorFromErrno(errno) : FileError::Other;
        done += static_cast<size_t>(written);
    }
    return FileError::None;
}

FileError PosixPasswordFileSteps::flush() {
    if (fd_ < 0)
        return FileError::Other;
    return ::fsync(fd_) == 0 ? FileError::None : platform::fileErrorFromErrno(errno);
}

FileError PosixPasswordFileSteps::close() {
    if (fd_ < 0)
        return FileError::None;
    const int result = ::close(fd_);
    fd_ = -1;
    return result == 0 ? FileError::None : platform::fileErrorFromErrno(errno);
}

FileError PosixPasswordFileSteps::setAttr(const std::string& path, int attributes) {
    return platform::fileAttributes().setAttr(path, attributes);
}

FileError PosixPasswordFileSteps::rename(const std::string& from, const std::string& to) {
    if (std::rename(from.c_str(), to.c_str()) != 0)
        return platform::fileErrorFromErrno(errno);
    syncFolder(to);
    return FileError::None;
}

void PosixPasswordFileSteps::remove(const std::string& path) {
    ::unlink(path.c_str());
}

PasswordFileSteps& passwordFileSteps() {
    return platform::currentService<PasswordFileSteps, PosixPasswordFileSteps>();
}
