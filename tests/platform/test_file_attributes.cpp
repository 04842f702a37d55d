// File attributes and fileExists, with and without extended-attribute support.

#include "platform/file_attributes.h"
#include "support/check.h"
#include "support/file_exists_cases.h"
#include "support/temp_dir.h"

#include <fstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace {

using namespace platform;

void touch(const std::string& path) {
    std::ofstream(path) << "x";
}

bool folderKeepsExtendedAttributes(const std::string& path) {
    touch(path + "/probe");
    return setxattr((path + "/probe").c_str(), "user.probe", "1", 1, 0) == 0;
}

int attributesOf(FileAttributes& service, const std::string& path) {
    int attributes = -1;
    CHECK(service.getAttr(path, attributes) == FileError::None);
    return attributes;
}

void testAttributeValues(const TempDir& dir, bool withXattr) {
    PosixFileAttributes service(withXattr);
    setFileAttributes(&service);
    const std::string file = dir.file(withXattr ? "with" : "without");
    touch(file);
    CHECK(service.setAttr(file, 7) == FileError::None);
    struct stat info;
    stat(file.c_str(), &info);
    CHECK_EQ(info.st_mode & 0222, 0u);
    CHECK_EQ(attributesOf(service, file), withXattr ? 7 : 1);
    CHECK_EQ(fileExists(file), !withXattr); // a hidden system file is not found
    CHECK(service.setAttr(file, 0) == FileError::None);
    CHECK_EQ(attributesOf(service, file), 0);
    CHECK(fileExists(file));
    CHECK(service.setAttr(dir.file("absent"), 7) == FileError::NotFound);
    setFileAttributes(nullptr);
}

void testFileExists(const TempDir& dir) {
    PosixFileAttributes service(true);
    setFileAttributes(&service);
    checkFileExistsCases(dir.path());
    setFileAttributes(nullptr);
}

// Without root, extended attributes of a read-only file cannot be written: setting the
// attributes of a protected file again, or changing them, must still work.
bool protectedFileKeepsChanging(const std::string& folder) {
    PosixFileAttributes service(true);
    const std::string file = folder + "/protected";
    touch(file);
    int attributes = -1;
    return service.setAttr(file, 7) == FileError::None &&
           service.setAttr(file, 7) == FileError::None &&
           service.setAttr(file, vbReadOnly | vbHidden) == FileError::None &&
           service.getAttr(file, attributes) == FileError::None &&
           attributes == (vbReadOnly | vbHidden) && access(file.c_str(), W_OK) != 0;
}

// As an ordinary user; root runs it in a child that becomes "nobody".
void testProtectedFileAsOrdinaryUser(const TempDir& dir) {
    const std::string folder = dir.file("shared");
    mkdir(folder.c_str(), 0777);
    chmod(folder.c_str(), 0777);
    chmod(dir.path().c_str(), 0755);
    if (geteuid() != 0) {
        CHECK(protectedFileKeepsChanging(folder));
        return;
    }
    const pid_t child = fork();
    if (child == 0) {
        if (setgid(65534) != 0 || setuid(65534) != 0)
            _exit(2);
        _exit(protectedFileKeepsChanging(folder) ? 0 : 1);
    }
    int status = -1;
    waitpid(child, &status, 0);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 2)
        std::cout << "note: could not become an ordinary user\n";
    else
        CHECK(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

} // namespace

int main() {
    TempDir dir;
    if (folderKeepsExtendedAttributes(dir.path()))
        testAttributeValues(dir, true);
    else
        std::cout << "note: " << dir.path() << " keeps no extended attributes\n";
    testAttributeValues(dir, false);
    if (folderKeepsExtendedAttributes(dir.path())) {
        testFileExists(dir);
        testProtectedFileAsOrdinaryUser(dir);
    }
    return checkSummary("test_file_attributes");
}
