#pragma once
// A scratch folder for the toolkit-free tests, removed with everything in it.

#include <filesystem>
#include <random>
#include <string>

class TempDir {
public:
    TempDir() {
        namespace fs = std::filesystem;
        std::random_device seed;
        do
            path_ = (fs::temp_directory_path() / ("vtr-test-" + std::to_string(seed()))).string();
        while (!fs::create_directory(path_));
    }
    ~TempDir() {
        namespace fs = std::filesystem;
        // Read-only files must become writable before they can go.
        std::error_code ignored;
        for (const auto& entry : fs::recursive_directory_iterator(path_, ignored))
            fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, ignored);
        fs::remove_all(path_, ignored);
    }
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};
