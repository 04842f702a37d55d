#include "platform/win32/win32_error.h"

#include <windows.h>

namespace platform {

FileError fileErrorFromWin32(unsigned long error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
        return FileError::NotFound;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_WRITE_PROTECT:
        return FileError::AccessDenied;
    default:
        return FileError::Other;
    }
}

} // namespace platform
