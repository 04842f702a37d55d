#include "platform/program_folder.h"

#include <climits>
#include <unistd.h>

std::string executableFolder() {
    char path[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path);
    if (length <= 0 || static_cast<size_t>(length) >= sizeof path)
        return ".";
    const std::string full(path, static_cast<size_t>(length));
    const auto slash = full.rfind('/');
    return slash == std::string::npos ? std::string(".") : full.substr(0, slash);
}
