// The Win32 implementations of the platform services: file attributes and the
// directory-search test (the search must see the attributes set), the password file's
// save, the lock's swallowed keys. The whole program under Wine proves the rest.

#include "lock/win32/lock_keys.h"
#include "password/password_save.h"
#include "platform/file_attributes.h"
#include "platform/program_folder.h"
#include "store/password_file.h"
#include "support/check.h"
#include "support/file_exists_cases.h"
#include "support/temp_dir.h"

#include <filesystem>
#include <fstream>
#include <string>
#include <tuple>
#include <windows.h>

namespace {

using namespace platform;

std::string contentsOf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The save replaces a file left read-only, hidden and system, and leaves the new one so;
// such a file is not writable until its attributes are cleared.
void testPasswordSave(const std::string& dir) {
    setProgramFolder(dir);
    const std::string file = programFilePath(kPasswordFileName);
    for (const std::string contents : {"first\r\n", "second, longer\r\n"})
        CHECK(replacePasswordFile(contents) == FileError::None && contentsOf(file) == contents);
    int attributes = -1;
    CHECK(fileAttributes().getAttr(file, attributes) == FileError::None && attributes == 7);
    CHECK(passwordFileWritable() == FileError::AccessDenied);
    CHECK(fileAttributes().setAttr(file, 0) == FileError::None);
    CHECK(passwordFileWritable() == FileError::None);
    // A folder where the temporary file goes: the save fails, the file stays as it was.
    std::filesystem::create_directory(programFilePath(kPasswordTempName));
    CHECK(replacePasswordFile("third") != FileError::None);
    CHECK_EQ(contentsOf(file), std::string("second, longer\r\n"));
    setProgramFolder(dir + "\\absent");
    CHECK(passwordFileWritable() == FileError::NotFound);
}

// The keys the lock's keyboard hook keeps from the system: switching, closing, the Start
// menu. Everything else reaches the lock, which checks the password on it.
void testLockKeys() {
    const std::tuple<unsigned long, bool, bool, bool> rows[] = {
        {VK_TAB, true, false, true},      {VK_F4, true, false, true},
        {VK_ESCAPE, true, false, true},   {VK_ESCAPE, false, true, true},
        {VK_LWIN, false, false, true},    {VK_RWIN, false, false, true},
        {VK_TAB, false, false, false},    {VK_F4, false, false, false},
        {VK_ESCAPE, false, false, false}, {VK_DELETE, true, true, false},
    };
    for (const auto& [key, alt, control, swallowed] : rows)
        CHECK_EQ(swallowedWhileLocked(key, alt, control), swallowed);
}

// What the lock's box refuses: every way to put text in but a typed character.
void testPasswordBoxRefusals() {
    const std::tuple<UINT, WPARAM, bool, bool, bool> rows[] = {
        {WM_PASTE, 0, false, false, true},
        {WM_CHAR, 22, false, false, true},
        {WM_KEYDOWN, VK_INSERT, true, false, true},
        {WM_SETTEXT, 0, false, false, true},
        {EM_REPLACESEL, 0, false, false, true},
        {EM_UNDO, 0, false, false, true},
        {WM_CHAR, 26, false, false, true},
        {WM_SYSKEYDOWN, VK_BACK, false, true, true},
        {WM_CHAR, 'v', false, false, false},
        {WM_CHAR, '\b', false, false, false},
        {WM_KEYDOWN, VK_INSERT, false, false, false},
        {WM_KEYDOWN, 'V', false, false, false},
    };
    for (const auto& [message, wParam, shift, alt, refused] : rows)
        CHECK_EQ(refusedByPasswordBox(message, wParam, shift, alt), refused);
}

} // namespace

int main() {
    checkFileExistsCases(TempDir().path());
    testPasswordSave(TempDir().path());
    testLockKeys();
    testPasswordBoxRefusals();
    return checkSummary("test_win32_services");
}
