#include "platform/program_folder.h"

namespace {

struct Folders {
    std::string program = ".";
    std::string data = ".";
};

Folders& folders() {
    static Folders value;
    return value;
}

} // namespace

const std::string& programFolder() {
    return folders().program;
}

void setProgramFolder(const std::string& value) {
    folders().program = value;
    folders().data = value;
}

const std::string& dataFolder() {
    return folders().data;
}

void setDataFolder(const std::string& folder) {
    folders().data = folder;
}

std::string programFilePath(const std::string& name) {
    return folders().data + "/" + name;
}

std::string dataFolderRefusal(const std::string& problem) {
    return "Veltrane has no safe folder for your password: " + problem +
           ".\r\nPlease correct this and start Veltrane again.";
}
