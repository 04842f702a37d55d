#pragma once
// A temporary program folder for one test: the program's files go there, and it is
// removed (read-only files included) when the test ends.

#include "platform/file_attributes.h"
#include "platform/program_folder.h"

#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <fstream>
#include <sstream>
#include <string>

class ScratchFolder {
public:
    ScratchFolder() { setProgramFolder(QFile::encodeName(dir_.path()).toStdString()); }
    ~ScratchFolder() {
        QDirIterator it(dir_.path(), QDir::Files | QDir::Hidden | QDir::System,
                        QDirIterator::Subdirectories);
        while (it.hasNext())
            platform::fileAttributes().setAttr(QFile::encodeName(it.next()).toStdString(), 0);
        setProgramFolder(previousFolder_);
    }
    QString path() const { return dir_.path(); }
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
    QTemporaryDir dir_;
};
