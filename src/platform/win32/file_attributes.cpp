#include "platform/file_attributes.h"
#include "platform/service_slot.h"
#include "platform/win32/win32_error.h"

#include <windows.h>

namespace platform {

namespace {

constexpr DWORD kSettable = vbReadOnly | vbHidden | vbSystem;
constexpr DWORD kReported = kSettable | vbDirectory;

class Win32FileAttributes : public FileAttributes {
public:
    FileError setAttr(const std::string& path, int attributes) override {
        if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES)
            return fileErrorFromWin32(GetLastError());
        const DWORD bits = static_cast<DWORD>(attributes) & kSettable;
        if (!SetFileAttributesA(path.c_str(), bits != 0 ? bits : FILE_ATTRIBUTE_NORMAL))
            return fileErrorFromWin32(GetLastError());
        return FileError::None;
    }
    FileError getAttr(const std::string& path, int& attributes) override {
        const DWORD bits = GetFileAttributesA(path.c_str());
        if (bits == INVALID_FILE_ATTRIBUTES)
            return fileErrorFromWin32(GetLastError());
        attributes = static_cast<int>(bits & kReported);
        return FileError::None;
    }
};

bool isNormalEntry(const WIN32_FIND_DATAA& entry) {
    return (entry.dwFileAttributes & (vbDirectory | vbHidden | vbSystem)) == 0;
}

} // namespace

FileAttributes& fileAttributes() {
    return currentService<FileAttributes, Win32FileAttributes>();
}

void setFileAttributes(FileAttributes* service) {
    installedService<FileAttributes>() = service;
}

// The system's own directory search does the wildcard matching.
bool fileExists(const std::string& path) {
    if (path.empty())
        return false;
    WIN32_FIND_DATAA entry;
    const HANDLE search = FindFirstFileA(path.c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    bool found = isNormalEntry(entry);
    while (!found && FindNextFileA(search, &entry))
        found = isNormalEntry(entry);
    FindClose(search);
    return found;
}

} // namespace platform
