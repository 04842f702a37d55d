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

int attributesOf(FileAttributes& service, const std::string& path) {
    int attributes = -1;
    CHECK(service.getAttr(path, attributes) == FileError::None);
    return attributes;
}

// Read-only takes every write bit away; hidden and system are kept only where extended
// attributes are, and then the file is not found.
void testAttributeValues(const TempDir& dir, bool withXattr) {
    PosixFileAttributes service(withXattr);
    setFileAttributes(&service);
    const std::string file = dir.file(withXattr ? "with" : "without");
    touch(file);
    CHECK(service.setAttr(file, 7) == FileError::None);
    struct stat info;
    CHECK(stat(file.c_str(), &info) == 0 && (info.st_mode & 0222) == 0);
    CHECK_EQ(attributesOf(service, file), withXattr ? 7 : 1);
    CHECK_EQ(fileExists(file), !withXattr);
    CHECK(service.setAttr(file, 0) == FileError::None);
    CHECK_EQ(attributesOf(service, file), 0);
    CHECK(fileExists(file));
    CHECK(service.setAttr(dir.file("absent"), 7) == FileError::NotFound);
    if (withXattr)
        checkFileExistsCases(dir.path());
    setFileAttributes(nullptr);
}

// Without root, the extended attributes of a read-only file cannot be written: the hidden
// and system bits of a protected file must change all the same. Root runs it in a child
// that becomes "nobody".
void testProtectedFileAsOrdinaryUser(const TempDir& dir) {
    const std::string file = dir.file("shared/protected");
    mkdir(dir.file("shared").c_str(), 0777);
    chmod(dir.file("shared").c_str(), 0777);
    chmod(dir.path().c_str(), 0755);
    if (fork() == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
            _exit(2);
        PosixFileAttributes service(true);
        touch(file);
        CHECK(service.setAttr(file, 7) == FileError::None);
        CHECK(service.setAttr(file, vbReadOnly | vbHidden) == FileError::None);
        CHECK_EQ(attributesOf(service, file), vbReadOnly | vbHidden);
        CHECK(access(file.c_str(), W_OK) != 0);
        _exit(check::failures == 0 ? 0 : 1);
    }
    int status = -1;
    wait(&status);
    CHECK(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

} // namespace

int main() {
    TempDir dir;
    touch(dir.file("probe"));
    if (setxattr(dir.file("probe").c_str(), "user.probe", "1", 1, 0) == 0) {
        testAttributeValues(dir, true);
        testProtectedFileAsOrdinaryUser(dir);
    } else {
        std::cout << "note: " << dir.path() << " keeps no extended attributes\n";
    }
    testAttributeValues(dir, false);
    return checkSummary("test_file_attributes");
}
