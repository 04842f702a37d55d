// The decisions both programs take from the password file: the tray menu's password
// commands after a refresh, and what "Lock Desktop" does. Runs on Linux and under Wine.

#include "lock/lock_decision.h"
#include "password/password_save.h"
#include "platform/file_attributes.h"
#include "platform/program_folder.h"
#include "shell/menu_states.h"
#include "store/mdlGlobal.h"
#include "store/password_file.h"
#include "support/check.h"
#include "support/temp_dir.h"

#include <filesystem>
#include <optional>

namespace {

namespace fs = std::filesystem;
using platform::FileError;

// The real attributes, except that clearing them is refused; or, `raced`, that another
// instance hides the file again right after this one cleared its attributes.
struct ClearingDenied : platform::FileAttributes {
    platform::FileAttributes& real = platform::fileAttributes();
    bool raced;
    explicit ClearingDenied(bool race = false) : raced(race) { platform::setFileAttributes(this); }
    ~ClearingDenied() override { platform::setFileAttributes(nullptr); }
    FileError setAttr(const std::string& path, int attributes) override {
        if (attributes == 0 && raced)
            return real.setAttr(path, platform::vbHidden);
        return attributes ? real.setAttr(path, attributes) : FileError::AccessDenied;
    }
    FileError getAttr(const std::string& path, int& attributes) override {
        return real.getAttr(path, attributes);
    }
};

std::string stored(const std::string& password) {
    return passwordFileContents(password, "Favourite colour? = blue", 1).value_or("");
}

void testFileStates(const std::string& path) {
    const std::string room(kMaxPasswordLength, 'p');
    const struct {
        const char* name;
        std::optional<std::string> file; // nothing: no file at all
        bool stored;                     // Modify and Forgot offered, and the lock taken
    } rows[] = {
        {"missing", std::nullopt, false},
        {"empty", std::string(), false},
        {"damaged", std::string("abc\r\n"), false},
        {"fills the box", stored(room), true},
        // Could never be typed into the box: no password rather than a lock for good.
        {"longer than the box", stored(room + "q"), false},
        {"stored", stored("Open Sesame"), true},
    };
    mdlGlobal::strLockPassword = "before";
    CHECK(decideLock(true) == LockDecision::Ignore);
    for (const auto& row : rows) {
        std::cerr << row.name << "\n";
        platform::fileAttributes().setAttr(path, platform::vbNormal);
        fs::remove(path);
        if (row.file)
            CHECK(replacePasswordFile(*row.file) == FileError::None);
        const auto states = refreshPasswordFile();
        CHECK(states && states->newEnabled == !row.stored && states->modifyEnabled == row.stored &&
              states->forgotEnabled == row.stored);
        int attributes = 0;
        CHECK(platform::fileAttributes().getAttr(path, attributes) == FileError::None);
        CHECK_EQ(attributes, 7);

        mdlGlobal::strLockPassword = "before";
        CHECK(decideLock(false) ==
              (row.stored ? LockDecision::Lock : LockDecision::PasswordRequired));
        CHECK_EQ(mdlGlobal::strLockPassword, row.stored ? mdlGlobal::strPassword : "before");
    }
    // A file whose attributes stay set, or a name that never becomes a file (the creation
    // gives up after a few tries): the menu stays as it is. A file that looks absent only
    // because another instance hid it again is never made afresh: its password stays.
    for (const bool raced : {false, true}) {
        ClearingDenied denied(raced);
        CHECK(!refreshPasswordFile().has_value());
        CHECK(readPasswordFile(kPasswordFileName));
    }
    platform::fileAttributes().setAttr(path, platform::vbNormal);
    fs::remove(path);
    fs::create_directory(path);
    CHECK(!refreshPasswordFile().has_value());
    setProgramFolder(programFilePath("absent"));
    CHECK(!refreshPasswordFile().has_value());
}

} // namespace

int main() {
    TempDir folder;
    setProgramFolder(folder.path());
    testFileStates(programFilePath(kPasswordFileName));
    return checkSummary("test_command_rules");
}
