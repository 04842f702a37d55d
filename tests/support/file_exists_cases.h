#pragma once
// The directory-search cases fileExists meets on every platform, over a folder made for
// them with the file-attribute service in use.

#include "platform/file_attributes.h"
#include "support/check.h"

#include <filesystem>
#include <fstream>
#include <string>
#include <utility>

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

    const std::pair<std::string, bool> table[] = {
        {"", false},
        {file("plain.txt"), true},
        {file("readonly.txt"), true},
        {file("hidden.txt"), false},
        {file("system.dat"), false},
        {file("folder"), false},
        {file("absent"), false},
        {file("plain.txt/below"), false},
        {file("p*.txt"), true},
        {file("pla?n.txt"), true},
        {file("h*"), false},    // only a hidden file matches
        {file("*.dat"), false}, // only a system file matches
        {file("fold*"), false}, // only a folder matches
        {file("*"), true},
        {file("nothing*"), false},
        {file("absent-folder/*"), false},
    };
    for (const auto& [path, expected] : table) {
        if (fileExists(path) != expected)
            std::cerr << "fileExists(" << path << ")\n";
        CHECK_EQ(fileExists(path), expected);
    }
}
