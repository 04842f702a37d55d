#pragma once
// A temporary program folder for one test: the program's files go there, and it is
// removed (read-only files included) when the test ends.

#include <QString>
#include <QTemporaryDir>
#include <string>

class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    QString path() const { return dir_.path(); }
    std::string file(const std::string& name) const;
    // Writes `bytes` to the named file, replacing it.
    void write(const std::string& name, const std::string& bytes) const;
    std::string read(const std::string& name) const;

private:
    QTemporaryDir dir_;
    std::string previousFolder_;
};
