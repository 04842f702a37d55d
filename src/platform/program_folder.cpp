#include "platform/program_folder.h"

namespace {
std::string& folder() {
    static std::string value = ".";
    return value;
}
} // namespace

const std::string& programFolder() {
    return folder();
}

void setProgramFolder(const std::string& value) {
    folder() = value;
}

std::string programFilePath(const std::string& name) {
    return folder() + "/" + name;
}
