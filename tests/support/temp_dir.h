#pragma once
// A scratch folder for the toolkit-free tests, removed with everything in it.

#include <cstdlib>
#include <string>
#include <sys/stat.h>

class TempDir {
public:
    TempDir() {
        char pattern[] = "/tmp/vtr-test-XXXXXX";
        path_ = mkdtemp(pattern);
    }
    ~TempDir() {
        // Read-only files and folders must become writable before they can go.
        std::system(("chmod -R u+w '" + path_ + "' 2>/dev/null; rm -rf '" + path_ + "'").c_str());
    }
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};
