// The Win32 implementations of the platform services: file attributes and the
// directory-search test, the password file's save, the lock's swallowed keys, the
// executable's folder, the single instance.

#include "lock/win32/lock_window.h"
#include "password/password_save.h"
#include "platform/application.h"
#include "platform/file_attributes.h"
#include "platform/program_folder.h"
#include "store/password_file.h"
#include "support/check.h"
#include "support/file_exists_cases.h"

#include <filesystem>
#include <fstream>
#include <string>
#include <windows.h>

namespace {

using namespace platform;

// A scratch folder in the Windows temporary folder, removed with everything in it.
class ScratchFolder {
public:
    ScratchFolder()
        : path_(std::filesystem::temp_directory_path() /
                ("vtr-test-" + std::to_string(GetCurrentProcessId()))) {
        std::filesystem::create_directories(path_);
    }
    ~ScratchFolder() {
        // Read-only files cannot be deleted.
        for (const auto& entry : std::filesystem::recursive_directory_iterator(path_))
            SetFileAttributesA(entry.path().string().c_str(), FILE_ATTRIBUTE_NORMAL);
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    std::string path() const { return path_.string(); }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

int attributesOf(const std::string& path) {
    int attributes = -1;
    CHECK(fileAttributes().getAttr(path, attributes) == FileError::None);
    return attributes;
}

void testAttributes(const ScratchFolder& dir) {
    const std::string file = dir.file("file");
    std::ofstream(file) << "x";
    CHECK_EQ(attributesOf(file), 0);
    const int table[] = {7, vbReadOnly, vbHidden | vbSystem, 0};
    for (int attributes : table) {
        CHECK(fileAttributes().setAttr(file, attributes) == FileError::None);
        CHECK_EQ(attributesOf(file), attributes);
        CHECK_EQ(GetFileAttributesA(file.c_str()) & 7u, static_cast<DWORD>(attributes));
    }
    std::filesystem::create_directory(dir.file("folder"));
    CHECK_EQ(attributesOf(dir.file("folder")), static_cast<int>(vbDirectory));
    int unused = 0;
    CHECK(fileAttributes().getAttr(dir.file("absent"), unused) == FileError::NotFound);
    CHECK(fileAttributes().setAttr(dir.file("absent"), 7) == FileError::NotFound);
}

std::string contentsOf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The save replaces a file left read-only, hidden and system, and leaves the new one so.
void testPasswordSave(const ScratchFolder& dir) {
    setProgramFolder(dir.path());
    const std::string file = programFilePath(kPasswordFileName);
    for (const std::string contents : {"first\r\n", "second, longer\r\n"}) {
        CHECK(replacePasswordFile(contents) == FileError::None);
        CHECK_EQ(contentsOf(file), contents);
        CHECK_EQ(attributesOf(file), 7);
        CHECK(!fileExists(programFilePath(kPasswordTempName)));
    }
    CHECK(passwordFileWritable() == FileError::AccessDenied);
    CHECK(fileAttributes().setAttr(file, 0) == FileError::None);
    CHECK(passwordFileWritable() == FileError::None);
    // A folder where the temporary file goes: the save fails, the file stays as it was.
    std::filesystem::create_directory(programFilePath(kPasswordTempName));
    CHECK(replacePasswordFile("third") != FileError::None);
    CHECK_EQ(contentsOf(file), std::string("second, longer\r\n"));
    setProgramFolder(dir.file("absent"));
    CHECK(passwordFileWritable() == FileError::NotFound);
}

// The keys the lock's keyboard hook keeps from the system: switching, closing, the Start
// menu. Everything else reaches the lock, which checks the password on it.
void testLockKeys() {
    const struct {
        unsigned long key;
        bool alt, control, swallowed;
    } rows[] = {
        {VK_TAB, true, false, true},      {VK_F4, true, false, true},
        {VK_ESCAPE, true, false, true},   {VK_ESCAPE, false, true, true},
        {VK_LWIN, false, false, true},    {VK_RWIN, false, false, true},
        {VK_TAB, false, false, false},    {VK_F4, false, false, false},
        {VK_ESCAPE, false, false, false}, {VK_RETURN, true, false, false},
        {'A', false, true, false},        {VK_DELETE, true, true, false},
    };
    for (const auto& row : rows)
        CHECK_EQ(swallowedWhileLocked(row.key, row.alt, row.control), row.swallowed);
}

void testExecutableFolder(const char* self) {
    const std::string folder = executableFolder();
    const std::string name = std::string(self).substr(std::string(self).find_last_of("\\/") + 1);
    CHECK(GetFileAttributesA((folder + "\\" + name).c_str()) != INVALID_FILE_ATTRIBUTES);
    CHECK(folder.back() != '\\');
}

// Exit code of this program started again with `argument`, or -1.
int runSelf(const std::string& argument) {
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, sizeof self);
    std::string command = "\"" + std::string(self) + "\" " + argument;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return -1;
    DWORD code = static_cast<DWORD>(-1);
    if (WaitForSingleObject(process.hProcess, 30000) == WAIT_OBJECT_0)
        GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(code);
}

constexpr int kSawInstance = 3;
constexpr int kSawNone = 4;

void testSingleInstance() {
    CHECK_EQ(runSelf("instance"), kSawNone);
    CHECK(!application().prevInstance());
    CHECK(!application().prevInstance()); // this process is the running instance
    CHECK_EQ(runSelf("instance"), kSawInstance);
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc > 1 && std::string(argv[1]) == "instance")
        return application().prevInstance() ? kSawInstance : kSawNone;
    {
        const ScratchFolder dir;
        testAttributes(dir);
        checkFileExistsCases(dir.path());
    }
    {
        const ScratchFolder dir;
        testPasswordSave(dir);
    }
    testLockKeys();
    testExecutableFolder(argv[0]);
    testSingleInstance();
    return checkSummary("test_win32_services");
}
