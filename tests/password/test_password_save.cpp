// Replacing the password file: what a success leaves, the kind of a failure, and when
// the file counts as writable. What a failure at each step leaves is tested through the
// dialog (test_admin_saves).

#include "password/password_save.h"
#include "platform/file_attributes.h"
#include "platform/program_folder.h"
#include "support/check.h"
#include "support/failing_file_steps.h"
#include "support/temp_dir.h"

#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using platform::FileError;

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

bool exists(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

int attributesOf(const std::string& path) {
    int attributes = -1;
    platform::fileAttributes().getAttr(path, attributes);
    return attributes;
}

void putOldFile(const TempDir& dir) {
    const std::string sys = dir.file("vtrpwd.sys");
    platform::fileAttributes().setAttr(sys, 0);
    std::ofstream(sys, std::ios::binary | std::ios::trunc) << "old\r\nfile\r\n 1 \r\n";
    platform::fileAttributes().setAttr(sys, 7);
}

void testSuccessReplacesAndProtects(const TempDir& dir) {
    putOldFile(dir);
    // A temporary file left by an interrupted run, itself protected, is no obstacle.
    std::ofstream(dir.file("vtrpwd.tmp")) << "stale";
    platform::fileAttributes().setAttr(dir.file("vtrpwd.tmp"), 7);
    FailingFileSteps steps;
    CHECK(replacePasswordFile("new\r\n") == FileError::None);
    CHECK_EQ(readAll(dir.file("vtrpwd.sys")), std::string("new\r\n"));
    CHECK_EQ(attributesOf(dir.file("vtrpwd.sys")), 7);
    CHECK(!exists(dir.file("vtrpwd.tmp")));
    // The rename is the last step: nothing can fail once the old file is gone.
    CHECK(!steps.calls.empty() && steps.calls.back() == "rename");
}

void testFailureKindIsReported(const TempDir& dir) {
    putOldFile(dir);
    FailingFileSteps steps("create", FileError::AccessDenied);
    CHECK(replacePasswordFile("x") == FileError::AccessDenied);
}

void testWritableRules(const TempDir& dir) {
    const std::string sys = dir.file("vtrpwd.sys");
    const std::pair<int, FileError> table[] = {
        {0, FileError::None},
        {platform::vbReadOnly, FileError::AccessDenied},
        {platform::vbHidden, FileError::AccessDenied},
        {platform::vbSystem, FileError::AccessDenied},
        {7, FileError::AccessDenied},
    };
    for (const auto& [attributes, expected] : table) {
        platform::fileAttributes().setAttr(sys, 0);
        std::ofstream(sys) << "";
        platform::fileAttributes().setAttr(sys, attributes);
        CHECK(passwordFileWritable() == expected);
    }
    platform::fileAttributes().setAttr(sys, 0);
    std::remove(sys.c_str());
    CHECK(passwordFileWritable() == FileError::None);
    mkdir(sys.c_str(), 0755);
    CHECK(passwordFileWritable() == FileError::AccessDenied);
    rmdir(sys.c_str());
    setProgramFolder(dir.file("missing-folder"));
    CHECK(passwordFileWritable() == FileError::NotFound);
    setProgramFolder(dir.path());
}

} // namespace

int main() {
    TempDir dir;
    setProgramFolder(dir.path());
    testSuccessReplacesAndProtects(dir);
    testFailureKindIsReported(dir);
    testWritableRules(dir);
    return checkSummary("test_password_save");
}
