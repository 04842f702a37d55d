// The Windows program's password-file steps. The replacement is one MoveFileExA, atomic on
// NTFS as rename() is on Linux; the write decision is the one the X11 program makes.

#include "password/password_file_steps.h"
#include "platform/service_slot.h"
#include "platform/win32/win32_error.h"

#include <algorithm>
#include <windows.h>

using platform::FileError;
using platform::fileErrorFromWin32;

namespace {

FileError lastError() {
    return fileErrorFromWin32(GetLastError());
}

// Only a new file: CREATE_NEW fails on anything already there, a link included. Its
// access comes from the data folder, which is the user's own.
HANDLE createNew(const std::string& path) {
    return CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
}

class Win32PasswordFileSteps : public PasswordFileSteps {
public:
    ~Win32PasswordFileSteps() override { close(); }

    FileError mayWrite(const std::string& path) override { return passwordFileWriteDecision(path); }

    FileError create(const std::string& path) override {
        close();
        if (const FileError refused = mayWrite(path); refused != FileError::None)
            return refused;
        file_ = createNew(path);
        return file_ == INVALID_HANDLE_VALUE ? lastError() : FileError::None;
    }

    FileError createIfAbsent(const std::string& path) override {
        const HANDLE file = createNew(path);
        if (file == INVALID_HANDLE_VALUE)
            return GetLastError() == ERROR_FILE_EXISTS ? FileError::None : lastError();
        return CloseHandle(file) ? FileError::None : lastError();
    }

    FileError write(const std::string& bytes) override {
        if (file_ == INVALID_HANDLE_VALUE)
            return FileError::Other;
        size_t done = 0;
        while (done < bytes.size()) {
            const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 20));
            DWORD written = 0;
            if (!WriteFile(file_, bytes.data() + done, chunk, &written, nullptr))
                return lastError();
            if (written == 0)
                return FileError::Other;
            done += written;
        }
        return FileError::None;
    }

    FileError flush() override {
        if (file_ == INVALID_HANDLE_VALUE)
            return FileError::Other;
        return FlushFileBuffers(file_) ? FileError::None : lastError();
    }

    FileError close() override {
        if (file_ == INVALID_HANDLE_VALUE)
            return FileError::None;
        const BOOL closed = CloseHandle(file_);
        file_ = INVALID_HANDLE_VALUE;
        return closed ? FileError::None : lastError();
    }

    FileError setAttr(const std::string& path, int attributes) override {
        return platform::fileAttributes().setAttr(path, attributes);
    }

    // Windows refuses to replace a read-only file: its attributes are cleared for the
    // move and put back if the move fails, so a failure leaves it as it was.
    FileError rename(const std::string& from, const std::string& to) override {
        const DWORD old = GetFileAttributesA(to.c_str());
        const bool cleared = old != INVALID_FILE_ATTRIBUTES && (old & FILE_ATTRIBUTE_READONLY) &&
                             SetFileAttributesA(to.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (MoveFileExA(from.c_str(), to.c_str(),
                        MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return FileError::None;
        const FileError error = lastError();
        if (cleared)
            SetFileAttributesA(to.c_str(), old);
        return error;
    }

    // A temporary file may already carry read-only, which DeleteFileA refuses.
    void remove(const std::string& path) override {
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(path.c_str());
    }

private:
    HANDLE file_ = INVALID_HANDLE_VALUE;
};

} // namespace

PasswordFileSteps& passwordFileSteps() {
    return platform::currentService<PasswordFileSteps, Win32PasswordFileSteps>();
}
