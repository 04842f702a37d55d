#include "platform/file_attributes.h"
#include "platform/service_slot.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <sys/xattr.h>

namespace platform {

namespace {

const char* const kDosAttributeName = "user.DOSATTRIB";
constexpr int kKeptInExtendedAttribute = vbHidden | vbSystem;

bool refusesExtendedAttributes(int error) {
    return error == ENOTSUP || error == EOPNOTSUPP;
}

int readDosBits(const std::string& path) {
    char text[32] = {};
    const ssize_t length = getxattr(path.c_str(), kDosAttributeName, text, sizeof text - 1);
    if (length <= 2 || text[0] != '0' || (text[1] != 'x' && text[1] != 'X'))
        return 0;
    return static_cast<int>(std::strtol(text + 2, nullptr, 16)) & kKeptInExtendedAttribute;
}

FileError writeDosBits(const std::string& path, int bits) {
    int result;
    if (bits == 0) {
        result = removexattr(path.c_str(), kDosAttributeName);
        if (result != 0 && errno == ENODATA)
            return FileError::None;
    } else {
        char text[16];
        const int length = std::snprintf(text, sizeof text, "0x%x", bits);
        result = setxattr(path.c_str(), kDosAttributeName, text, static_cast<size_t>(length), 0);
    }
    if (result == 0 || refusesExtendedAttributes(errno))
        return FileError::None;
    return fileErrorFromErrno(errno);
}

FileError setWritable(const std::string& path, const struct stat& info, bool writable) {
    // Read-only takes every write bit away; clearing it gives the owner's back.
    const mode_t mode =
        writable ? (info.st_mode | S_IWUSR) : (info.st_mode & ~(S_IWUSR | S_IWGRP | S_IWOTH));
    if ((mode & 07777) == (info.st_mode & 07777))
        return FileError::None;
    return chmod(path.c_str(), mode & 07777) == 0 ? FileError::None : fileErrorFromErrno(errno);
}

bool isNormalFile(const std::string& path) {
    int attributes = 0;
    if (fileAttributes().getAttr(path, attributes) != FileError::None)
        return false;
    return (attributes & (vbDirectory | vbHidden | vbSystem)) == 0;
}

bool hasWildcard(const std::string& text) {
    return text.find_first_of("*?") != std::string::npos;
}

} // namespace

FileError fileErrorFromErrno(int error) {
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        return FileError::NotFound;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
        return FileError::AccessDenied;
    default:
        return FileError::Other;
    }
}

PosixFileAttributes::PosixFileAttributes(bool useExtendedAttributes)
    : useExtendedAttributes_(useExtendedAttributes) {}

FileError PosixFileAttributes::setAttr(const std::string& path, int attributes) {
    struct stat info;
    if (lstat(path.c_str(), &info) != 0)
        return fileErrorFromErrno(errno);
    // A link is never followed: put in place of a file, it would aim the change at
    // whatever file its maker chose.
    if (S_ISLNK(info.st_mode))
        return FileError::AccessDenied;
    const bool readOnly = (attributes & vbReadOnly) != 0;
    const int dosBits = attributes & kKeptInExtendedAttribute;
    const bool dosBitsChange = useExtendedAttributes_ && readDosBits(path) != dosBits;
    // Order matters without root: extended attributes can only be written while the file
    // is writable, so a read-only file gets its write bit back first and loses it last.
    if (!readOnly || dosBitsChange) {
        if (const auto error = setWritable(path, info, true); error != FileError::None)
            return error;
        if (lstat(path.c_str(), &info) != 0)
            return fileErrorFromErrno(errno);
    }
    if (dosBitsChange) {
        if (const auto error = writeDosBits(path, dosBits); error != FileError::None)
            return error;
    }
    return readOnly ? setWritable(path, info, false) : FileError::None;
}

FileError PosixFileAttributes::getAttr(const std::string& path, int& attributes) {
    struct stat info;
    if (stat(path.c_str(), &info) != 0)
        return fileErrorFromErrno(errno);
    attributes = 0;
    if (S_ISDIR(info.st_mode))
        attributes |= vbDirectory;
    if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
        attributes |= vbReadOnly;
    if (useExtendedAttributes_)
        attributes |= readDosBits(path);
    return FileError::None;
}

FileAttributes& fileAttributes() {
    return currentService<FileAttributes, PosixFileAttributes>();
}

void setFileAttributes(FileAttributes* service) {
    installedService<FileAttributes>() = service;
}

bool fileExists(const std::string& path) {
    if (path.empty())
        return false;
    const auto slash = path.rfind('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (!hasWildcard(name))
        return isNormalFile(path);
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    DIR* directory = opendir(folder.c_str());
    if (!directory)
        return false;
    bool found = false;
    while (!found) {
        const dirent* entry = readdir(directory);
        if (!entry)
            break;
        const std::string entryName = entry->d_name;
        if (entryName == "." || entryName == "..")
            continue;
        found =
            fnmatch(name.c_str(), entryName.c_str(), 0) == 0 && isNormalFile(folder + entryName);
    }
    closedir(directory);
    return found;
}

} // namespace platform
