#include "support/scratch_folder.h"

#include "platform/file_attributes.h"
#include "platform/program_folder.h"

#include <QDirIterator>
#include <QFile>
#include <fstream>
#include <sstream>

ScratchFolder::ScratchFolder() : previousFolder_(programFolder()) {
    setProgramFolder(QFile::encodeName(dir_.path()).toStdString());
}

ScratchFolder::~ScratchFolder() {
    QDirIterator it(dir_.path(), QDir::Files | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        platform::fileAttributes().setAttr(QFile::encodeName(it.next()).toStdString(), 0);
    setProgramFolder(previousFolder_);
}

std::string ScratchFolder::file(const std::string& name) const {
    return programFilePath(name);
}

void ScratchFolder::write(const std::string& name, const std::string& bytes) const {
    std::ofstream(file(name), std::ios::binary | std::ios::trunc) << bytes;
}

std::string ScratchFolder::read(const std::string& name) const {
    std::ifstream in(file(name), std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}
