#pragma once
// File attributes as the program uses them: read-only, hidden and system on the
// password file between uses, and the directory-search test `fileExists`.
// On Linux, read-only is the absence of write permission; hidden and system are kept
// in the extended attribute user.DOSATTRIB as "0x" and the hex value, as Wine and
// Samba keep DOS attributes. Where the file system refuses extended attributes,
// hidden and system are not kept and the file counts as normal.

#include <string>

namespace platform {

enum FileAttribute : int {
    vbNormal = 0,
    vbReadOnly = 1,
    vbHidden = 2,
    vbSystem = 4,
    vbDirectory = 16,
};

enum class FileError { None, NotFound, AccessDenied, Other };

// The kind of failure an errno value stands for.
FileError fileErrorFromErrno(int error);

class FileAttributes {
public:
    virtual ~FileAttributes() = default;
    // Sets read-only, hidden and system as given (other bits are ignored). A symbolic
    // link is refused (AccessDenied), never followed.
    virtual FileError setAttr(const std::string& path, int attributes) = 0;
    // The attributes of a file or folder; vbDirectory marks a folder.
    virtual FileError getAttr(const std::string& path, int& attributes) = 0;
};

// The service in use (the real one unless a test installed another).
FileAttributes& fileAttributes();
// Installs a replacement; nullptr restores the real service.
void setFileAttributes(FileAttributes* service);

// The real service. `useExtendedAttributes` false behaves as a file system that
// refuses them.
class PosixFileAttributes : public FileAttributes {
public:
    explicit PosixFileAttributes(bool useExtendedAttributes = true);
    FileError setAttr(const std::string& path, int attributes) override;
    FileError getAttr(const std::string& path, int& attributes) override;

private:
    bool useExtendedAttributes_;
};

// True when a directory search with normal attributes finds the path: false for an
// empty path, a folder, or a hidden or system file; read-only files are found.
// "*" and "?" in the last component match as in a directory listing. Any error: false.
bool fileExists(const std::string& path);

} // namespace platform
