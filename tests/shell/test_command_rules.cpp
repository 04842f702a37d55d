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

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>

namespace {

namespace fs = std::filesystem;
using platform::FileError;

std::string stored(const std::string& password) {
    return passwordFileContents(password, "Favourite colour? = blue", 1).value_or("");
}

enum class Shown { NewOnly, ModifyForgot };

void testFileStates() {
    const std::string room(kMaxPasswordLength, 'p');
    const struct {
        const char* name;
        std::optional<std::string> file; // nothing: no file at all
        Shown shown;
        LockDecision decision;
    } rows[] = {
        {"missing", std::nullopt, Shown::NewOnly, LockDecision::PasswordRequired},
        {"empty", std::string(), Shown::NewOnly, LockDecision::PasswordRequired},
        {"damaged", std::string("abc\r\n"), Shown::NewOnly, LockDecision::PasswordRequired},
        {"stored", stored("Open Sesame"), Shown::ModifyForgot, LockDecision::Lock},
        {"fills the box", stored(room), Shown::ModifyForgot, LockDecision::Lock},
        // Could never be typed into the box: no password rather than a lock for good.
        {"longer than the box", stored(room + "q"), Shown::NewOnly, LockDecision::PasswordRequired},
    };
    const std::string path = programFilePath(kPasswordFileName);
    for (const auto& row : rows) {
        std::cerr << row.name << "\n";
        platform::fileAttributes().setAttr(path, platform::vbNormal);
        fs::remove(path);
        if (row.file)
            CHECK(replacePasswordFile(*row.file) == FileError::None);
        const auto states = refreshPasswordFile();
        CHECK(states.has_value());
        const bool stored = row.shown == Shown::ModifyForgot;
        CHECK_EQ(states->newEnabled, !stored);
        CHECK_EQ(states->modifyEnabled, stored);
        CHECK_EQ(states->forgotEnabled, stored);
        int attributes = 0;
        CHECK(platform::fileAttributes().getAttr(path, attributes) == FileError::None);
        CHECK_EQ(attributes, 7);

        mdlGlobal::strLockPassword = "before";
        CHECK(decideLock(true) == LockDecision::Ignore);
        CHECK_EQ(mdlGlobal::strLockPassword, std::string("before"));
        CHECK(decideLock(false) == row.decision);
        const bool locks = row.decision == LockDecision::Lock;
        CHECK_EQ(mdlGlobal::strLockPassword, locks ? mdlGlobal::strPassword : "before");
    }
    // A folder that is not there: the menu stays as it is.
    setProgramFolder(programFilePath("absent"));
    CHECK(!refreshPasswordFile().has_value());
}

} // namespace

int main() {
    const fs::path folder =
        fs::temp_directory_path() /
        ("vtr-command-rules-" +
         std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    fs::create_directories(folder);
    setProgramFolder(folder.string());
    testFileStates();
    platform::fileAttributes().setAttr((folder / kPasswordFileName).string(), platform::vbNormal);
    fs::remove_all(folder);
    return checkSummary("test_command_rules");
}
