// What start-up decides before any window: the command line, the instance's name per
// user and display and its private folder, where the program's files live and the modes
// and attributes they get.

#include "password/password_save.h"
#include "platform/application.h"
#include "platform/file_attributes.h"
#include "platform/program_folder.h"
#include "platform/x11/instance_files.h"
#include "platform/x11/xdg_data_folder.h"
#include "shell/menu_states.h"
#include "shell/x11/command_line.h"
#include "store/password_file.h"
#include "support/check.h"
#include "support/file_exists_cases.h"
#include "support/temp_dir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <tuple>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

const bool kRoot = ::geteuid() == 0; // rows with another owner run as root only, as in CI
const unsigned kMe = ::getuid();

unsigned modeOf(const std::string& path) {
    struct stat info;
    return ::lstat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
}

void testCommandLine() {
    const std::tuple<std::vector<const char*>, StartMode, std::string> rows[] = {
        {{"appVTR"}, StartMode::Run, ""},
        {{"appVTR", "--lock"}, StartMode::Lock, "--lock"},
        {{"appVTR", "--help"}, StartMode::Help, "--help"},
        {{"appVTR", "--version"}, StartMode::Version, "--version"},
        {{"appVTR", "lock"}, StartMode::Usage, "lock"},
        {{"appVTR", "--lock", "now"}, StartMode::Usage, "now"},
        {{"appVTR", "--lock", "-f"}, StartMode::Lock, "--lock"},
        {{"appVTR", "--lock", "--daemonize"}, StartMode::Lock, "--lock"},
        {{"appVTR", "--lock", "-f", "now"}, StartMode::Usage, "now"},
        {{"appVTR", "--help", "-f"}, StartMode::Usage, "-f"},
    };
    for (const auto& [args, mode, argument] : rows) {
        const CommandLine parsed = parseCommandLine(static_cast<int>(args.size()), args.data());
        CHECK(parsed.mode == mode);
        CHECK_EQ(parsed.argument, argument);
        CHECK(parsed.daemonize == (mode == StartMode::Lock && args.size() == 3));
    }
    using platform::instanceName;
    CHECK_EQ(instanceName(1000, ":0.0"), instanceName(1000, ":0"));
    CHECK_EQ(instanceName(1000, "host:10.1"), instanceName(1000, "host:10"));
    CHECK(instanceName(1000, ":0") != instanceName(1000, ":1"));
    CHECK(instanceName(1000, ":0") != instanceName(1001, ":0"));
    CHECK(instanceName(1000, "/tmp/launch.x/org:0").find('/') == std::string::npos);
}

// Runs shell commands in `dir`: the set-up of a row, read as a user would type it.
void shell(const TempDir& dir, const std::string& commands) {
    CHECK(std::system(("cd '" + dir.path() + "' && " + commands).c_str()) == 0);
}

// The instance's folder: $XDG_RUNTIME_DIR when private; else veltrane-<uid> in $TMPDIR,
// made private, and closed again once opened (whole_lock_command plays another user who
// made it first). What makes a folder private, the data folder's rows show.
void testInstanceFolder() {
    TempDir dir;
    shell(dir, "mkdir -m 700 private && mkdir -m 755 open");
    setenv("XDG_RUNTIME_DIR", dir.file("private").c_str(), 1);
    setenv("DISPLAY", ":5.0", 1);
    CHECK_EQ(platform::instanceFile(".socket").path,
             dir.file("private/veltrane-" + std::to_string(kMe) + "-:5.socket"));
    setenv("XDG_RUNTIME_DIR", dir.file("open").c_str(), 1);
    setenv("TMPDIR", dir.path().c_str(), 1);
    const std::string fallback = dir.file("veltrane-" + std::to_string(kMe));
    for (int pass = 0; pass < 2; ++pass) {
        CHECK_EQ(platform::instanceFolder().path, fallback);
        CHECK_EQ(modeOf(fallback), 0700u);
        ::chmod(fallback.c_str(), 0777);
    }
    // Too long for a socket's address: refused with the reason, not cut short.
    const std::string deep = dir.file(std::string(120, 'd'));
    ::mkdir(deep.c_str(), 0700);
    setenv("XDG_RUNTIME_DIR", deep.c_str(), 1);
    CHECK(platform::instanceFile(".socket").error.find("too long") != std::string::npos);
    unsetenv("XDG_RUNTIME_DIR");
    unsetenv("TMPDIR");
}

