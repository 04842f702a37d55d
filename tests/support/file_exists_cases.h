#pragma once
// The directory-search cases fileExists meets on every platform, over a folder made for
// them with the file-attribute service in use.

#include "platform/file_attributes.h"
#include "support/check.h"

#include <filesystem>
#include <fstream>
#include <string>

inline void checkFileExistsCases(const std::string& folder) {
    using namespace platform;
    const auto file = [&folder](const std::string& name) { return folder + "/" + name; };
    const std::pair<const char*, int> made[] = {{"plain.txt", vbNormal},
                                                {"readonly.txt", vbReadOnly},
                                                {"hidden.txt", vbHidden},
                                                {"system.dat", vbSystem}};
    for (const auto& [name, attributes] : made) {
        std::ofstream(file(name)) << "x";
        CHECK(fileAttributes().setAttr(file(name), attributes) == FileError::None);
    }
    std::filesystem::create_directory(file("folder"));
    // Only a hidden file matches h*, only a system file *.dat, only a folder fold*.
    for (const char* name : {"plain.txt", "readonly.txt", "p*.txt", "pla?n.txt", "*"})
        CHECK_EQ(name + std::string(fileExists(file(name)) ? " found" : " not found"),
                 name + std::string(" found"));
    for (const char* name : {"hidden.txt", "system.dat", "folder", "absent", "plain.txt/below",
                             "h*", "*.dat", "fold*", "nothing*", "absent-folder/*", ""})
        CHECK_EQ(name + std::string(fileExists(file(name)) ? " found" : " not found"),
                 name + std::string(" not found"));
}
