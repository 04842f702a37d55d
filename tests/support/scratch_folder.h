#pragma once
// A temporary program folder for one test: the program's files go there, and it is
// removed (read-only files included) when the test ends.

#include "platform/program_folder.h"
#include "support/temp_dir.h"

#include <QString>
#include <fstream>
#include <sstream>

class ScratchFolder : public TempDir {
public:
    ScratchFolder() { setProgramFolder(TempDir::path()); }
    ~ScratchFolder() { setProgramFolder(previousFolder_); }
    QString path() const { return QString::fromStdString(TempDir::path()); }
    std::string file(const std::string& name) const { return programFilePath(name); }
    // Writes `bytes` to the named file, replacing it.
    void write(const std::string& name, const std::string& bytes) const {
        std::ofstream(file(name), std::ios::binary | std::ios::trunc) << bytes;
    }
    std::string read(const std::string& name) const {
        std::ostringstream all;
        all << std::ifstream(file(name), std::ios::binary).rdbuf();
        return all.str();
    }

private:
    std::string previousFolder_ = programFolder();
};