// Where a copy keeps its files and the modes they get, whatever the umask (022 here).
// Each row starts from a fresh tree: the program folder "top/program" and the per-user
// folder "data/veltrane" ($XDG_DATA_HOME is "data"); another user's rows run as root only.
void testDataFolders() {
    CHECK_EQ(perUserDataFolder("/data", "/home/u"), std::string("/data/veltrane"));
    for (const char* unusable : {static_cast<const char*>(nullptr), "", "relative/data"})
        CHECK_EQ(perUserDataFolder(unusable, "/home/u"),
                 std::string("/home/u/.local/share/veltrane"));
    CHECK_EQ(perUserDataFolder(nullptr, nullptr), std::string());

    umask(022);
    const struct {
        const char* setup;
        const char* folder; // where the files go, "" when the program refuses to run
        const char* why;    // a part of the refusal
    } rows[] = {
        {"true", "top/program", ""}, // portable, umask 022
        {"chmod 775 top/program", "data/veltrane", ""},
        {"chmod 777 top", "data/veltrane", ""},
        {"chmod 1777 top", "top/program", ""},
        {"chown 65534 top/program", "data/veltrane", ""},
        {"mkdir -p top/share/veltrane/help && mv top/program top/bin", "data/veltrane", ""},
        {"chmod 775 top/program && mkdir -p -m 755 data/veltrane", "data/veltrane", ""},
        {"chmod 775 top/program && mkdir data && ln -s ../top data/veltrane", "", "symbolic link"},
        {"chmod 775 top/program && mkdir -p data/veltrane && chown 65534 data/veltrane", "",
         "another user"},
        {"chmod 775 top/program && mkdir data && touch data/veltrane", "", "not a folder"},
        // In a folder others may write (not sticky), it could be swapped for another.
        {"chmod 775 top/program && mkdir -m 777 data && chown 65534 data", "",
         "other users can change"},
        {"echo kept >victim && ln -s ../../victim top/program/vtrpwd.tmp", "top/program", ""},
    };
    for (const auto& row : rows) {
        if (std::string(row.setup).find("chown") != std::string::npos && !kRoot)
            continue;
        std::cerr << row.setup << "\n";
        TempDir dir;
        shell(dir, std::string("mkdir -p top/program && ") + row.setup);
        setenv("XDG_DATA_HOME", dir.file("data").c_str(), 1);
        setProgramFolder(dir.file(fs::exists(dir.file("top/bin")) ? "top/bin" : "top/program"));
        const DataFolderChoice choice = chooseDataFolder();
        CHECK_EQ(choice.refusal.empty() ? dataFolder() : "",
                 *row.folder ? dir.file(row.folder) : "");
        CHECK(choice.refusal.find(row.why) != std::string::npos);
        if (!choice.refusal.empty())
            continue;
        CHECK_EQ(choice.perUser, std::string(row.folder) == "data/veltrane");
        if (choice.perUser)
            CHECK_EQ(modeOf(dataFolder()), 0700u);
        // The empty file of the first start, then a password: the user's alone.
        CHECK(refreshPasswordFile().has_value());
        CHECK_EQ(modeOf(programFilePath(kPasswordFileName)), 0400u);
        CHECK(replacePasswordFile("secret") == platform::FileError::None);
        CHECK_EQ(modeOf(programFilePath(kPasswordFileName)), 0400u);
        CHECK(!fs::exists(fs::symlink_status(programFilePath(kPasswordTempName))));
        if (fs::exists(dir.file("victim"))) { // the link's target, untouched
            std::string kept;
            std::ifstream(dir.file("victim")) >> kept;
            CHECK_EQ(kept + " " + std::to_string(modeOf(dir.file("victim"))), "kept 420");
        }
    }
}

int attributesOf(platform::FileAttributes& service, const std::string& path) {
    int attributes = -1;
    CHECK(service.getAttr(path, attributes) == platform::FileError::None);
    return attributes;
}

// Read-only takes every write bit away; hidden and system are kept only where extended
// attributes are, and then the file is not found.
void testAttributeValues(const TempDir& dir, bool withXattr) {
    using platform::FileError;
    platform::PosixFileAttributes service(withXattr);
    platform::setFileAttributes(&service);
    const std::string file = dir.file(withXattr ? "with" : "without");
    std::ofstream(file) << "x";
    CHECK(service.setAttr(file, 7) == FileError::None);
    CHECK_EQ(modeOf(file) & 0222, 0u);
    CHECK_EQ(attributesOf(service, file), withXattr ? 7 : 1);
    CHECK_EQ(platform::fileExists(file), !withXattr);
    CHECK(service.setAttr(file, 0) == FileError::None);
    CHECK_EQ(attributesOf(service, file), 0);
    CHECK(platform::fileExists(file));
    CHECK(service.setAttr(dir.file("absent"), 7) == FileError::NotFound);
    if (withXattr)
        checkFileExistsCases(dir.path());
    platform::setFileAttributes(nullptr);
}

// Without root, the extended attributes of a read-only file cannot be written: the hidden
// and system bits of a protected file must change all the same. Root runs it in a child
// that becomes "nobody".
void testProtectedFileAsOrdinaryUser(const TempDir& dir) {
    using namespace platform;
    shell(dir, "chmod 755 . && mkdir -m 777 shared");
    const std::string file = dir.file("shared/protected");
    if (fork() == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
            _exit(2);
        PosixFileAttributes service(true);
        std::ofstream(file) << "x";
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
    testCommandLine();
    testInstanceFolder();
    testDataFolders();
    TempDir dir;
    if (setxattr(dir.path().c_str(), "user.probe", "1", 1, 0) == 0) {
        testAttributeValues(dir, true);
        testProtectedFileAsOrdinaryUser(dir);
    } else {
        std::cout << "note: " << dir.path() << " keeps no extended attributes\n";
    }
    testAttributeValues(dir, false);
    return checkSummary("test_start_up");
}
