#pragma once
// The kind of failure a Win32 error code (GetLastError) stands for.

#include "platform/file_attributes.h"

namespace platform {

FileError fileErrorFromWin32(unsigned long error);

} // namespace platform
